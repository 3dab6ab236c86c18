#include "tools/pack/Unpacker.h"

#include "catalogue/CatalogueFs.h"
#include "catalogue/CatalogueNames.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "catalogue/Error.h"
#include "catalogue/GameEntry.h"
#include "catalogue/IconLibrary.h"
#include "catalogue/IniProfile.h"
#include "catalogue/IntegerText.h"
#include "catalogue/Messages.h"
#include "catalogue/ResourceModule.h"
#include "catalogue/TextList.h"
#include "catalogue/WalkthroughTable.h"
#include "platform/icons/IconExtractor.h"

#include <QBuffer>
#include <QByteArray>

#include <set>

namespace fs = std::filesystem;

namespace kodrix::pack {

namespace {

// The most code lines a friendly group holds: its string IDs run from 1.
constexpr std::size_t kMaxFriendlyLines = 65535;

std::string shown(const fs::path& path) { return utf8Path(path); }
// A message of the catalogue's readers (cp1251) for the terminal.
std::string readerText(const std::string& cp1251Message) { return cp1251::toUtf8(cp1251Message); }
std::string listingFailure(const FileError& failed) {
    return readerText(messages::cannotListFolder(displayPath(failed.path), failed.errnoValue));
}

bool isEmptyFolder(const fs::path& dir) {
    std::error_code ec;
    return fs::is_directory(dir, ec) && fs::directory_iterator(dir, ec) == fs::directory_iterator();
}

// Every string of a module, whole (up to an embedded NUL), in ID order.
std::vector<std::pair<std::uint32_t, std::string>> allStrings(const ResourceModule& module) {
    std::vector<std::pair<std::uint32_t, std::string>> strings;
    module.forEachString([&](std::uint16_t id, std::string_view text) { strings.emplace_back(id, text); }, SIZE_MAX);
    return strings;
}

// Icon families are named after their index, zero-padded so that file-name
// order is index order: "00", "01", … An index outside the library is
// written as the number itself, which names no family.
class IconNames {
public:
    explicit IconNames(std::size_t count) : count_(count) {
        for (std::size_t n = count > 0 ? count - 1 : 0; n >= 10; n /= 10) ++width_;
    }
    std::string operator()(std::int32_t icon) const {
        if (icon < 0 || static_cast<std::size_t>(icon) >= count_) return std::to_string(icon);
        std::string digits = std::to_string(icon);
        return std::string(width_ - std::min(width_, digits.size()), '0') + digits;
    }

private:
    std::size_t count_;
    std::size_t width_ = 2;
};

class Unpacker {
public:
    Unpacker(const fs::path& catalogue, const fs::path& out) : catalogue_(catalogue), out_(out) {}

    UnpackSummary run() {
        Listing platforms = listPlatforms(catalogue_);
        if (platforms.error) throw PackError(listingFailure(*platforms.error));
        fs::create_directories(out_);
        for (const std::string& platform : platforms.names) unpackPlatform(platform);
        unpackWalkthroughs();
        return std::move(summary_);
    }

private:
    void problem(std::string text) { summary_.problems.push_back(std::move(text)); }

    void unpackPlatform(const std::string& name) {
        const std::string diskName = cp1251ToDiskName(name);
        // The source format cannot say these: a platform that is the
        // catalogue's folder or the one above it, one the builder would take
        // for the walkthroughs, one the builder passes over.
        if (name == "." || name == ".." || cp1251::equalsIgnoreCase(name, names::kWalkthroughFolder) ||
            name.starts_with('.')) {
            problem(shown(catalogue_ / diskName) + ": a platform named \"" + diskName +
                    "\" cannot be written as a source folder; not unpacked");
            return;
        }
        const fs::path dir = platformDir(catalogue_, name);
        const fs::path out = out_ / diskName;
        fs::create_directories(out);
        ++summary_.platforms;

        const std::size_t icons = unpackIcons(dir, out / source::kIconsFolder);
        const Listing groups = listLetterGroups(catalogue_, name);
        if (groups.error) problem(listingFailure(*groups.error));
        std::size_t written = 0;
        for (const std::string& group : groups.names)
            if (unpackGroup(dir, group, IconNames(icons), out)) ++written;
        if (written == 0) source::writeSourceFile(out / source::kPlatformNotes, "A platform without letter groups.\n");
    }

    // The platform's icon library as one PNG per icon; the number of icons.
    std::size_t unpackIcons(const fs::path& dir, const fs::path& out) {
        const ResolvedFile library = openPlatformFile(dir, names::kIconLibrary);
        if (!library.exists()) return 0;
        if (!library.opened()) {
            problem(readerText(library.failure().message()));
            return 0;
        }
        fs::create_directories(out);
        const std::optional<unsigned> count = readIconGroupCount(library.path);
        if (!count) {
            // Every icon of it shows as the substitute; so does every icon of an empty library.
            problem(shown(library.path) + ": not a readable icon library; unpacked as one without icons");
            return 0;
        }
        const IconNames iconNames(*count);
        for (unsigned i = 0; i < *count; ++i) {
            const ExtractedIcon icon = extractIcon(library.path, static_cast<std::uint16_t>(i));
            if (icon.substitute)
                problem(shown(library.path) + ": icon " + std::to_string(i) +
                        " cannot be read; the substitute icon stands in its place");
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!icon.image.save(&buffer, "PNG")) throw PackError(shown(out) + ": cannot encode icon " + std::to_string(i));
            writeFileBytes(out / (iconNames(static_cast<std::int32_t>(i)) + ".png"),
                           std::vector<std::uint8_t>(png.begin(), png.end()));
            ++summary_.icons;
        }
        return *count;
    }

    // One letter group, as the verbs find its files (by its upper-case name).
    bool unpackGroup(const fs::path& dir, const std::string& name, const IconNames& iconNames, const fs::path& out) {
        const std::string diskName = cp1251ToDiskName(name);
        if (name.empty()) {
            problem(shown(dir / ".dat") + ": a letter group without a name cannot be written as a source file");
            return false;
        }
        const std::string group = cp1251::upper(name);
        RawGroupSource raw;
        raw.name = name;
        try {
            const ResolvedFile list = openPlatformFile(dir, names::groupList(group));
            if (!list.opened()) list.failure().raise();
            raw.list = readTextLines(list.file).toStrings();
        } catch (const Error& e) {
            problem(readerText(e.message()));
            return false;
        }

        std::optional<IniProfile> ini;
        const ResolvedFile iniFile = openPlatformFile(dir, names::groupIni(group));
        if (iniFile.exists()) {
            try {
                ini = loadIni(iniFile);
                raw.entries = readTextLines(iniFile.file).toStrings();
            } catch (const Error& e) {
                problem(readerText(e.message()) + "; the group is unpacked without it");
            }
        }

        std::optional<ResourceModule> module;
        ResolvedFile moduleFile = openPlatformFile(dir, names::groupModule(group));
        if (moduleFile.exists()) {
            const fs::path path = moduleFile.path;
            if (!moduleFile.opened())
                problem(readerText(moduleFile.failure().message()) +
                        "; the group is unpacked without it");
            else if (!(module = ResourceModule::open(std::move(moduleFile.file))))
                problem(shown(path) + ": not a resource module; the group is unpacked without it");
            else
                raw.strings = allStrings(*module);
        }

        ++summary_.groups;
        summary_.games += raw.list.size();
        if (ini && module) {
            if (const auto friendly = friendlyGroup(raw, *ini, *module);
                friendly && source::lowerAscii(diskName) != "platform") {
                source::writeSourceFile(out / (diskName + std::string(source::kGroupExtension)),
                                        groupSourceText(*friendly, iconNames));
                return true;
            }
        }
        ++summary_.keptGroups;
        writeRawGroupSource(out / (diskName + std::string(source::kRawGroupExtension)), raw);
        return true;
    }

    // The modules the walkthrough list takes, in the folder's order.
    void unpackWalkthroughs() {
        const auto sol = findEntry(catalogue_, names::kWalkthroughFolder, EntryKind::Directory);
        if (!sol) return;
        const auto modules = listFilesWithExtension(*sol, names::kModuleExtension);
        if (!modules) {
            problem(listingFailure(modules.reason()));
            return;
        }
        std::set<std::string> folders;
        for (const DirEntry& entry : *modules) {
            const std::string file = utf8Path(entry.path.filename());
            const std::string folder = file.substr(0, file.size() - names::kModuleExtension.size());
            if (folder.empty() || !folders.insert(folder).second) {
                problem(shown(entry.path) + ": a second walkthrough module named \"" + folder +
                        "\" cannot be written as a source folder; not unpacked");
                continue;
            }
            unpackWalkthrough(entry.path, out_ / names::kWalkthroughFolder / folder);
        }
    }

    void unpackWalkthrough(const fs::path& path, const fs::path& out) {
        if (const auto file = FileHandle::open(path); !file) {
            problem(readerText(file.reason().message()));
            return;
        }
        const auto module = ResourceModule::open(path);
        if (!module) {
            problem(shown(path) + ": not a resource module; the walkthrough list leaves it out");
            return;
        }
        const auto name = readModuleResource(path, names::kWalkthroughName);
        const std::vector<std::string> lines = name ? splitLines(*name) : std::vector<std::string>();
        if (lines.empty()) {
            problem(shown(path) + ": no display name (\"name1\" missing or empty); the walkthrough list leaves it out");
            return;
        }
        source::writeSourceFile(out / source::kWalkthroughNameFile, source::sourceFileText(lines));
        if (const auto document = readModuleResource(path, names::kWalkthroughDocument))
            writeFileBytes(out / source::kWalkthroughDocumentFile, *document);

        // Screenshots: every "img" resource a key in code page 1251 can ask for, once.
        std::set<std::u16string> keys;
        for (const ResourceId& id : module->names(ResourceId::id(RT_RCDATA))) {
            if (id.isId()) continue;
            const std::u16string prefix = cp1251::toUtf16(names::kScreenshotPrefix);
            const std::u16string upper = upperResourceName(id.nameValue());
            if (!upper.starts_with(upperResourceName(prefix))) continue;
            const std::u16string key16 = id.nameValue().substr(prefix.size());
            const std::string key = cp1251::fromUtf16(key16);
            if (cp1251::toUtf16(key) != key16 || !keys.insert(upper).second) continue;
            const std::string keyText = source::sourceText(key);
            if (keyText.find('/') != std::string::npos || key.find('\0') != std::string::npos) {
                problem(shown(path) + ": screenshot \"" + keyText + "\" cannot be written as a file name; not unpacked");
                continue;
            }
            const auto bytes = readModuleResource(path, std::string(names::kScreenshotPrefix) + key);
            if (!bytes) {
                problem(shown(path) + ": screenshot \"" + keyText + "\" cannot be read; not unpacked");
                continue;
            }
            const bool jpeg = bytes->size() >= 3 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xD8 && (*bytes)[2] == 0xFF;
            const std::string extension = jpeg ? ".jpg" : std::string(source::kStoredImageExtension);
            writeFileBytes(out / (std::string(names::kScreenshotPrefix) + keyText + extension), *bytes);
        }
        ++summary_.walkthroughs;
    }

    fs::path catalogue_;
    fs::path out_;
    UnpackSummary summary_;
};

}  // namespace

std::optional<GroupSource> friendlyGroup(const RawGroupSource& raw, const IniProfile& ini, const ResourceModule& module) {
    // Names: each a header "# Name" reads back, each its own section.
    std::set<std::string> keys;
    for (const std::string& name : raw.list)
        if (name.empty() || source::trimBlanks(name) != name || !keys.insert(IniProfile::sectionKey(name)).second)
            return std::nullopt;
    // Sections: exactly the names', each once.
    const std::vector<std::string> sections = ini.sectionNames();
    std::set<std::string> sectionKeys;
    for (const std::string& section : sections)
        if (!keys.contains(IniProfile::sectionKey(section)) || !sectionKeys.insert(IniProfile::sectionKey(section)).second)
            return std::nullopt;
    if (sectionKeys.size() != keys.size()) return std::nullopt;

    std::vector<bool> stringRead(65536, false);
    GroupSource group;
    group.name = raw.name;
    std::size_t lines = 0;
    for (const std::string& name : raw.list) {
        std::set<std::string> seen;
        for (const std::string& key : ini.keyNames(name)) {
            const std::string upper = cp1251::upper(key);
            if ((upper != "BEGIN" && upper != "END" && upper != "ICON") || !seen.insert(upper).second) return std::nullopt;
        }
        const auto begin = parseInteger(ini.readString(name, "begin"));
        const auto end = parseInteger(ini.readString(name, "end"));
        const auto icon = parseInteger(ini.readString(name, "icon"));
        if (!begin || !end || !icon) return std::nullopt;
        // The whole code text, as kodrix-cli codes prints it: a range longer
        // than the friendly form's lines is kept as stored.
        const std::uint64_t length = codeTextLength(*begin, *end);
        if (length > kMaxFriendlyLines - lines) return std::nullopt;
        GameSource game{name, *icon, {}};
        game.lines.reserve(static_cast<std::size_t>(length));
        streamCodeText(module, *begin, *end, [&](std::string_view line) {
            game.lines.emplace_back(line);
            return true;
        });
        for (std::size_t i = 0; i < game.lines.size(); ++i)
            stringRead[(static_cast<std::uint32_t>(*begin) + static_cast<std::uint32_t>(i)) & 0xFFFFu] = true;
        lines += game.lines.size();
        group.games.push_back(std::move(game));
    }
    // Strings: each read by a game, and read whole.
    for (const auto& [id, text] : *raw.strings)
        if (!stringRead[id] || text.size() > kMaxStringBytes) return std::nullopt;
    return group;
}

UnpackSummary unpackCatalogue(const fs::path& catalogueDir, const fs::path& sourceDir) {
    std::error_code ec;
    if (!fs::is_directory(catalogueDir, ec)) throw PackError(shown(catalogueDir) + ": no such catalogue folder");
    if (fs::exists(sourceDir, ec) && !isEmptyFolder(sourceDir))
        throw PackError(shown(sourceDir) + ": the source folder must be new or empty");
    return Unpacker(catalogueDir, sourceDir).run();
}

}  // namespace kodrix::pack

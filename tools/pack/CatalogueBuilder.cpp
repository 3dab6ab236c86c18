#include "tools/pack/CatalogueBuilder.h"
#include "catalogue/CatalogueNames.h"

#include "catalogue/Cp1251.h"
#include "catalogue/IniProfile.h"
#include "catalogue/IntegerText.h"
#include "tools/pack/IcoWriter.h"
#include "tools/pack/NeWriter.h"
#include "tools/pack/PeWriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QString>

#include <algorithm>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace kodrix::pack {

using source::lowerAscii;
using source::sourceLines;
using source::toCodeLineText;
using source::trimBlanks;

namespace {

std::string at(std::string_view where, std::size_t lineIndex) {
    return std::string(where) + ":" + std::to_string(lineIndex + 1);
}

std::string iniValueLine(std::string_view key, std::int64_t value) {
    return std::string(key) + "=" + std::to_string(value) + "\r\n";
}

}  // namespace

GroupSource parseGroupSource(std::string_view utf8Text, std::string groupNameCp1251,
                             const std::map<std::string, std::uint32_t>& iconFamilies, std::string_view where) {
    GroupSource group;
    group.name = std::move(groupNameCp1251);
    std::set<std::string> seen;  // section keys: INI sections match without regard to case or blanks
    bool headerOpen = false;     // right after "# Name", where "icon:" may follow
    std::size_t kept = 0;        // the game's lines up to its last one that is not a droppable blank

    const auto finishGame = [&] {
        if (!group.games.empty()) group.games.back().lines.resize(kept);
    };

    const auto lines = sourceLines(utf8Text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.starts_with('#')) {
            finishGame();
            std::string name = trimBlanks(line.substr(1));
            if (name.empty()) throw PackError(at(where, i) + ": a game needs a name after \"#\"");
            name = toCatalogueText(name, at(where, i));
            if (!seen.insert(IniProfile::sectionKey(name)).second)
                throw PackError(at(where, i) + ": the game \"" + trimBlanks(line.substr(1)) + "\" is listed twice in this group");
            group.games.push_back(GameSource{std::move(name), 0, {}});
            headerOpen = true;
            kept = 0;
            continue;
        }
        if (group.games.empty()) {
            if (trimBlanks(line).empty()) continue;
            throw PackError(at(where, i) + ": text before the first game (\"# Name\" starts a game)");
        }
        if (headerOpen && line.starts_with("icon:")) {
            const std::string family = lowerAscii(trimBlanks(line.substr(5)));
            if (const auto found = iconFamilies.find(family); found != iconFamilies.end())
                group.games.back().icon = static_cast<std::int32_t>(found->second);
            else if (const auto index = parseInteger(family))
                group.games.back().icon = *index;
            else
                throw PackError(at(where, i) + ": no icon \"" + family + "\" in the platform's icons folder");
            continue;
        }
        headerOpen = false;
        const bool escaped = line.starts_with('\\');
        if (escaped) line.remove_prefix(1);
        auto& codes = group.games.back().lines;
        const bool blank = !escaped && trimBlanks(line).empty();
        if (codes.empty() && blank) continue;  // blank lines right after the header
        codes.push_back(toCodeLineText(line, at(where, i)));
        if (!blank) kept = codes.size();
    }
    finishGame();
    return group;
}

std::string groupSourceText(const GroupSource& group, const std::function<std::string(std::int32_t)>& iconName) {
    std::string text;
    for (const GameSource& game : group.games) {
        if (!text.empty()) text += '\n';
        text += "# " + source::sourceText(game.name) + "\n";
        if (game.icon != 0) text += "icon: " + iconName(game.icon) + "\n";
        // Blank lines before the first and after the last other line are
        // escaped, or they would be dropped.
        const auto isBlank = [](const std::string& line) { return trimBlanks(line).empty(); };
        const auto first = std::find_if_not(game.lines.begin(), game.lines.end(), isBlank) - game.lines.begin();
        const auto last = game.lines.rend() - std::find_if_not(game.lines.rbegin(), game.lines.rend(), isBlank);
        for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(game.lines.size()); ++i) {
            const std::string& line = game.lines[static_cast<std::size_t>(i)];
            const bool escape = line.starts_with('#') || line.starts_with('\\') || line.starts_with("icon:") ||
                                (isBlank(line) && (i < first || i >= last));
            if (escape) text += '\\';
            text += source::codeLineSource(line) + "\n";
        }
    }
    return text;
}

std::vector<std::pair<std::uint32_t, std::string>> parseStringList(std::string_view utf8Text, std::string_view where) {
    std::vector<std::pair<std::uint32_t, std::string>> out;
    std::set<std::uint32_t> seen;
    const auto lines = sourceLines(utf8Text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (trimBlanks(line).empty()) continue;
        const auto tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0)
            throw PackError(at(where, i) + ": expected \"ID<TAB>text\"");
        std::uint64_t id = 0;
        for (char c : line.substr(0, tab)) {
            if (c < '0' || c > '9') throw PackError(at(where, i) + ": the ID must be a decimal number");
            id = id * 10 + static_cast<unsigned>(c - '0');
            if (id > 65535) throw PackError(at(where, i) + ": string IDs go from 0 to 65535");
        }
        if (!seen.insert(static_cast<std::uint32_t>(id)).second)
            throw PackError(at(where, i) + ": string " + std::to_string(id) + " is given twice");
        out.emplace_back(static_cast<std::uint32_t>(id), toCodeLineText(line.substr(tab + 1), at(where, i)));
    }
    return out;
}

std::string stringListText(const std::vector<std::pair<std::uint32_t, std::string>>& strings) {
    std::string text;
    for (const auto& [id, line] : strings) text += std::to_string(id) + "\t" + source::codeLineSource(line) + "\n";
    return text;
}

namespace {

std::vector<std::string> catalogueLines(const std::filesystem::path& file) {
    const std::string text = source::readSourceFile(file);
    const auto lines = sourceLines(text);
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) out.push_back(toCatalogueText(lines[i], at(utf8Path(file), i)));
    return out;
}

}  // namespace

RawGroupSource readRawGroupSource(const fs::path& folder, std::string groupNameCp1251) {
    RawGroupSource group;
    group.name = std::move(groupNameCp1251);
    const fs::path list = folder / source::kRawList;
    if (!fs::is_regular_file(list)) throw PackError(utf8Path(folder) + ": a kept group needs its " + std::string(source::kRawList));
    group.list = catalogueLines(list);
    if (const fs::path entries = folder / source::kRawEntries; fs::is_regular_file(entries))
        group.entries = catalogueLines(entries);
    if (const fs::path strings = folder / source::kRawStrings; fs::is_regular_file(strings))
        group.strings = parseStringList(source::readSourceFile(strings), utf8Path(strings));
    return group;
}

void writeRawGroupSource(const fs::path& folder, const RawGroupSource& group) {
    source::writeSourceFile(folder / source::kRawList, source::sourceFileText(group.list));
    if (group.entries)
        source::writeSourceFile(folder / source::kRawEntries, source::sourceFileText(*group.entries));
    if (group.strings) source::writeSourceFile(folder / source::kRawStrings, stringListText(*group.strings));
}

void writeRawGroup(const fs::path& platformDir, const RawGroupSource& group) {
    const std::string stem = cp1251::toUtf8(group.name);
    source::writeSourceFile(platformDir / names::groupList(stem), source::joinLines(group.list, "\r\n"));
    if (group.entries) source::writeSourceFile(platformDir / names::groupIni(stem), source::joinLines(*group.entries, "\r\n"));
    if (group.strings) {
        PeResourceWriter module;
        for (const auto& [id, text] : *group.strings) module.addString(id, text);
        writeFileBytes(platformDir / names::groupModule(stem), module.build());
    }
}

std::vector<std::uint8_t> readFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw PackError("cannot read " + utf8Path(path));
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    const fs::path temp = path.string() + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) throw PackError("cannot write " + utf8Path(path));
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw PackError("cannot write " + utf8Path(path));
    }
}

std::uint32_t writeGroup(const fs::path& platformDir, const GroupSource& group, std::uint32_t firstId) {
    std::string dat;
    std::string ini;
    PeResourceWriter module;
    std::uint32_t nextId = firstId;
    for (const GameSource& game : group.games) {
        const std::uint64_t end = static_cast<std::uint64_t>(nextId) + game.lines.size();
        if (end > 65536)
            throw PackError("group " + cp1251::toUtf8(group.name) + ": more than 65536 code lines (string IDs are 16-bit)");
        dat += game.name;
        dat += "\r\n";
        ini += "[" + game.name + "]\r\n";
        ini += iniValueLine("begin", nextId);
        ini += iniValueLine("end", static_cast<std::int64_t>(end) - 1);
        ini += iniValueLine("icon", game.icon);
        ini += "\r\n";
        for (const std::string& line : game.lines) module.addString(nextId++, line);
    }
    const std::string stem = cp1251::toUtf8(group.name);
    source::writeSourceFile(platformDir / names::groupList(stem), dat);
    source::writeSourceFile(platformDir / names::groupIni(stem), ini);
    writeFileBytes(platformDir / names::groupModule(stem), module.build());
    return nextId;
}

void writePlatformMarker(const fs::path& platformDir) {
    source::writeSourceFile(platformDir / names::kPlatformMarker, "[base]\r\n");
}

void writeWalkthrough(const fs::path& dllPath, const WalkthroughSource& walkthrough) {
    PeResourceWriter module;
    module.addRcData(names::kWalkthroughName, std::vector<std::uint8_t>(walkthrough.displayName.begin(), walkthrough.displayName.end()));
    if (walkthrough.document) module.addRcData(names::kWalkthroughDocument, *walkthrough.document);
    for (const auto& [key, jpeg] : walkthrough.images) module.addRcData(std::string(names::kScreenshotPrefix) + key, jpeg);
    writeFileBytes(dllPath, module.build());
}

std::string nameResourceText(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
    // A line end at the very end adds no line: an empty last line needs one more.
    if (!lines.empty() && lines.back().empty()) text += "\r\n";
    return text;
}

std::vector<std::uint8_t> screenshotFromFile(const fs::path& path, int quality) {
    std::vector<std::uint8_t> bytes = readFileBytes(path);
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return bytes;
    QImage image;
    if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size())))
        throw PackError(utf8Path(path) + ": not an image");
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPG", quality))
        throw PackError(utf8Path(path) + ": JPEG encoding failed (is the Qt jpeg plugin installed?)");
    return std::vector<std::uint8_t>(jpeg.begin(), jpeg.end());
}

IconFamilies listIconFamilies(const fs::path& iconsDir) {
    IconFamilies families;
    std::error_code ec;
    if (!fs::is_directory(iconsDir, ec)) return families;
    families.folder = true;
    std::vector<std::pair<std::string, fs::path>> found;
    for (const auto& entry : fs::directory_iterator(iconsDir)) {
        if (!entry.is_regular_file()) continue;
        const std::string ext = lowerAscii(entry.path().extension().string());
        if (ext != ".png" && ext != ".ico" && ext != ".bmp") continue;
        found.emplace_back(lowerAscii(utf8Path(entry.path().stem())), entry.path());
    }
    std::sort(found.begin(), found.end());
    for (const auto& [family, file] : found) {
        if (families.index.contains(family))
            throw PackError(utf8Path(file) + ": a second icon for the family \"" + family + "\"");
        families.index.emplace(family, static_cast<std::uint32_t>(families.files.size()));
        families.files.push_back(file);
    }
    return families;
}

namespace {

std::vector<fs::path> sortedEntries(const fs::path& dir) {
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(dir)) entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

// A group's name from its file or folder name (its stem), in code page 1251.
std::string groupNameOf(const fs::path& entry) {
    const std::string stem = utf8Path(entry.stem());
    return toCatalogueText(stem, utf8Path(entry));
}

void buildPlatform(const fs::path& sourceDir, const fs::path& outDir, BuildSummary& summary) {
    const IconFamilies families = listIconFamilies(sourceDir / source::kIconsFolder);
    std::vector<GroupSource> groups;
    std::vector<RawGroupSource> rawGroups;
    std::set<std::string> seen;  // group files are found without regard to case
    bool notes = false;
    for (const fs::path& entry : sortedEntries(sourceDir)) {
        const std::string extension = lowerAscii(entry.extension().string());
        if (fs::is_regular_file(entry) && extension == source::kGroupExtension) {
            if (lowerAscii(utf8Path(entry.filename())) == source::kPlatformNotes) {
                notes = true;  // notes about the platform, not a group
                continue;
            }
            groups.push_back(parseGroupSource(source::readSourceFile(entry), groupNameOf(entry), families.index, utf8Path(entry)));
        } else if (fs::is_directory(entry) && extension == source::kRawGroupExtension) {
            rawGroups.push_back(readRawGroupSource(entry, groupNameOf(entry)));
        } else {
            continue;
        }
        if (!seen.insert(cp1251::upper(groupNameOf(entry))).second)
            throw PackError(utf8Path(entry) + ": a second group of this name in the platform");
    }
    if (groups.empty() && rawGroups.empty() && !notes)
        throw PackError(utf8Path(sourceDir) + ": a platform folder needs at least one group file (or a platform.txt)");

    fs::create_directories(outDir);
    writePlatformMarker(outDir);
    for (const GroupSource& group : groups) {
        writeGroup(outDir, group);
        summary.games += group.games.size();
        for (const GameSource& game : group.games) summary.codeLines += game.lines.size();
    }
    for (const RawGroupSource& group : rawGroups) {
        writeRawGroup(outDir, group);
        summary.games += group.list.size();
        if (group.strings) summary.codeLines += group.strings->size();
    }
    summary.groups += groups.size() + rawGroups.size();
    ++summary.platforms;
    if (families.folder) {
        std::vector<std::vector<std::uint8_t>> icons;
        for (const fs::path& file : families.files) icons.push_back(icoFromFile(file));
        writeFileBytes(outDir / names::kIconLibrary, writeNeIconLibrary(icons));
    }
}

WalkthroughSource readWalkthroughSource(const fs::path& dir) {
    WalkthroughSource walkthrough;
    const fs::path nameFile = dir / source::kWalkthroughNameFile;
    const std::string nameText = source::readSourceFile(nameFile);
    // Every line of the file is a line of "name1"; the list shows the first in its order.
    std::vector<std::string> lines;
    for (const std::string_view line : sourceLines(nameText)) lines.push_back(toCatalogueText(line, utf8Path(nameFile)));
    if (lines.empty()) throw PackError(utf8Path(nameFile) + ": the walkthrough needs a name");
    walkthrough.displayName = nameResourceText(lines);
    if (const fs::path document = dir / source::kWalkthroughDocumentFile; fs::exists(document))
        walkthrough.document = readFileBytes(document);
    for (const fs::path& file : sortedEntries(dir)) {
        const std::string stem = utf8Path(file.stem());
        if (!fs::is_regular_file(file) || lowerAscii(stem).rfind(names::kScreenshotPrefix, 0) != 0) continue;
        const bool stored = lowerAscii(file.extension().string()) == source::kStoredImageExtension;
        walkthrough.images.emplace_back(toCatalogueText(stem.substr(3), utf8Path(file)),
                                        stored ? readFileBytes(file) : screenshotFromFile(file));
    }
    return walkthrough;
}

}  // namespace

BuildSummary buildCatalogue(const fs::path& sourceDir, const fs::path& outDir) {
    std::error_code ec;
    if (!fs::is_directory(sourceDir, ec)) throw PackError(utf8Path(sourceDir) + ": no such source folder");
    BuildSummary summary;
    for (const fs::path& entry : sortedEntries(sourceDir)) {
        if (!fs::is_directory(entry)) continue;
        const std::string name = utf8Path(entry.filename());
        if (lowerAscii(name) == names::kWalkthroughFolder) {
            for (const fs::path& dir : sortedEntries(entry)) {
                if (!fs::is_directory(dir)) continue;
                writeWalkthrough(outDir / names::kWalkthroughFolder / (utf8Path(dir.filename()) + std::string(names::kModuleExtension)), readWalkthroughSource(dir));
                ++summary.walkthroughs;
            }
            continue;
        }
        if (name.starts_with('.')) continue;
        toCatalogueText(name, utf8Path(entry));  // platform names live in cp1251 lists too
        buildPlatform(entry, outDir / entry.filename(), summary);
    }
    return summary;
}

}  // namespace kodrix::pack

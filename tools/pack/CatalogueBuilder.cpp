#include "tools/pack/CatalogueBuilder.h"
#include "catalogue/CatalogueNames.h"

#include "catalogue/Cp1251.h"
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

namespace {

std::string trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Splits UTF-8 source text into lines at LF, dropping a CR before it and a
// byte-order mark at the start.
std::vector<std::string_view> sourceLines(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        if (lf == std::string_view::npos) break;
        text.remove_prefix(lf + 1);
    }
    return lines;
}

std::string at(std::string_view where, std::size_t lineIndex) {
    return std::string(where) + ":" + std::to_string(lineIndex + 1);
}

std::string iniValueLine(std::string_view key, std::int64_t value) {
    return std::string(key) + "=" + std::to_string(value) + "\r\n";
}

}  // namespace

std::string toCatalogueText(std::string_view utf8, std::string_view where) {
    std::string out = cp1251::fromUtf8(utf8);
    if (cp1251::toUtf8(out) != utf8)
        throw PackError(std::string(where) + ": text has characters outside code page 1251: " + std::string(utf8));
    return out;
}

GroupSource parseGroupSource(std::string_view utf8Text, std::string groupNameCp1251,
                             const std::map<std::string, std::uint32_t>& iconFamilies, std::string_view where) {
    GroupSource group;
    group.name = std::move(groupNameCp1251);
    std::set<std::string> seen;  // upper-cased names: INI sections match without regard to case
    bool headerOpen = false;     // right after "# Name", where "icon:" may follow

    const auto finishGame = [&] {
        if (group.games.empty()) return;
        auto& lines = group.games.back().lines;
        while (!lines.empty() && trim(lines.back()).empty()) lines.pop_back();
    };

    const auto lines = sourceLines(utf8Text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.starts_with('#')) {
            finishGame();
            std::string name = trim(line.substr(1));
            if (name.empty()) throw PackError(at(where, i) + ": a game needs a name after \"#\"");
            name = toCatalogueText(name, at(where, i));
            if (!seen.insert(cp1251::upper(name)).second)
                throw PackError(at(where, i) + ": the game \"" + trim(line.substr(1)) + "\" is listed twice in this group");
            group.games.push_back(GameSource{std::move(name), 0, {}});
            headerOpen = true;
            continue;
        }
        if (group.games.empty()) {
            if (trim(line).empty()) continue;
            throw PackError(at(where, i) + ": text before the first game (\"# Name\" starts a game)");
        }
        if (headerOpen && line.starts_with("icon:")) {
            const std::string family = lowerAscii(trim(line.substr(5)));
            const auto found = iconFamilies.find(family);
            if (found == iconFamilies.end())
                throw PackError(at(where, i) + ": no icon \"" + family + "\" in the platform's icons folder");
            group.games.back().icon = found->second;
            continue;
        }
        headerOpen = false;
        if (line.starts_with('\\')) line.remove_prefix(1);
        auto& codes = group.games.back().lines;
        if (codes.empty() && trim(line).empty()) continue;  // blank lines right after the header
        codes.push_back(toCatalogueText(line, at(where, i)));
    }
    finishGame();
    return group;
}

std::vector<std::pair<std::uint32_t, std::string>> parseStringList(std::string_view utf8Text, std::string_view where) {
    std::vector<std::pair<std::uint32_t, std::string>> out;
    std::set<std::uint32_t> seen;
    const auto lines = sourceLines(utf8Text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (trim(line).empty()) continue;
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
        out.emplace_back(static_cast<std::uint32_t>(id), toCatalogueText(line.substr(tab + 1), at(where, i)));
    }
    return out;
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

static void writeText(const fs::path& path, const std::string& text) {
    writeFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
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
    writeText(platformDir / names::groupList(stem), dat);
    writeText(platformDir / names::groupIni(stem), ini);
    writeFileBytes(platformDir / names::groupModule(stem), module.build());
    return nextId;
}

void writePlatformMarker(const fs::path& platformDir) {
    writeText(platformDir / names::kPlatformMarker, "[base]\r\n");
}

void writeWalkthrough(const fs::path& dllPath, const WalkthroughSource& walkthrough) {
    PeResourceWriter module;
    module.addRcData(names::kWalkthroughName, std::vector<std::uint8_t>(walkthrough.displayName.begin(), walkthrough.displayName.end()));
    module.addRcData(names::kWalkthroughDocument, walkthrough.document);
    for (const auto& [key, jpeg] : walkthrough.images) module.addRcData(std::string(names::kScreenshotPrefix) + key, jpeg);
    writeFileBytes(dllPath, module.build());
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

void buildPlatform(const fs::path& sourceDir, const fs::path& outDir, BuildSummary& summary) {
    const IconFamilies families = listIconFamilies(sourceDir / "icons");
    std::vector<GroupSource> groups;
    for (const fs::path& file : sortedEntries(sourceDir)) {
        if (!fs::is_regular_file(file) || lowerAscii(file.extension().string()) != ".txt") continue;
        const std::string stem = utf8Path(file.stem());
        if (lowerAscii(stem) == "platform") continue;  // notes about the platform, not a group
        const std::vector<std::uint8_t> bytes = readFileBytes(file);
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        groups.push_back(parseGroupSource(text, toCatalogueText(stem, utf8Path(file)), families.index, utf8Path(file)));
    }
    if (groups.empty()) throw PackError(utf8Path(sourceDir) + ": a platform folder needs at least one group file");

    fs::create_directories(outDir);
    writePlatformMarker(outDir);
    for (const GroupSource& group : groups) {
        writeGroup(outDir, group);
        summary.games += group.games.size();
        for (const GameSource& game : group.games) summary.codeLines += game.lines.size();
    }
    summary.groups += groups.size();
    ++summary.platforms;
    if (!families.files.empty()) {
        std::vector<std::vector<std::uint8_t>> icons;
        for (const fs::path& file : families.files) icons.push_back(icoFromFile(file));
        writeFileBytes(outDir / names::kIconLibrary, writeNeIconLibrary(icons));
    }
}

WalkthroughSource readWalkthroughSource(const fs::path& dir) {
    WalkthroughSource source;
    const std::vector<std::uint8_t> name = readFileBytes(dir / "name.txt");
    std::string_view nameText(reinterpret_cast<const char*>(name.data()), name.size());
    const auto lines = sourceLines(nameText);
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) joined += (i ? "\r\n" : "") + std::string(lines[i]);
    if (trim(joined).empty()) throw PackError(utf8Path(dir / "name.txt") + ": the walkthrough needs a name");
    source.displayName = toCatalogueText(joined, utf8Path(dir / "name.txt"));
    source.document = readFileBytes(dir / "document.rtf");
    for (const fs::path& file : sortedEntries(dir)) {
        const std::string stem = utf8Path(file.stem());
        if (!fs::is_regular_file(file) || lowerAscii(stem).rfind(names::kScreenshotPrefix, 0) != 0) continue;
        source.images.emplace_back(toCatalogueText(stem.substr(3), utf8Path(file)), screenshotFromFile(file));
    }
    return source;
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

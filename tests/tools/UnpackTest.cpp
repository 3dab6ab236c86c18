// kodrix-pack unpack: a catalogue unpacked and built again reads the same
// through every kodrix-cli verb, and unpacking that gives the same sources.
#include "catalogue/CatalogueFs.h"
#include "catalogue/CatalogueNames.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "catalogue/IconLibrary.h"
#include "catalogue/ResourceModule.h"
#include "catalogue/TextList.h"
#include "support/Hostile.h"
#include "support/TempDir.h"
#include "tools/cli/Cli.h"
#include "tools/pack/CatalogueBuilder.h"
#include "tools/pack/Generator.h"
#include "tools/pack/IcoWriter.h"
#include "tools/pack/NeWriter.h"
#include "tools/pack/PeWriter.h"
#include "tools/pack/Unpacker.h"

#include <QImage>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using namespace kodrix;
using namespace kodrix::pack;
using kodrix::test::TempDir;

namespace {

std::string cp(const std::string& utf8) { return cp1251::fromUtf8(utf8); }

std::string fileText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> outputLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// What every kodrix-cli verb reads from a catalogue, keyed by the command:
// exit code, output and errors (the catalogue's path left out), with the
// icons' pixels and the screenshots' bytes.
class Readings {
public:
    explicit Readings(const fs::path& catalogue) : catalogue_(catalogue) {}

    std::map<std::string, std::string> all() {
        read({"platforms"});
        read({"stats"});
        read({"grep", ""});
        read({"grep", "ВСЕ"});
        for (const std::string& platform : outputLines(read({"platforms"}))) readPlatform(platform);
        std::set<std::string> keys = screenshotKeys();
        for (const std::string& name : outputLines(read({"walkthroughs"}))) {
            read({"walkthrough", name});
            for (const std::string& key : keys) {
                const fs::path jpg = scratch_.path() / "shot.jpg";
                fs::remove(jpg);
                readings_["screenshot " + name + " " + key] = run({"screenshot", name, key, jpg.string()}).first + fileText(jpg);
            }
        }
        return readings_;
    }

private:
    // Runs a verb: its reading, and its output.
    std::pair<std::string, std::string> run(const std::vector<std::string>& args) {
        std::vector<std::string> full{"--catalogue", catalogue_.string()};
        full.insert(full.end(), args.begin(), args.end());
        std::ostringstream out, err;
        const int code = cli::runCli(full, out, err);
        std::string text = std::to_string(code) + "\n" + out.str() + "--\n" + err.str();
        for (std::size_t at; (at = text.find(catalogue_.string())) != std::string::npos;)
            text.replace(at, catalogue_.string().size(), "<catalogue>");
        return {text, out.str()};
    }
    // Runs a verb, keeps its reading, and gives its output.
    std::string read(const std::vector<std::string>& args) {
        std::string key;
        for (const std::string& a : args) key += a + " ";
        auto [reading, out] = run(args);
        readings_[key] = std::move(reading);
        return out;
    }

    void readPlatform(const std::string& platform) {
        read({"count", platform});
        read({"search", platform, ""});
        read({"search", platform, "e"});
        read({"grep", "a", "--platform", platform});
        const fs::path dir = platformDir(catalogue_, cp(platform));
        const unsigned icons = iconGroupCount(platformFile(dir, names::kIconLibrary));
        for (unsigned i = 0; i <= icons + 1; ++i) {
            const fs::path png = scratch_.path() / "icon.png";
            fs::remove(png);
            std::string reading = run({"icon", platform, std::to_string(i), png.string()}).first;
            const QImage image = QImage(QString::fromStdString(png.string())).convertToFormat(QImage::Format_ARGB32);
            reading.append(reinterpret_cast<const char*>(image.constBits()), static_cast<std::size_t>(image.sizeInBytes()));
            readings_["icon " + platform + " " + std::to_string(i)] = reading;
        }
        for (const std::string& group : outputLines(read({"groups", platform}))) {
            read({"games", platform, group});
            // Every name of the list, as it stands there (blank and repeated ones included).
            std::set<std::string> names;
            for (const std::string& name : loadTextList(platformFile(dir, names::groupList(group))))
                names.insert(cp1251::toUtf8(name));
            for (const std::string& name : names) read({"codes", platform, group, name});
        }
    }

    std::set<std::string> screenshotKeys() const {
        std::set<std::string> keys;
        const auto sol = findEntry(catalogue_, names::kWalkthroughFolder, EntryKind::Directory);
        if (!sol) return keys;
        for (const auto& entry : fs::directory_iterator(*sol)) {
            const auto module = ResourceModule::open(entry.path());
            if (!module) continue;
            for (const ResourceId& id : module->names(ResourceId::id(RT_RCDATA)))
                if (!id.isId() && upperResourceName(id.nameValue()).starts_with(u"IMG"))
                    keys.insert(cp1251::toUtf8(cp1251::fromUtf16(id.nameValue().substr(3))));
        }
        return keys;
    }

    fs::path catalogue_;
    TempDir scratch_;
    std::map<std::string, std::string> readings_;
};

// Every file of a tree with its bytes, and every folder.
std::map<std::string, std::string> treeOf(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        files[fs::relative(entry.path(), root).string()] = entry.is_directory() ? "<folder>" : fileText(entry.path());
    return files;
}

struct RoundTrip {
    UnpackSummary first;
    std::map<std::string, std::string> sources;  // the unpacked tree
};

// Unpacks the catalogue, builds the sources, unpacks that: the two
// catalogues read alike, the two source trees are the same.
RoundTrip roundTrip(const fs::path& catalogue, const std::string& label) {
    TempDir work;
    const fs::path sources = work.path() / "src", rebuilt = work.path() / "rebuilt", again = work.path() / "again";
    RoundTrip r;
    r.first = unpackCatalogue(catalogue, sources);
    buildCatalogue(sources, rebuilt);
    const UnpackSummary second = unpackCatalogue(rebuilt, again);
    EXPECT_EQ(second.problems, r.first.problems) << label;

    const auto before = Readings(catalogue).all();
    const auto after = Readings(rebuilt).all();
    EXPECT_EQ(before.size(), after.size()) << label;
    for (const auto& [command, reading] : before) {
        const auto found = after.find(command);
        if (found == after.end()) {
            ADD_FAILURE() << label << ": no reading of " << command << " after the round trip";
            continue;
        }
        EXPECT_EQ(found->second, reading) << label << ": " << command;
    }
    r.sources = treeOf(sources);
    EXPECT_EQ(treeOf(again), r.sources) << label;
    return r;
}

std::string bytesOf(const std::vector<std::uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A hand-made letter group: its list and INI as given (cp1251), and a module
// holding the strings (none when strings is nullopt).
void writeGroup(const TempDir& dir, const std::string& platform, const std::string& group, const std::string& dat,
                const std::optional<std::string>& ini,
                const std::optional<std::vector<std::pair<std::uint32_t, std::string>>>& strings) {
    dir.write(platform + "/base.ini", "");
    dir.write(platform + "/" + group + ".dat", dat);
    if (ini) dir.write(platform + "/" + group + ".ini", *ini);
    if (strings) {
        PeResourceWriter module;
        for (const auto& [id, text] : *strings) module.addString(id, text);
        dir.write(platform + "/" + group + ".dll", bytesOf(module.build()));
    }
}

std::string entry(const std::string& name, const std::string& begin, const std::string& end, const std::string& icon = "0") {
    return "[" + name + "]\r\nbegin=" + begin + "\r\nend=" + end + "\r\nicon=" + icon + "\r\n";
}

void writeIcons(const TempDir& dir, const std::string& platform, int n) {
    std::vector<std::vector<std::uint8_t>> icos;
    for (int i = 0; i < n; ++i) {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(QColor::fromHsv(i * 90, 200, 220, 128 + i * 40));  // semi-transparent
        icos.push_back(icoFromImage(image));
    }
    dir.write(platform + "/kodrix32.icl", bytesOf(writeNeIconLibrary(icos)));
}

void writeWalkthroughModule(const TempDir& dir, const std::string& file, const std::string& name1,
                            const std::optional<std::string>& document,
                            const std::vector<std::pair<std::string, std::string>>& images) {
    PeResourceWriter module;
    module.addRcData("name1", std::vector<std::uint8_t>(name1.begin(), name1.end()));
    if (document) module.addRcData("File1", std::vector<std::uint8_t>(document->begin(), document->end()));
    for (const auto& [key, bytes] : images) module.addRcData("img" + key, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    dir.write("sol/" + file, bytesOf(module.build()));
}

}  // namespace

TEST(Unpack, DemoCatalogueReadsTheSameAfterTheRoundTrip) {
    TempDir demo;
    buildCatalogue(fs::path(KODRIX_SOURCE_DIR) / "demo" / "catalogue", demo.path());
    const RoundTrip r = roundTrip(demo.path(), "demo");
    EXPECT_TRUE(r.first.problems.empty());
    EXPECT_EQ(r.first.platforms, 4u);
    EXPECT_EQ(r.first.walkthroughs, 5u);
    EXPECT_EQ(r.first.keptGroups, 0u);  // the demo says everything in the friendly form
}

TEST(Unpack, GeneratedCatalogueReadsTheSameAfterTheRoundTrip) {
    GeneratorOptions o;
    o.seed = 3;
    o.platforms = 3;
    o.games = 300;
    o.bigPlatformGames = 150;
    o.groups = 37;
    o.codes = 5;
    o.walkthroughs = 2;
    o.rtfKb = 2;
    TempDir generated;
    generateCatalogue(generated.path(), o);
    const RoundTrip r = roundTrip(generated.path(), "generated");
    EXPECT_TRUE(r.first.problems.empty());
    EXPECT_EQ(r.first.games, 300u);
    EXPECT_EQ(r.first.keptGroups, 0u);
}

// Each catalogue holds one thing the friendly form cannot say as it stands,
// or says only with an escape; the round trip keeps it, and the sources show
// which form it took.
TEST(Unpack, OddCataloguesReadTheSameAfterTheRoundTrip) {
    using Strings = std::vector<std::pair<std::uint32_t, std::string>>;
    struct Case {
        const char* feature;
        std::function<void(const TempDir&)> write;
        std::vector<std::string> sourceFiles;          // must be in the unpacked tree
        std::vector<std::pair<std::string, std::string>> sourceText = {};  // file, text it holds
    };
    const Case cases[] = {
        {"strings no game's range names",
         [](const TempDir& d) { writeGroup(d, "P", "A", "Game\r\n", entry("Game", "1", "2"), Strings{{1, "one"}, {2, "two"}, {9, "stray"}}); },
         {"P/A.raw/list.txt", "P/A.raw/entries.txt", "P/A.raw/strings.txt"}},
        {"missing IDs, blank lines at a text's edges",
         [](const TempDir& d) { writeGroup(d, "P", "A", "Game\r\n", entry("Game", "1", "6"), Strings{{1, " "}, {3, "mid"}, {6, "\t"}}); },
         {"P/A.txt"},
         {{"P/A.txt", "# Game\n\\ \n\\\nmid\n\\\n\\\n\\\t\n"}}},
        {"overlapping and backwards ranges",
         [](const TempDir& d) {
             writeGroup(d, "P", "A", "One\r\nTwo\r\nNone\r\n",
                        entry("One", "1", "3") + entry("Two", "2", "4") + entry("None", "4", "3"),
                        Strings{{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}});
         },
         {"P/A.txt"}},
        {"IDs past 65535 wrap",
         [](const TempDir& d) {
             writeGroup(d, "P", "A", "Wrap\r\n", entry("Wrap", "65534", "65537"),
                        Strings{{65534, "x"}, {65535, "y"}, {0, "z"}, {1, "w"}});
         },
         {"P/A.txt"}},
        {"a range past the window's line cap, and one past the friendly form's",
         [](const TempDir& d) {
             writeGroup(d, "P", "A", "Long\r\n", entry("Long", "1", "9000"), Strings{{1, "a"}, {9000, "z"}});
             writeGroup(d, "P", "B", "Huge\r\n", entry("Huge", "-5", "70000"), Strings{{0, "z"}, {1, "w"}});
         },
         {"P/A.txt", "P/B.raw/list.txt"}},
        {"strings over 254 bytes",
         [](const TempDir& d) { writeGroup(d, "P", "A", "Game\r\n", entry("Game", "1", "1"), Strings{{1, std::string(300, 'x')}}); },
         {"P/A.raw/strings.txt"}},
        {"icons outside the library, values written otherwise",
         [](const TempDir& d) {
             writeGroup(d, "P", "A", "In\r\nOut\r\nBelow\r\n",
                        entry("In", "$1", "x1", "1") + entry("Out", "2", "2", "70000") + entry("Below", "3", "2", "-1"),
                        Strings{{1, "a"}, {2, "b"}});
             writeIcons(d, "P", 2);
         },
         {"P/A.txt", "P/icons/00.png", "P/icons/01.png"},
         {{"P/A.txt", "# In\nicon: 01\na\n\n# Out\nicon: 70000\nb\n\n# Below\nicon: -1\n"}}},
        {"names in the list without an INI section",
         [](const TempDir& d) { writeGroup(d, "P", "A", "Game\r\nLost\r\n", entry("Game", "1", "1"), Strings{{1, "a"}}); },
         {"P/A.raw/list.txt"}},
        {"INI values that are not integers",
         [](const TempDir& d) { writeGroup(d, "P", "A", "Game\r\n", entry("Game", "1", "1", "zz"), Strings{{1, "a"}}); },
         {"P/A.raw/entries.txt"}},
        {"duplicate names",
         [](const TempDir& d) { writeGroup(d, "P", "A", "Game\r\nGame\r\nGAME\r\n", entry("Game", "1", "1"), Strings{{1, "a"}}); },
         {"P/A.raw/list.txt"}},
        {"blank lines in a list",
         [](const TempDir& d) { writeGroup(d, "P", "A", "Game\r\n\r\nOther\r\n\n\r", entry("Game", "1", "1") + entry("Other", "1", "1"), Strings{{1, "a"}}); },
         {"P/A.raw/list.txt"}},
        {"names with blanks around them",
         [](const TempDir& d) { writeGroup(d, "P", "A", " Game\r\n", entry("Game", "1", "1"), Strings{{1, "a"}}); },
         {"P/A.raw/list.txt"}},
        {"keys and sections beside the games'",
         [](const TempDir& d) {
             writeGroup(d, "P", "A", "Game\r\n", entry("Game", "1", "1") + "author=Me\r\n[Gone]\r\nbegin=1\r\n", Strings{{1, "a"}});
         },
         {"P/A.raw/entries.txt"}},
        {"code lines that need escapes, line breaks in strings, the undefined byte in names",
         [](const TempDir& d) {
             writeGroup(d, "P", "A", "Game\x98\r\n#Hash\r\n", entry("Game\x98", "1", "5") + entry("#Hash", "6", "6"),
                        Strings{{1, "# not a game"}, {2, "\\back"}, {3, "icon: text"}, {4, "two\r\nlines"}, {5, cp("ёЁ")}, {6, "h"}});
         },
         {"P/A.txt"},
         {{"P/A.txt", "# Game\xEF\xBF\xBD\n\\# not a game\n\\\\back\n\\icon: text\ntwo\xE2\x90\x8D\xE2\x90\x8Alines\nёЁ\n\n# #Hash\nh\n"}}},
        {"groups without their INI or module, a group named platform",
         [](const TempDir& d) {
             writeGroup(d, "P", "A", "Game\r\n", std::nullopt, std::nullopt);
             writeGroup(d, "P", "B", "Game\r\n", entry("Game", "1", "1"), std::nullopt);
             writeGroup(d, "P", "platform", "Game\r\n", entry("Game", "1", "1"), Strings{{1, "a"}});
         },
         {"P/A.raw/list.txt", "P/B.raw/entries.txt", "P/platform.raw/strings.txt"}},
        {"a platform without groups, an icon library without icons",
         [](const TempDir& d) {
             d.write("Empty/base.ini", "");
             writeGroup(d, "P", "A", "Game\r\n", entry("Game", "1", "0", "3"), Strings{});
             d.write("P/kodrix32.icl", bytesOf(writeNeIconLibrary({})));
         },
         {"Empty/platform.txt", "P/A.txt", "P/icons"}},
        {"walkthroughs: several name lines, no document, a screenshot that is no JPEG",
         [](const TempDir& d) {
             d.write("P/base.ini", "");
             writeWalkthroughModule(d, "many.dll", "Zeta\r\nAlpha", std::nullopt, {{"1", "\x89PNG not a jpeg"}, {"Big", "\xFF\xD8\xFF rest"}});
             writeWalkthroughModule(d, "Blank.DLL", "\r\n", "{\\rtf1 \\'e0}", {});
             writeWalkthroughModule(d, "two.dll", "Two\r\nLines\r\n", "plain", {});
         },
         {"sol/many/name.txt", "sol/many/img1.bin", "sol/many/imgBIG.jpg", "sol/Blank/document.rtf", "P/platform.txt"},
         {{"sol/many/name.txt", "Zeta\nAlpha\n"}, {"sol/Blank/name.txt", "\n"}, {"sol/two/name.txt", "Two\nLines\n"}}},
    };
    for (const Case& c : cases) {
        TempDir catalogue;
        c.write(catalogue);
        const RoundTrip r = roundTrip(catalogue.path(), c.feature);
        EXPECT_TRUE(r.first.problems.empty()) << c.feature << ": " << testing::PrintToString(r.first.problems);
        for (const std::string& file : c.sourceFiles) EXPECT_TRUE(r.sources.contains(file)) << c.feature << ": " << file;
        for (const auto& [file, text] : c.sourceText) {
            const auto found = r.sources.find(file);
            ASSERT_NE(found, r.sources.end()) << c.feature << ": " << file;
            EXPECT_EQ(found->second, text) << c.feature << ": " << file;
        }
    }
}

TEST(Unpack, DamageIsNamedAfterTheRestIsUnpacked) {
    TempDir catalogue, work;
    writeGroup(catalogue, "P", "A", "Good\r\n", entry("Good", "1", "1"), std::vector<std::pair<std::uint32_t, std::string>>{{1, "fine"}});
    writeGroup(catalogue, "P", "B", "Bad\r\n", entry("Bad", "1", "1"), std::nullopt);
    catalogue.write("P/B.dll", "MZ but nothing more");
    catalogue.write("P/kodrix32.icl", "MZ not an icon library at all, not even close to one");
    writeWalkthroughModule(catalogue, "good.dll", "Good", "{\\rtf1 ok}", {});
    catalogue.write("sol/junk.dll", "not a module");
    writeWalkthroughModule(catalogue, "nameless.dll", "", "{\\rtf1 ok}", {});
    writeGroup(catalogue, "Q", "C", "Game\r\n", std::nullopt, std::nullopt);
    const bool unreadable = test::makeUnreadableFile(catalogue.path() / "Q" / "C.ini", "[Game]\r\n");

    const fs::path sources = work.path() / "src";
    const std::string command = std::string("'") + KODRIX_BIN_DIR + "/kodrix-pack' unpack '" + catalogue.path().string() +
                                "' '" + sources.string() + "' 2>&1 >/dev/null";
    std::string errors;
    int status = -1;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[512];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) errors.append(buf, n);
        status = ::pclose(p);
    }
    EXPECT_NE(status, 0);
    const std::string p = (catalogue.path() / "P").string(), sol = (catalogue.path() / "sol").string();
    for (const std::string& expected :
         {p + "/B.dll: not a resource module", p + "/kodrix32.icl: not a readable icon library",
          sol + "/junk.dll: not a resource module", sol + "/nameless.dll: no display name"})
        EXPECT_NE(errors.find(expected), std::string::npos) << expected << "\n" << errors;
    if (unreadable) {
        EXPECT_NE(errors.find("Cannot open file \"" + (catalogue.path() / "Q" / "C.ini").string()), std::string::npos) << errors;
    }

    // Everything else is there: the good group and walkthrough, the damaged
    // group with what could be read of it.
    EXPECT_EQ(fileText(sources / "P" / "A.txt"), "# Good\nfine\n");
    EXPECT_EQ(fileText(sources / "P" / "B.raw" / "list.txt"), "Bad\n");
    EXPECT_FALSE(fs::exists(sources / "P" / "B.raw" / "strings.txt"));
    EXPECT_TRUE(fs::is_directory(sources / "P" / "icons"));
    EXPECT_EQ(fileText(sources / "sol" / "good" / "document.rtf"), "{\\rtf1 ok}");
    EXPECT_FALSE(fs::exists(sources / "sol" / "junk"));
    EXPECT_EQ(fileText(sources / "Q" / "C.raw" / "list.txt"), "Game\n");
}

TEST(Unpack, RefusesASourceFolderThatHoldsFiles) {
    TempDir catalogue, sources;
    sources.write("old.txt", "x");
    EXPECT_THROW(unpackCatalogue(catalogue.path(), sources.path()), PackError);
}

// A catalogue whose every file is damaged in a way of its own, driven through
// the code page and through every verb of kodrix-cli: every failure is one of
// the program's reports, nothing waits for ever (a watchdog fails the test),
// memory stays bounded, and nothing in the catalogue is written.
#include "app/Unit1.h"
#include "browser/CodePage.h"
#include "catalogue/GameEntry.h"
#include "platform/SortedViews.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/richedit/RichEditView.h"
#include "support/CatalogueFixture.h"
#include "support/Hostile.h"
#include "tools/pack/PeWriter.h"
#include "ui/ErrorReport.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace kodrix;
using namespace std::chrono_literals;
using kodrix::pack::GameSource;

namespace {

namespace fs = std::filesystem;

// What stays the same when a file is only read.
struct EntryState {
    unsigned mode;
    std::uint64_t size;
    std::int64_t modifiedNs;
    bool operator==(const EntryState&) const = default;
};

std::map<std::string, EntryState> snapshot(const fs::path& root) {
    std::map<std::string, EntryState> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0) continue;
        out[it->path().string()] = {st.st_mode, static_cast<std::uint64_t>(st.st_size),
                                    st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec};
    }
    return out;
}

long peakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// The program's own reports; the window adds the general report's full stop.
bool isProgramsReport(const QString& text, bool window) {
    static const char* const patterns[] = {
        "^Не найден файл .+$",
        "^Не найдено ни одной базы$",
        "^Ошибка при использовании динамической библиотеки\\. Возможно библиотека отсутствует или испорчена\\.$",
        "^Cannot open file \".+\"\\. [A-Z][^\"]+$",
        "^'.*' is not a valid integer value$",
        "^List index out of bounds \\(-?\\d+\\)$",
    };
    QString t = text;
    if (window && t.endsWith('.') && !t.startsWith(QString::fromUtf8("Ошибка при"))) t.chop(1);
    for (const char* p : patterns)
        if (QRegularExpression(QString::fromUtf8(p)).match(t).hasMatch()) return true;
    return false;
}

std::vector<std::uint8_t> moduleBytes() {
    pack::PeResourceWriter w;
    w.addString(1, "one");
    w.addString(2, "two");
    return w.build();
}

class HostileCatalogue : public testing::Test {
protected:
    test::CatalogueFixture cat;
    test::TempDir outside;  // where the terminal tool writes its pictures
    std::vector<std::string> unreadableNote;

    void good(const std::string& platform, const std::string& letter, const std::string& game) {
        cat.group(platform, letter, {{game, 0, {"one", "two"}}});
    }
    void write(const std::string& rel, const std::vector<std::uint8_t>& bytes) {
        cat.file(rel, std::string(bytes.begin(), bytes.end()));
    }
    fs::path path(const std::string& rel) const { return cat.dir.path() / rel; }

    void SetUp() override {
        std::mt19937 random(8);
        auto junk = [&](std::size_t n) {
            std::vector<std::uint8_t> b(n);
            for (auto& x : b) x = static_cast<std::uint8_t>(random());
            b[0] = 'M';
            b[1] = 'Z';
            return b;
        };
        const auto module = moduleBytes();
        cat.platform("P");
        good("P", "a", "Alpha");  // beside a FIFO named A.ini
        ASSERT_TRUE(test::makeFifo(path("P/A.ini")));
        good("P", "b", "Beta");  // beside a folder named B.dll
        fs::create_directory(path("P/B.dll"));
        good("P", "c", "Cat");  // beside a link loop named C.ini
        fs::create_symlink("C.ini", path("P/C.ini"));
        good("P", "D", "Dull");  // a module cut short
        write("P/D.dll", std::vector<std::uint8_t>(module.begin(), module.begin() + 200));
        good("P", "E", "Echo");  // an empty module
        cat.file("P/E.dll", "");
        good("P", "F", "Fox");  // a module of random bytes
        write("P/F.dll", junk(4096));
        good("P", "G", "Gamma");  // an INI of a gigabyte, zero after its first lines
        fs::resize_file(path("P/G.ini"), 1ull << 30);
        good("P", "H", "Huge");  // a list of two gigabytes, zero after its first line
        fs::resize_file(path("P/H.dat"), 2ull << 30);
        good("P", "I", "Ice");  // an INI that cannot be read
        fs::remove(path("P/I.ini"));
        // Where root has no unreadable file, a folder of that name stands in.
        if (!test::makeUnreadableFile(path("P/I.ini"), "[Ice]\r\n")) fs::create_directory(path("P/I.ini"));
        good("P", "J", "Jumbo");  // every 32-bit string ID
        cat.file("P/J.ini", "[Jumbo]\r\nbegin=-2147483648\r\nend=2147483647\r\nicon=1\r\n");
        good("P", "k", "Kilo");  // beside a FIFO named K.dat
        ASSERT_TRUE(test::makeFifo(path("P/K.dat")));
        cat.file("P/L.dat", "");  // an empty list
        cat.icons("P", 2, "KODRIX32.ICL");  // beside a FIFO named kodrix32.icl
        ASSERT_TRUE(test::makeFifo(path("P/kodrix32.icl")));

        // Icon libraries cut short, of random bytes, empty, and a folder.
        for (const char* p : {"Q", "R", "S", "T"}) {
            cat.platform(p);
            good(p, "M", "Mike");
        }
        cat.icons("Q", 3);
        std::vector<std::uint8_t> library;
        {
            std::ifstream in(path("Q/kodrix32.icl"), std::ios::binary);
            library.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        library.resize(library.size() / 2);
        write("Q/kodrix32.icl", library);
        write("R/kodrix32.icl", junk(3000));
        cat.file("S/kodrix32.icl", "");
        fs::create_directory(path("T/kodrix32.icl"));

        // Names code page 1251 cannot write, and names differing in case only.
        cat.platform("游戏");
        good("游戏", "X", "Xeno");
        cat.platform("Sega");
        good("Sega", "M", "Moon");
        cat.platform("SEGA");
        good("SEGA", "Z", "Zero");
    }
};

}  // namespace

TEST_F(HostileCatalogue, TheCodePageReportsEveryDamageAndGoesOn) {
    const auto before = snapshot(cat.dir.path());
    const long peakBefore = peakRssKb();
    dialogs::DialogScript script;
    std::map<QString, QStringList> shown;  // game → the code text after its click
    {
        test::Watchdog watchdog(cat.dir.path(), 60s, 300s);
        TForm1 form(cat.dir.path());
        CodePage& page = *form.code;
        for (int p = 0; p < page.Base->list()->count(); ++p) {
            page.Base->selectIndex(p);
            guarded(&form, [&] { page.BaseChange(); });
            for (int l = 0; l < page.Codes->list()->count(); ++l) {
                page.Codes->selectIndex(l);
                guarded(&form, [&] { page.CodesChange(); });
                for (int g = 0; g < page.CodeView->list()->count() && g < 2; ++g) {
                    page.CodeView->setItemIndex(g);
                    page.textview->setLines({"before"});
                    guarded(&form, [&] { page.CodeViewClick(); });
                    shown[page.CodeView->list()->text(g)] = page.textview->lines();
                }
            }
            page.LigthFind->setText("A");
            guarded(&form, [&] { page.LigthFindChange(); });
        }
        EXPECT_FALSE(watchdog.hung());
        QStringList platforms;
        for (int p = 0; p < page.Base->list()->count(); ++p) platforms << page.Base->list()->text(p);
        EXPECT_EQ(platforms, (QStringList{"P", "Q", "R", "S", "SEGA", "T"}));
    }
    for (const auto& m : script.messages) EXPECT_TRUE(isProgramsReport(m.text, true)) << m.text.toStdString();

    const QStringList text{"one", "two"};
    for (const char* game : {"Alpha", "Beta", "Cat", "Gamma", "Huge", "Kilo", "Mike", "Zero"})
        EXPECT_EQ(shown[game], text) << game;
    for (const char* game : {"Dull", "Echo", "Fox"}) EXPECT_EQ(shown[game], QStringList{}) << game;
    // Cut at the cap, and saying so in its last line.
    ASSERT_EQ(shown["Jumbo"].size(), static_cast<qsizetype>(kMaxCodeTextLines) + 1);
    EXPECT_EQ(shown["Jumbo"].back(), QString::fromUtf8("… не показано строк: 4294959104"));
    EXPECT_EQ(shown["Ice"], QStringList{"before"});  // the INI's error stops the click before the text view

    EXPECT_LT(peakRssKb() - peakBefore, 400 * 1024) << "KB more at the peak";
    EXPECT_EQ(snapshot(cat.dir.path()), before);
}

TEST_F(HostileCatalogue, EveryVerbOfTheTerminalToolReportsAndEnds) {
    const auto before = snapshot(cat.dir.path());
    const std::string cli = std::string(KODRIX_BIN_DIR) + "/kodrix-cli";
    const std::string root = cat.dir.path().string();
    int pictures = 0;
    auto run = [&](std::vector<std::string> args) {
        const std::string what = [&] {
            std::string s;
            for (const auto& a : args) s += a + ' ';
            return s;
        }();
        args.insert(args.begin(), {cli, "--catalogue", root});
        test::ProcessOptions options;
        options.timeout = 30s;
        options.dataLimitBytes = 512u << 20;
        const auto r = test::runProcess(args, options);
        EXPECT_FALSE(r.timedOut) << what;
        EXPECT_EQ(r.signal, 0) << what;
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << what << " exited with " << r.exitCode;
        if (r.exitCode == 1) {
            EXPECT_FALSE(r.err.empty()) << what;
        }
        std::istringstream err(r.err);
        for (std::string line; std::getline(err, line);)
            EXPECT_TRUE(line.rfind("kodrix-cli: ", 0) == 0 || isProgramsReport(QString::fromStdString(line), false))
                << what << ": " << line;
        return r;
    };
    auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    };

    const auto platforms = lines(run({"platforms"}).out);
    EXPECT_EQ(platforms, (std::vector<std::string>{"P", "Q", "R", "S", "SEGA", "T"}));
    for (const auto& p : platforms) {
        run({"count", p});
        for (const auto& g : lines(run({"groups", p}).out)) {
            const auto games = lines(run({"games", p, g}).out);
            for (std::size_t i = 0; i < games.size() && i < 2; ++i)
                if (games[i] != "Jumbo") run({"codes", p, g, games[i]});  // Jumbo streams until its reader stops
            run({"codes", p, g, "No Such Game"});
        }
        for (const char* index : {"0", "1", "70000"})
            run({"icon", p, index, (outside.path() / ("icon" + std::to_string(pictures++) + ".png")).string()});
    }
    // Every 32-bit ID, as long as the reader reads.
    const auto jumbo = test::runProcess({"/bin/bash", "-c",
                                         "'" + cli + "' --catalogue '" + root +
                                             "' codes P J Jumbo | head -n 100000 | wc -l; exit ${PIPESTATUS[0]}"},
                                        {.timeout = 30s});
    EXPECT_EQ(jumbo.exitCode, 0) << jumbo.err;
    EXPECT_EQ(jumbo.out, "100000\n");
    EXPECT_EQ(run({"games", "P", "H"}).out, "Huge\n");
    EXPECT_EQ(snapshot(cat.dir.path()), before);
}

namespace {
// The private writable memory the process holds, which RLIMIT_DATA limits.
rlim_t dataInUse() {
    std::ifstream status("/proc/self/status");
    std::string key;
    rlim_t kb = 0;
    while (status >> key) {
        if (key == "VmData:") {
            status >> kb;
            break;
        }
        status.ignore(1 << 12, '\n');
    }
    return kb * 1024;
}
}  // namespace

TEST(HostileMemory, AListBeyondTheMemoryLeftIsTheOutOfMemoryReport) {
    // A list of 5 million lines needs about 40 MB; with 24 MB left the letter
    // change ends in the general report and the old list stays.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::CatalogueFixture cat;
    cat.platform("P");
    cat.file("P/A.dat", "Alpha\r\n");
    std::string many;
    for (int i = 0; i < 5'000'000; ++i) many += "\r\n";
    cat.file("P/E.dat", many);
    EXPECT_EXIT(
        {
            dialogs::DialogScript script;
            TForm1 form(cat.dir.path());
            CodePage& page = *form.code;
            struct rlimit limit {};
            limit.rlim_cur = dataInUse() + (24u << 20);
            limit.rlim_max = RLIM_INFINITY;
            ::setrlimit(RLIMIT_DATA, &limit);
            page.Codes->selectIndex(page.Codes->list()->indexOf("E"));
            const bool done = guarded(&form, [&] { page.CodesChange(); });
            const bool reported = script.messages.size() == 1 && script.messages[0].text == "Out of memory.";
            const bool kept = page.CodeView->list()->count() == 1;
            std::error_code ec;
            fs::remove_all(cat.dir.path(), ec);
            std::_Exit(!done && reported && kept ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

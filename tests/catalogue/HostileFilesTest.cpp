// Catalogue files that are not what their names promise: entries of the same
// name that are no regular files, files that shrink while they are read, and
// files far larger than what is kept of them.
#include "catalogue/Discovery.h"
#include "catalogue/Error.h"
#include "catalogue/GameEntry.h"
#include "catalogue/IconLibrary.h"
#include "catalogue/IniProfile.h"
#include "catalogue/ResourceModule.h"
#include "catalogue/TextList.h"
#include "support/Hostile.h"
#include "support/TempDir.h"
#include "tools/pack/PeWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

using namespace kodrix;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string moduleOf(const std::vector<std::pair<std::uint32_t, std::string>>& strings) {
    pack::PeResourceWriter w;
    for (const auto& [id, text] : strings) w.addString(id, text);
    const Bytes b = w.build();
    return std::string(b.begin(), b.end());
}

void limitData(rlim_t bytes) {
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = bytes;
    ::setrlimit(RLIMIT_DATA, &limit);
}

Bytes readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Kinds of entry that can stand where a file is expected.
enum class Hostile { Fifo, Folder, LinkLoop, BrokenLink };
const char* nameOf(Hostile h) {
    switch (h) {
    case Hostile::Fifo: return "a FIFO";
    case Hostile::Folder: return "a folder";
    case Hostile::LinkLoop: return "a link loop";
    case Hostile::BrokenLink: return "a broken link";
    }
    return "";
}
void place(Hostile h, const std::filesystem::path& p) {
    switch (h) {
    case Hostile::Fifo: ASSERT_TRUE(test::makeFifo(p)); break;
    case Hostile::Folder: std::filesystem::create_directory(p); break;
    case Hostile::LinkLoop: std::filesystem::create_symlink(p.filename(), p); break;
    case Hostile::BrokenLink: std::filesystem::create_symlink("nowhere", p); break;
    }
}

}  // namespace

TEST(CatalogueFiles, TheFileACheckFindsIsTheOneOpened) {
    // A good a.ini and a.dll, and beside one of them an entry spelt as the
    // letter list asks for it (upper case) that is no regular file: the click
    // reads the good files, never waits and never fails on the other entry.
    for (Hostile h : {Hostile::Fifo, Hostile::Folder, Hostile::LinkLoop, Hostile::BrokenLink}) {
        for (const char* shadowed : {"A.ini", "A.dll", "kodrix32.icl"}) {
            SCOPED_TRACE(std::string(nameOf(h)) + " named " + shadowed);
            test::TempDir dir;
            const auto platform = dir.mkdir("P");
            dir.write("P/a.dat", "Alpha\r\n");
            dir.write("P/a.ini", "[Alpha]\r\nbegin=1\r\nend=2\r\nicon=3\r\n");
            dir.write("P/a.dll", moduleOf({{1, "one"}, {2, "two"}}));
            dir.write("P/KODRIX32.ICL", "");
            place(h, platform / shadowed);
            GameRead r;
            {
                test::Watchdog watchdog(dir.path(), 3s);
                EXPECT_NO_THROW(r = readGame(platform, "A", "Alpha"));
                EXPECT_TRUE(existsInPlatform(platform, shadowed));
                EXPECT_EQ(iconGroupCount(platformFile(platform, shadowed)), 0u);
                EXPECT_FALSE(watchdog.hung());
            }
            EXPECT_TRUE(r.ok()) << (r.reports.empty() ? "" : r.reports[0].message);
            EXPECT_EQ(r.lines, (std::vector<std::string>{"one", "two"}));
            EXPECT_EQ(r.icon, 3);
        }
    }
}

TEST(CatalogueFiles, AnEntryThatIsNoRegularFileIsReportedNotWaitedFor) {
    // Only the hostile entry bears the name: the list cannot be opened, and
    // the INI and the module count as missing, as in the program's own checks.
    struct Case {
        Hostile kind;
        std::string reason;
    };
    const Case cases[] = {
        {Hostile::Fifo, "Not a regular file"},
        {Hostile::Folder, "Is a directory"},
        {Hostile::LinkLoop, "Too many levels of symbolic links"},
        {Hostile::BrokenLink, "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(nameOf(c.kind));
        test::TempDir dir;
        const auto platform = dir.mkdir("P");
        place(c.kind, platform / "F.dat");
        place(c.kind, platform / "F.ini");
        test::Watchdog watchdog(dir.path(), 3s);
        for (auto read : std::vector<std::function<void()>>{[&] { loadTextList(platformFile(platform, "F.dat")); },
                                                            [&] { countFileLines(platformFile(platform, "F.dat")); }}) {
            try {
                read();
                ADD_FAILURE() << "no error";
            } catch (const Error& e) {
                EXPECT_EQ(e.message(), "Cannot open file \"" + (platform / "F.dat").string() + "\". " + c.reason);
            }
        }
        GameRead r;
        EXPECT_NO_THROW(r = readGame(platform, "F", "Game"));
        ASSERT_EQ(r.reports.size(), 1u);
        EXPECT_EQ(r.reports[0].failure, GameReadFailure::IniMissing);
        EXPECT_FALSE(watchdog.hung());
    }
}

TEST(CatalogueFiles, FilesShrinkingUnderTheReaderGiveNoSignal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::TempDir dir;
    // The child that runs each statement leaves no files behind.
    auto finish = [&](int code) {
        std::error_code ec;
        std::filesystem::remove_all(dir.path(), ec);
        std::_Exit(code);
    };
    // A 10 MB module, opened, then cut to its first page: the strings it no
    // longer holds read as missing.
    std::vector<std::pair<std::uint32_t, std::string>> strings;
    for (std::uint32_t id = 0; id < 65536; ++id) strings.emplace_back(id, std::string(76, 'x'));
    const auto module = dir.write("M.dll", moduleOf(strings));
    EXPECT_EXIT(
        {
            auto m = ResourceModule::open(module);
            if (!m) finish(2);
            if (::truncate(module.c_str(), 4096) != 0) finish(3);
            std::size_t read = 0;
            for (std::uint32_t id = 0; id < 65536; id += 997) read += m->loadString(id).size();
            finish(read < 65536 / 997 * 76 ? 0 : 4);
        },
        testing::ExitedWithCode(0), "");

    // A 64 MB list cut and grown again over and over while it is counted and read.
    const auto list = dir.write("L.dat", std::string(64 << 20, 'a'));
    EXPECT_EXIT(
        {
            std::atomic<bool> done{false};
            std::thread cutter([&] {
                while (!done) {
                    if (::truncate(list.c_str(), 0) != 0 || ::truncate(list.c_str(), 64 << 20) != 0) finish(3);
                    std::this_thread::sleep_for(1ms);
                }
            });
            for (int i = 0; i < 10; ++i) {
                countFileLines(list);
                readTextLines(list);
            }
            done = true;
            cutter.join();
            finish(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(CatalogueFiles, AnIniIsCutAtItsFirstZeroBeforeItIsCopied) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::TempDir dir;
    auto finish = [&](int code) {
        std::error_code ec;
        std::filesystem::remove_all(dir.path(), ec);
        std::_Exit(code);
    };
    // A gigabyte, all zero bytes after its first lines (sparse on disk).
    const auto ini = dir.write("G.ini", "[Gamma]\r\nbegin=7\r\n");
    std::filesystem::resize_file(ini, 1ull << 30);
    EXPECT_EXIT(
        {
            limitData(256u << 20);
            const bool read = IniProfile::read(*FileHandle::open(ini))->readInteger("Gamma", "begin") == 7;
            finish(read ? 0 : 2);
        },
        testing::ExitedWithCode(0), "");
}

TEST(CatalogueFiles, ALookAtOneResourceReadsLittleOfALargeModule) {
    test::TempDir dir;
    std::vector<std::pair<std::uint32_t, std::string>> strings;
    for (std::uint32_t id = 0; id < 65536; ++id) strings.emplace_back(id, std::string(76, 'x'));
    const auto path = dir.write("M.dll", moduleOf(strings));
    auto m = ResourceModule::open(path);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->loadString(40000), std::string(76, 'x'));
    EXPECT_LT(m->bytesRead(), 512u * 1024) << "of " << std::filesystem::file_size(path);
}

TEST(CatalogueFiles, ModulesAndLibrariesReadFromFilesAsFromMemory) {
    // Every module and library of the fuzz corpora and fixtures, read from
    // its file block by block, gives what it gives from memory.
    const std::filesystem::path source = KODRIX_SOURCE_DIR;
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"fuzz/corpus/pe", "fuzz/corpus/ne", "tests/fixtures/pe"})
        for (const auto& e : std::filesystem::directory_iterator(source / folder))
            if (e.is_regular_file()) files.push_back(e.path());
    ASSERT_GT(files.size(), 10u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const Bytes bytes = readAll(path);
        auto fromFile = ResourceModule::open(path);
        auto fromMemory = ResourceModule::fromBytes(bytes);
        ASSERT_EQ(fromFile.has_value(), fromMemory.has_value());
        if (fromMemory) {
            for (std::uint32_t id : {0u, 1u, 15u, 16u, 100u, 120u, 65535u})
                EXPECT_EQ(fromFile->loadString(id), fromMemory->loadString(id)) << id;
            for (auto type : {RT_GROUP_ICON, RT_ICON, RT_RCDATA, RT_STRING}) {
                const auto names = fromMemory->names(ResourceId::id(type));
                EXPECT_EQ(fromFile->names(ResourceId::id(type)), names);
                for (const auto& name : names) {
                    auto a = fromFile->find(ResourceId::id(type), name);
                    auto b = fromMemory->find(ResourceId::id(type), name);
                    ASSERT_EQ(a.has_value(), b.has_value());
                    if (a) {
                        EXPECT_TRUE(std::equal(a->begin(), a->end(), b->begin(), b->end()));
                    }
                }
            }
        }
        const unsigned count = iconGroupCountFromBytes(bytes);
        EXPECT_EQ(iconGroupCount(path), count);
        for (unsigned i = 0; i <= count && i < 8; ++i) EXPECT_EQ(iconGroupAsIco(path, i), iconGroupAsIcoFromBytes(bytes, i)) << i;
    }
}

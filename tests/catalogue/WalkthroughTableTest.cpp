#include "catalogue/WalkthroughTable.h"

#include "catalogue/CatalogueFs.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "support/ClaimingModule.h"
#include "support/TempDir.h"
#include "tools/pack/CatalogueBuilder.h"
#include "tools/pack/PeWriter.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace kodrix;
using kodrix::test::thrown;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

std::string lowerKey(std::string_view s) {
    std::string k(s);
    for (auto& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return k;
}

// A module with the given resources (RCDATA by name).
void writeModule(const std::filesystem::path& path, const std::vector<std::pair<std::string, Bytes>>& resources) {
    pack::PeResourceWriter w;
    for (const auto& [name, data] : resources) w.addRcData(name, data);
    w.writeFile(path);
}

// Runs fn on a thread of its own and fails the test when it takes longer
// than a few seconds (a FIFO opened for reading waits for a writer; the
// FIFOs given are then opened for writing, so the thread can end).
void withinSeconds(const std::function<void()>& fn, const std::vector<std::filesystem::path>& fifos = {}) {
    std::packaged_task<void()> task(fn);
    auto done = task.get_future();
    std::thread thread(std::move(task));
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "blocked";
        for (const auto& f : fifos) ::close(::open(f.c_str(), O_WRONLY | O_NONBLOCK));
    }
    thread.join();
    done.get();
}

}  // namespace

TEST(WalkthroughName, LinesAndTheFirstInListOrder) {
    using namespace std::string_literals;
    struct Case {
        std::string name1;
        std::optional<std::string> display;
        NameSortKey key = {};
    };
    const Case cases[] = {
        {"Alpha", "Alpha"},
        {"Zeta\r\nAlpha", "Alpha"},
        {"Zeta\rAlpha\n", "Alpha"},
        {"Zeta\r\n", "Zeta"},              // a final line end adds no line
        {"Zeta\n\rAlpha", ""},              // LF CR: two line ends, an empty line between
        {"\r\nZeta", ""},                   // an empty line sorts first
        {"Zeta\0\nAlpha"s, "Zeta"},         // NUL ends the text
        {"", std::nullopt},
        {"\0Zeta"s, std::nullopt},
        {"a\nB", "B"},                      // byte order without a collation
        {"a\nB", "a", lowerKey},            // the list's order decides
        {"b\nB", "b", lowerKey},            // equal keys: the earlier line
    };
    for (const auto& c : cases)
        EXPECT_EQ(displayNameFromNameResource(bytesOf(c.name1), c.key), c.display) << testing::PrintToString(c.name1);
}

TEST(WalkthroughTable, UsableModulesAreListedInScanOrderOthersSilentlyLeftOut) {
    test::TempDir dir;
    const auto sol = dir.mkdir("Sol");  // found in any letter case
    const Bytes doc = bytesOf("{\\rtf1 doc}");
    writeModule(sol / "alpha.dll", {{"name1", bytesOf("Alpha")}, {"File1", doc}});
    writeModule(sol / "zeta.dll", {{"NAME1", bytesOf("Zeta\r\nAlpha")}});
    writeModule(sol / "EMPTYLINE.DLL", {{"name1", bytesOf("\r\nX")}});
    writeModule(sol / "same1.dll", {{"name1", bytesOf("Same")}});
    writeModule(sol / "same2.dll", {{"name1", bytesOf("Same")}});
    writeModule(sol / "noname.dll", {{"File1", doc}});
    writeModule(sol / "emptyname.dll", {{"name1", {}}});
    writeModule(sol / "nul.dll", {{"name1", {0, 'X'}}});
    writeModule(sol / "other.txt", {{"name1", bytesOf("Not a dll")}});
    dir.write("Sol/text.dll", "this is no module at all, though longer than a DOS header: .................");
    dir.write("Sol/tiny.dll", "MZ");
    dir.mkdir("Sol/folder.dll");
    ASSERT_EQ(::mkfifo((sol / "fifo.dll").c_str(), 0600), 0);
    std::filesystem::create_symlink(sol / "nowhere", sol / "dangling.dll");
    writeModule(sol / "locked.dll", {{"name1", bytesOf("Locked")}});
    ::chmod((sol / "locked.dll").c_str(), 0);
    const bool locksHold = ::access((sol / "locked.dll").c_str(), R_OK) != 0;  // not so for root

    WalkthroughTable table;
    int hooks = 0;
    withinSeconds([&] { table.build(dir.path(), lowerKey, [&] { ++hooks; }); }, {sol / "fifo.dll"});

    std::vector<std::string> names = table.displayNames();
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = {"", "Alpha", "Alpha", "Same", "Same"};
    if (!locksHold) expected.push_back("Locked"), std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(table.N, expected.size());
    EXPECT_EQ(hooks, 11);  // every regular "*.dll" file read once
    ASSERT_EQ(table.DisplayName.size(), WalkthroughTable::kCapacity);
    ASSERT_EQ(table.ModuleFileName.size(), WalkthroughTable::kCapacity);
    EXPECT_EQ(table.DisplayName[table.N], "");
    EXPECT_EQ(table.ModuleFileName[table.N], "");

    // Entry i of both arrays is one module; equal names find the one scanned first.
    for (std::size_t i = 0; i < table.N; ++i) {
        if (table.ModuleFileName[i] == "alpha.dll") {
            EXPECT_EQ(table.DisplayName[i], "Alpha");
        }
    }
    const auto same = table.findWalkthrough("Same");
    ASSERT_TRUE(same);
    EXPECT_TRUE(table.ModuleFileName[*same] == "same1.dll" || table.ModuleFileName[*same] == "same2.dll");
    for (std::size_t i = 0; i < *same; ++i) EXPECT_NE(table.DisplayName[i], "Same");
}

TEST(WalkthroughTable, NoFolderOrNothingInItGivesAnEmptyTable) {
    test::TempDir none;
    test::TempDir fileNotFolder;
    fileNotFolder.write("sol", "");
    test::TempDir empty;
    empty.mkdir("sol");
    for (const test::TempDir* d : {&none, &fileNotFolder, &empty}) {
        WalkthroughTable table;
        table.DisplayName.assign(1, "stale");
        table.N = 1;
        table.build(d->path(), {});
        EXPECT_EQ(table.N, 0u);
        EXPECT_EQ(table.DisplayName.size(), WalkthroughTable::kCapacity);
        EXPECT_EQ(table.DisplayName[0], "");
    }
}

TEST(WalkthroughTable, ModulesAreEnteredInTheFoldersOrderUntilTheTableIsFull) {
    // Names are read a batch at a time on several threads; what the table
    // holds is still the folder's order, cut where the table is full, with
    // the hook once per module entered or passed over.
    struct Case {
        int modules;
        std::size_t capacity;
    } cases[] = {{5, 3}, {300, 200}, {300, WalkthroughTable::kCapacity}, {129, 128}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.modules) + " modules, capacity " + std::to_string(c.capacity));
        test::TempDir dir;
        const auto sol = dir.mkdir("sol");
        for (int i = 0; i < c.modules; ++i) {
            // Every seventh module has no name and is passed over.
            if (i % 7 == 6) writeModule(sol / ("m" + std::to_string(i) + ".dll"), {{"File1", bytesOf("{\\rtf1 x}")}});
            else writeModule(sol / ("m" + std::to_string(i) + ".dll"), {{"name1", bytesOf("M" + std::to_string(i))}});
        }
        std::vector<std::string> expected;  // the named modules in the folder's order
        std::size_t passed = 0;             // modules the scan goes through
        const auto listed = listFilesWithExtension(sol, ".dll");
        ASSERT_TRUE(listed);
        for (const DirEntry& e : *listed) {
            if (expected.size() == c.capacity) break;
            ++passed;
            if (std::stoi(e.name.substr(1)) % 7 != 6) expected.push_back(e.name);
        }
        WalkthroughTable table(c.capacity);
        std::size_t hooks = 0;
        table.build(dir.path(), {}, [&] { ++hooks; });
        ASSERT_EQ(table.N, expected.size());
        EXPECT_EQ(table.DisplayName.size(), c.capacity);
        EXPECT_EQ(hooks, passed);
        for (std::size_t i = 0; i < table.N; ++i) {
            EXPECT_EQ(table.ModuleFileName[i], expected[i]) << i;
            EXPECT_EQ("m" + table.DisplayName[i].substr(1) + ".dll", table.ModuleFileName[i]) << i;
        }
        // Names read ahead (as the program does while it starts) give the
        // same table and hooks; for another folder they are not taken, and
        // they are taken once.
        test::TempDir other;
        WalkthroughNamesAhead elsewhere(other.path(), {});
        WalkthroughNamesAhead ahead(dir.path(), {});
        for (WalkthroughNamesAhead* given : {&elsewhere, &ahead, &ahead}) {
            WalkthroughTable again(c.capacity);
            std::size_t againHooks = 0;
            again.build(dir.path(), {}, [&] { ++againHooks; }, given);
            EXPECT_EQ(again.N, table.N);
            EXPECT_EQ(again.DisplayName, table.DisplayName);
            EXPECT_EQ(again.ModuleFileName, table.ModuleFileName);
            EXPECT_EQ(againHooks, hooks);
        }
    }
}

TEST(WalkthroughTable, FindWalkthroughIsTheFirstExactMatch) {
    WalkthroughTable table(5);
    table.DisplayName = {"Other", "Same", "Same", "Ghost", ""};
    table.N = 3;
    EXPECT_EQ(table.findWalkthrough("Same"), 1u);
    EXPECT_EQ(table.findWalkthrough("same"), std::nullopt);   // letter case counts
    EXPECT_EQ(table.findWalkthrough("Sam"), std::nullopt);
    EXPECT_EQ(table.findWalkthrough("Ghost"), std::nullopt);  // beyond N
    EXPECT_EQ(table.findWalkthrough(""), std::nullopt);
}

TEST(WalkthroughTable, DocumentAndScreenshotsAreReadAfresh) {
    test::TempDir dir;
    const auto sol = dir.mkdir("sol");
    const Bytes doc = bytesOf("{\\rtf1 doc}");
    const Bytes img12 = bytesOf("\xFF\xD8 twelve");
    const Bytes img = bytesOf("\xFF\xD8 no key");
    writeModule(sol / "Walk.dll", {{"name1", bytesOf(cp1251::fromUtf8("Прохождение"))},
                                   {"File1", doc}, {"img12", img12}, {"img", img}});
    WalkthroughTable table;
    table.build(dir.path(), {});
    ASSERT_EQ(table.N, 1u);
    EXPECT_EQ(table.readDocument(dir.path(), 0), doc);
    EXPECT_EQ(table.readScreenshot(dir.path(), 0, "12"), img12);
    EXPECT_EQ(table.readScreenshot(dir.path(), 0, ""), img);
    EXPECT_EQ(thrown([&] { table.readScreenshot(dir.path(), 0, "7"); }), "Resource img7 not found");
    EXPECT_EQ(thrown([&] { table.readDocument(dir.path(), 1); }), "List index out of bounds (1)");

    // Renamed in another letter case: still the same module.
    std::filesystem::rename(sol / "Walk.dll", sol / "WALK.DLL");
    EXPECT_EQ(table.readDocument(dir.path(), 0), doc);
    // Removed, replaced by a folder or a FIFO: the resource is not found.
    std::filesystem::remove(sol / "WALK.DLL");
    EXPECT_EQ(thrown([&] { table.readDocument(dir.path(), 0); }), "Resource File1 not found");
    std::filesystem::create_directory(sol / "walk.dll");
    EXPECT_EQ(thrown([&] { table.readScreenshot(dir.path(), 0, "12"); }), "Resource img12 not found");
    std::filesystem::remove(sol / "walk.dll");
    ASSERT_EQ(::mkfifo((sol / "walk.dll").c_str(), 0600), 0);
    withinSeconds([&] { EXPECT_EQ(thrown([&] { table.readDocument(dir.path(), 0); }), "Resource File1 not found"); },
                  {sol / "walk.dll"});
    withinSeconds([&] { EXPECT_EQ(readModuleResource(sol / "walk.dll", "name1"), std::nullopt); }, {sol / "walk.dll"});
}

TEST(WalkthroughTable, LargeModulesAreReadWhereverTheirPartsLie) {
    // 700 screenshots make a resource directory larger than the first piece
    // read; the name's bytes come after 3 MB of document.
    test::TempDir dir;
    const auto sol = dir.mkdir("sol");
    Bytes doc(3 << 20);
    for (std::size_t i = 0; i < doc.size(); ++i) doc[i] = static_cast<std::uint8_t>(i * 7);
    std::vector<std::pair<std::string, Bytes>> resources = {{"name1", bytesOf("Big")}, {"File1", doc}};
    for (int i = 0; i < 700; ++i) resources.emplace_back("img" + std::to_string(i), bytesOf("shot " + std::to_string(i)));
    writeModule(sol / "big.dll", resources);
    ASSERT_GT(std::filesystem::file_size(sol / "big.dll"), doc.size());

    WalkthroughTable table;
    table.build(dir.path(), {});
    ASSERT_EQ(table.N, 1u);
    EXPECT_EQ(table.DisplayName[0], "Big");
    EXPECT_EQ(table.readDocument(dir.path(), 0), doc);
    EXPECT_EQ(table.readScreenshot(dir.path(), 0, "699"), bytesOf("shot 699"));
}

namespace {

// Bytes this process has read through read(2) and pread(2) so far.
std::uint64_t bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

}  // namespace

TEST(WalkthroughTable, ResourcesClaimingMoreThanTheLimitsCostWhatIsShown) {
    // Each module declares one resource far larger than it holds (sparse).
    constexpr std::uint64_t kLimit = kMaxWalkthroughResourceBytes;
    const struct {
        const char* resource;
        std::uint64_t declared;
        std::uint64_t bytesGiven;  // 0: refused as not found
    } cases[] = {
        {"name1", 256ull << 20, 0},     // listed by its first line; only its first KB are read
        {"File1", kLimit, kLimit},      // exactly the limit: read whole
        {"File1", kLimit + 1, 0},       // one byte over: refused unread
        {"File1", 3ull << 30, 0},       // gigabytes
        {"img12", 3ull << 30, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.resource) + " declaring " + std::to_string(c.declared));
        test::TempDir dir;
        const auto sol = dir.mkdir("sol");
        test::writeClaimingModule(sol / "claims.dll",
                                  {{"name1", bytesOf("Claimed\r\nZeta")}, {"File1", bytesOf("{\\rtf1 doc}")},
                                   {"img12", bytesOf("\xFF\xD8 shot")}},
                                  c.resource, c.declared);
        const std::uint64_t before = bytesReadSoFar();
        WalkthroughTable table;
        table.build(dir.path(), {});
        ASSERT_EQ(table.N, 1u);
        EXPECT_EQ(table.DisplayName[0], "Claimed");
        const std::string name = c.resource;
        if (name == "name1") {
            EXPECT_LT(bytesReadSoFar() - before, 64u << 10);
        } else if (c.bytesGiven) {
            EXPECT_EQ(table.readResource(dir.path(), 0, name).size(), c.bytesGiven);
        } else {
            EXPECT_EQ(thrown([&] { table.readResource(dir.path(), 0, name); }), "Resource " + name + " not found");
            EXPECT_LT(bytesReadSoFar() - before, 64u << 10);
        }
    }
}

TEST(WalkthroughTable, DisplayNamesAreCutToWhatTheListShows) {
    const std::string longLine(kMaxDisplayNameLength + 44, 'L');
    const std::string beyondTheRead(kMaxNameResourceBytes + 100, 'R');
    const struct {
        std::string name1;
        std::string display;
    } cases[] = {
        {std::string(kMaxDisplayNameLength, 'E'), std::string(kMaxDisplayNameLength, 'E')},  // fits exactly
        {longLine, longLine.substr(0, kMaxDisplayNameLength)},
        {"Zeta\r\n" + longLine, longLine.substr(0, kMaxDisplayNameLength)},  // the line first in order, then cut
        {beyondTheRead, beyondTheRead.substr(0, kMaxDisplayNameLength)},
        {std::string(kMaxNameResourceBytes, 'Z') + "\r\nAlpha", std::string(kMaxDisplayNameLength, 'Z')},  // lines past the read are not seen
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        writeModule(dir.mkdir("sol") / "long.dll", {{"name1", bytesOf(c.name1)}});
        WalkthroughTable table;
        table.build(dir.path(), {});
        ASSERT_EQ(table.N, 1u);
        EXPECT_EQ(table.DisplayName[0].size(), c.display.size()) << c.name1.size();
        EXPECT_TRUE(table.DisplayName[0] == c.display) << c.name1.size();
        EXPECT_EQ(table.findWalkthrough(c.display), 0u);
    }
}

// Writing a chosen file whole or not at all, and the save dialog's rules for
// names and filters.
#include "catalogue/Error.h"
#include "platform/WholeFileWriter.h"
#include "platform/dialogs/Dialogs.h"
#include "support/Hostile.h"
#include "support/TempDir.h"
#include "support/Thrown.h"

#include <QString>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <gtest/gtest.h>

using namespace kodrix;
using kodrix::test::thrown;
namespace fs = std::filesystem;

namespace {

std::string contentOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
QString q(const fs::path& p) { return QString::fromStdString(p.string()); }
std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(WholeFileWriter, CreatesAndReplacesKeepingPermissionsAndLinks) {
    test::TempDir dir;
    const fs::path file = dir.path() / "out.doc";
    writeWholeFile(q(file), "first");
    EXPECT_EQ(contentOf(file), "first");

    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    writeWholeFile(q(file), "");
    EXPECT_EQ(contentOf(file), "");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // Through a link: the file it names is written, the link stays a link.
    const fs::path link = dir.path() / "link.doc";
    fs::create_symlink(file, link);
    writeWholeFile(q(link), "through");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contentOf(file), "through");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"link.doc", "out.doc"}));
}

TEST(WholeFileWriter, FailuresNameThePathAndLeaveEverythingAsItWas) {
    test::TempDir dir;
    const fs::path existing = dir.write("keep.doc", "old content");
    dir.mkdir("folder.doc");
    const struct {
        fs::path target;
        std::string reason;
    } cases[] = {
        {dir.path() / "folder.doc", "Is a directory"},
        {dir.path() / "missing" / "x.txt", "No such file or directory"},
        {existing / "x.txt", "Not a directory"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(thrown([&] { writeWholeFile(q(c.target), "new"); }),
                  "Cannot create file \"" + c.target.string() + "\". " + c.reason);
    }

    // The disk takes only part of the bytes: the old file stays whole.
    {
        test::FileSizeLimit limit(4);
        EXPECT_EQ(thrown([&] { writeWholeFile(q(existing), "new content, longer than the limit"); }),
                  "Failed to Save Stream");
    }
    EXPECT_EQ(contentOf(existing), "old content");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"folder.doc", "keep.doc"}));
}

TEST(WholeFileWriter, AnythingButAFileIsRefusedWithoutWaiting) {
    test::TempDir dir;
    const fs::path fifo = dir.path() / "pipe.doc";
    ASSERT_TRUE(test::makeFifo(fifo));
    const fs::path toFifo = dir.path() / "to-pipe.doc";
    fs::create_symlink(fifo, toFifo);
    const fs::path toDevice = dir.path() / "to-null.doc";
    fs::create_symlink("/dev/null", toDevice);
    const struct {
        fs::path target;
        std::string reason;
    } cases[] = {
        {fifo, "Not a regular file"},      // no reader: opening it to write would wait for one
        {toFifo, "Not a regular file"},
        {"/dev/null", "Not a regular file"},
        {toDevice, "Not a regular file"},
        {dir.path(), "Is a directory"},
    };
    test::Watchdog watchdog(dir.path(), std::chrono::seconds(5));
    for (const auto& c : cases)
        EXPECT_EQ(thrown([&] { writeWholeFile(q(c.target), "new"); }),
                  "Cannot create file \"" + c.target.string() + "\". " + c.reason);
    EXPECT_FALSE(watchdog.hung());
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(toFifo));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// What a save does where the name is not simply a file's:
// - a dangling link: the file it names is created, the link stays;
// - a file with a second name (hard link): written in place, both names
//   show the new content;
// - a file the user may write in a folder that takes no new file: written in
//   place rather than refused (root writes any folder; the terminal tool's
//   test runs this case as an ordinary user).
TEST(WholeFileWriter, LinksAndReadOnlyFoldersAreWrittenThrough) {
    test::TempDir dir;
    const fs::path folder = dir.mkdir("docs");
    fs::create_symlink(folder / "later.doc", dir.path() / "dangling.doc");
    fs::create_symlink("docs/relative.doc", dir.path() / "relative.doc");
    const fs::path first = dir.write("docs/first.doc", "old content");
    fs::create_hard_link(first, dir.path() / "second.doc");
    const fs::path locked = dir.mkdir("locked");
    const fs::path inLocked = dir.write("locked/mine.doc", "old content");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);

    const struct {
        fs::path saved;
        fs::path holder;  // where the new content is then read
    } cases[] = {
        {dir.path() / "dangling.doc", folder / "later.doc"},
        {dir.path() / "relative.doc", folder / "relative.doc"},
        {dir.path() / "second.doc", first},
        {inLocked, inLocked},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved.string());
        EXPECT_EQ(thrown([&] { writeWholeFile(q(c.saved), "new"); }), "(nothing thrown)");
        EXPECT_EQ(contentOf(c.holder), "new");
    }
    EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling.doc"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "relative.doc"));
    EXPECT_EQ(fs::hard_link_count(first), 2u);
    EXPECT_EQ(namesIn(locked), std::vector<std::string>{"mine.doc"});
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"first.doc", "later.doc", "relative.doc"}));
    fs::permissions(locked, fs::perms::owner_all);

    // In place, a disk that takes only part of the bytes leaves the old
    // content of every name whole where the file system reserves room.
    {
        test::FileSizeLimit limit(4);
        EXPECT_EQ(thrown([&] { writeWholeFile(q(first), "new content, longer than the limit"); }),
                  "Failed to Save Stream");
    }
    EXPECT_EQ(contentOf(dir.path() / "second.doc"), "new");
}

TEST(SaveDialogRules, DefaultExtensionAndFilters) {
    const struct {
        const char* chosen;
        const char* withExt;
    } names[] = {
        {"/t/walk", "/t/walk.doc"},   {"/t/walk.", "/t/walk."},     {"/t/.profile", "/t/.profile"},
        {"/t/a.b/walk", "/t/a.b/walk.doc"}, {"/t/Code.TXT", "/t/Code.TXT"},
    };
    for (const auto& n : names) EXPECT_EQ(dialogs::withDefaultExtension(n.chosen, "doc"), n.withExt) << n.chosen;

    EXPECT_EQ(dialogs::qtNameFilters("Text (txt)|*.doc|Any FileS(*.*)|*.*"),
              (QStringList{"Text (txt) (*.doc)", "Any FileS(*.*) (*.*)"}));
    EXPECT_EQ(dialogs::qtNameFilters("Both|*.txt;*.doc|Dangling"), (QStringList{"Both (*.txt *.doc)"}));
}

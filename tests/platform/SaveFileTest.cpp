// Writing a chosen file whole or not at all, and the save dialog's rules for
// names and filters.
#include "catalogue/Error.h"
#include "platform/WholeFileWriter.h"
#include "platform/dialogs/Dialogs.h"
#include "support/TempDir.h"
#include "support/Thrown.h"

#include <QString>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
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

// While it lives, files may grow to only `bytes` bytes; a write past that
// fails (EFBIG) instead of raising SIGXFSZ.
struct FileSizeLimit {
    rlimit saved{};
    void (*savedHandler)(int);
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);
    }
};

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
        FileSizeLimit limit(4);
        EXPECT_EQ(thrown([&] { writeWholeFile(q(existing), "new content, longer than the limit"); }),
                  "Failed to Save Stream");
    }
    EXPECT_EQ(contentOf(existing), "old content");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"folder.doc", "keep.doc"}));
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

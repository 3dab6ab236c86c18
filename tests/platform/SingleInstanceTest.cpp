#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <fstream>
#include <pwd.h>
#include <functional>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <unistd.h>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <signal.h>

namespace {

// Each test gets its own runtime folder, so it never meets a real copy.
class SingleInstance : public testing::Test {
protected:
    kodrix::test::TempDir runtime;

    std::unique_ptr<QProcess> start(const QString& program = KODRIX_PROBE, const QString& cwd = QString(),
                                    QProcessEnvironment env = QProcessEnvironment()) {
        auto p = std::make_unique<QProcess>();
        if (env.isEmpty()) {
            env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path().string()));
        }
        p->setProcessEnvironment(env);
        if (!cwd.isEmpty()) p->setWorkingDirectory(cwd);
        p->start(program, {});
        EXPECT_TRUE(p->waitForStarted(5000));
        return p;
    }
    std::filesystem::path lock() const {
        return runtime.path() / ("kodrix_run-" + std::to_string(::getuid()) + ".lock");
    }
    static QString firstLine(QProcess& p, int ms = 10000) {
        while (!p.canReadLine() && p.waitForReadyRead(ms)) {
        }
        return QString::fromUtf8(p.readLine()).trimmed();
    }
};

TEST_F(SingleInstance, SecondStartExitsAndTheFirstShowsItself) {
    auto first = start();
    ASSERT_TRUE(firstLine(*first).startsWith("running"));
    auto second = start();
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(second->readAll()).trimmed(), "second");
    EXPECT_EQ(firstLine(*first), "shown");
    first->waitForFinished(5000);
}

TEST_F(SingleInstance, TwoStartsAtOnceRunExactlyOneCopy) {
    auto a = start();
    auto b = start();
    QString la = firstLine(*a), lb = firstLine(*b);
    EXPECT_EQ(int(la.startsWith("running")) + int(lb.startsWith("running")), 1) << la.toStdString() << " / " << lb.toStdString();
    EXPECT_TRUE(la == "second" || lb == "second");
    a->kill();
    b->kill();
    a->waitForFinished();
    b->waitForFinished();
}

TEST_F(SingleInstance, StartAfterTheFirstWasKilledRunsNormally) {
    auto first = start();
    ASSERT_TRUE(firstLine(*first).startsWith("running"));
    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    first->waitForFinished(5000);
    auto next = start();
    EXPECT_TRUE(firstLine(*next).startsWith("running"));
    next->kill();
    next->waitForFinished();
}

TEST_F(SingleInstance, ProgramDirIsTheExecutablesFolderFromAnywhere) {
    kodrix::test::TempDir elsewhere;
    const auto link = elsewhere.path() / "linked-probe";
    std::filesystem::create_symlink(KODRIX_PROBE, link);
    auto p = start(QString::fromStdString(link.string()), QString::fromStdString(elsewhere.path().string()));
    QString line = firstLine(*p);
    EXPECT_EQ(line, "running " + QString::fromStdString(std::filesystem::path(KODRIX_PROBE).parent_path().string()));
    p->kill();
    p->waitForFinished();
}

TEST_F(SingleInstance, ADamagedLockIsTakenOverOrReportedAtOnce) {
    // No running copy answers, so none of these makes a start a second one:
    // a lock file nobody holds is taken over; one that cannot be (a folder
    // in its place) is reported, and the start ends with an error.
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> damage;
        bool runs;
    };
    const Case cases[] = {
        {"empty", [](const std::filesystem::path& p) { std::ofstream(p).flush(); }, true},
        {"garbage", [](const std::filesystem::path& p) { std::ofstream(p) << "\x01\xFFnot a lock\n\n\n"; }, true},
        {"left by a killed copy", [](const std::filesystem::path& p) { std::ofstream(p) << "999999\nkodrix\nhost\n"; }, true},
        {"a folder", [](const std::filesystem::path& p) { std::filesystem::create_directory(p); }, false},
    };
    for (const auto& c : cases) {
        std::error_code ec;
        std::filesystem::remove_all(lock(), ec);
        c.damage(lock());
        QElapsedTimer t;
        t.start();
        auto p = start();
        const QString line = firstLine(*p);
        if (c.runs) {
            EXPECT_TRUE(line.startsWith("running")) << c.what << ": " << line.toStdString();
        } else {
            EXPECT_EQ(line, "failed Cannot create file \"" + QString::fromStdString(lock().string()) + "\". Is a directory")
                << c.what;
            ASSERT_TRUE(p->waitForFinished(5000));
            EXPECT_EQ(p->exitCode(), 1) << c.what;
        }
        EXPECT_LT(t.elapsed(), 4000) << c.what;
        p->kill();
        p->waitForFinished();
    }
}

TEST_F(SingleInstance, WithoutARuntimeFolderTheLockStaysOutOfTheSharedTemporaryFolder) {
    // No XDG_RUNTIME_DIR, and the private folder the system would make in
    // the temporary folder blocked by a file of that name: the lock goes to a
    // private folder of the user's cache, never into the temporary folder
    // every user can write to; the folder is looked up once.
    kodrix::test::TempDir tmp, home;
    const std::string user = ::getpwuid(::geteuid())->pw_name;
    std::ofstream(tmp.path() / ("runtime-" + user)) << "in the way";
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_RUNTIME_DIR");
    env.remove("XDG_CACHE_HOME");
    env.insert("TMPDIR", QString::fromStdString(tmp.path().string()));
    env.insert("HOME", QString::fromStdString(home.path().string()));
    auto first = start(KODRIX_PROBE, QString(), env);
    ASSERT_TRUE(firstLine(*first).startsWith("running"));
    EXPECT_TRUE(std::filesystem::exists(home.path() / ".cache/kodrix-run" / lock().filename()));
    auto second = start(KODRIX_PROBE, QString(), env);
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(QString::fromUtf8(second->readAllStandardOutput()).trimmed(), "second");
    const QString warnings = QString::fromUtf8(second->readAllStandardError());
    EXPECT_LE(warnings.count("QStandardPaths"), 2) << warnings.toStdString();
    for (const auto& e : std::filesystem::directory_iterator(tmp.path()))
        EXPECT_EQ(e.path().filename().string().rfind("kodrix_run", 0), std::string::npos) << e.path();
    first->kill();
    first->waitForFinished();
}

}  // namespace

namespace {

// The real program on the demo catalogue: the second start shows no window
// of its own and ends at once, the first keeps running.
TEST_F(SingleInstance, TheProgramItselfRunsOnce) {
    const QString program = QStringLiteral(KODRIX_BIN_DIR "/Kodrix");
    if (!QFileInfo::exists(program)) GTEST_SKIP() << "the program is not built";
    auto first = start(program);
    const QString lock = QString::fromStdString((runtime.path() / ("kodrix_run-" + std::to_string(::getuid()) + ".lock")).string());
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(lock) && t.elapsed() < 10000) QThread::msleep(20);
    ASSERT_TRUE(QFileInfo::exists(lock));
    QThread::msleep(200);
    auto second = start(program);
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    first->terminate();
    first->waitForFinished(5000);
}

}  // namespace

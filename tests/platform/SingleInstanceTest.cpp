#include "support/TempDir.h"

#include <QElapsedTimer>
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

    std::unique_ptr<QProcess> start(const QString& program = KODRIX_PROBE, const QString& cwd = QString()) {
        auto p = std::make_unique<QProcess>();
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path().string()));
        p->setProcessEnvironment(env);
        if (!cwd.isEmpty()) p->setWorkingDirectory(cwd);
        p->start(program, {});
        EXPECT_TRUE(p->waitForStarted(5000));
        return p;
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

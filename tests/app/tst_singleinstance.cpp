#include "soon.h"
#include "testfolder.h"

#include "app/singleinstance.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The real program, started in its own program folder, headless.
void startProgram(QProcess& p, const TestFolder& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(dir.installProgram(), {});
    ASSERT_TRUE(p.waitForStarted());
}

QStringList filesIn(const TestFolder& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

TEST(SingleInstance, SecondCopyHandsOverAndEndsWithoutTouchingFiles) {
    TestFolder first;
    TestFolder second;
    QProcess a;
    startProgram(a, first);
    ASSERT_SOON_MS(first.exists("quillo.ini"), 10000);

    QProcess b;
    startProgram(b, second);
    ASSERT_TRUE(b.waitForFinished(10000)) << "the second copy ends at once";
    EXPECT_EQ(b.exitCode(), 0);
    EXPECT_EQ(filesIn(second), QStringList({"quillo", "quillo.hlp"}));
    EXPECT_EQ(a.state(), QProcess::Running);

    // A copy killed outright leaves nothing that stops the next start.
    a.kill();
    a.waitForFinished();
    QProcess c;
    startProgram(c, second);
    ASSERT_SOON_MS(second.exists("quillo.ini"), 10000);
    EXPECT_FALSE(c.waitForFinished(500));
    EXPECT_EQ(c.state(), QProcess::Running);
    c.kill();
    c.waitForFinished();
}

TEST(SingleInstance, FirstCopyIsAskedToShowItself) {
    // This test plays the first copy; the real program is the second.
    SingleInstance first;
    ASSERT_TRUE(first.listen());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    TestFolder dir;
    QProcess second;
    startProgram(second, dir);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_SOON(shown.count() == 1);
    EXPECT_EQ(filesIn(dir), QStringList({"quillo", "quillo.hlp"}));
}

// Both copies find nobody listening; the first then listens. The second's
// listen fails, and it must hand over rather than run beside the first.
TEST(SingleInstance, TwoCopiesStartedTogetherLeaveOne) {
    SingleInstance first;
    SingleInstance second;
    second.beforeListen = [&] {
        second.beforeListen = nullptr;
        ASSERT_TRUE(first.listen());
    };
    EXPECT_EQ(second.claim(), SingleInstance::Claim::HandedOver);
}

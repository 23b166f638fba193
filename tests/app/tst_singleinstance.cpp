#include "soon.h"
#include "testfolder.h"

#include "app/singleinstance.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The copies these tests start meet only each other: a program of this
// account running elsewhere on the machine (or another suite's) has a
// meeting place of its own.
class OwnMeetingPlace : public ::testing::Environment {
    void SetUp() override { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path())); }
    // Owner-only, and short enough for a socket's address whatever TMPDIR is.
    QTemporaryDir m_dir{QStringLiteral("/tmp/qp-XXXXXX")};
};
const auto* const ownMeetingPlace = ::testing::AddGlobalTestEnvironment(new OwnMeetingPlace);

// The real program, started in its own program folder, headless.
void startProgram(QProcess& p, const TestFolder& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(dir.installProgram(), {});
    ASSERT_TRUE(p.waitForStarted());
}

// A socket of the other account, listening on `name` (a leading '@' for the
// abstract namespace).
int listenOn(const std::string& name) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    if (name.size() >= sizeof a.sun_path) {
        return -1;
    }
    std::copy(name.begin(), name.end(), a.sun_path);
    if (name[0] == '@') {
        a.sun_path[0] = '\0';
    }
    const auto len = socklen_t(offsetof(sockaddr_un, sun_path) + name.size());
    return ::bind(fd, reinterpret_cast<sockaddr*>(&a), len) == 0 && ::listen(fd, 4) == 0 ? fd : -1;
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
    EXPECT_EQ(second.files(), QStringList({"quillo", "quillo.hlp"}));
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
    EXPECT_EQ(dir.files(), QStringList({"quillo", "quillo.hlp"}));
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

// Another account on this machine takes first every name this user's copy
// could look for: the abstract name, and a folder of its own where this
// user's private folder would go. This user's copy still starts, and the
// other account learns nothing: no connection reaches it.
TEST(SingleInstance, AnotherAccountCannotTakeTheNameFirst) {
    // A short TMPDIR, so that the names taken are the ones the copy looks for.
    const QTemporaryDir shortTmp(QStringLiteral("/tmp/qp-XXXXXX"));
    const QString tmpPath = shortTmp.path() + QLatin1Char('/');
    ASSERT_EQ(::chmod(QFile::encodeName(tmpPath).constData(), 01777), 0);
    const QByteArray oldTmp = qgetenv("TMPDIR");
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const auto restore = qScopeGuard([&] {
        oldTmp.isEmpty() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTmp);
        if (!oldRuntime.isEmpty()) {
            qputenv("XDG_RUNTIME_DIR", oldRuntime);
        }
    });
    qputenv("TMPDIR", QFile::encodeName(tmpPath));
    qunsetenv("XDG_RUNTIME_DIR");
    const std::string taken =
        QFile::encodeName(tmpPath).toStdString() + "quillo-pad-" + std::to_string(::getuid());
    const std::string abstractName = "@quillo-pad-" + std::to_string(::getuid());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0 || ::mkdir(taken.c_str(), 0777) != 0) {
            ::_exit(90);
        }
        ::chmod(taken.c_str(), 0777);
        pollfd fds[2] = {{listenOn(abstractName), POLLIN, 0},
                         {listenOn(taken + "/quillo-pad"), POLLIN, 0}};
        (void)!::write(ready[1], "r", 1);
        // Anything that connects within three seconds is a start it learnt of.
        ::_exit(::poll(fds, 2, 3000) == 0 ? 0 : 1);
    }
    ::close(ready[1]); // a child that dies unready ends the read
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    SingleInstance mine;
    EXPECT_EQ(mine.claim(), SingleInstance::Claim::First);
    EXPECT_FALSE(mine.serverName().startsWith(QString::fromStdString(taken)));
    int status = 0;
    ::waitpid(other, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other account saw the start";
    ::close(ready[0]);
}

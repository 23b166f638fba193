// The installed tree as a desktop finds it, and the installed program at work.

#include "testfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <grp.h>
#include <unistd.h>

namespace {

// Runs a command; its exit code, or -1 when it could not run. Output goes to `out`.
int run(const QString& program, const QStringList& args, QString* out = nullptr,
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted() || !p.waitForFinished(120000)) {
        return -1;
    }
    if (out) {
        *out = QString::fromLocal8Bit(p.readAll());
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Every file and folder below `root`.
QStringList below(const QString& root) {
    QStringList all;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        all << it.next();
    }
    return all;
}

// Gives `root` and everything below it the modes a package installs with,
// whatever the umask was: folders 0755, files readable by all and runnable
// by all where the owner may run them.
void openToAll(const QString& root) {
    for (const QString& path : below(root) + QStringList{root}) {
        struct stat st {};
        const QByteArray name = QFile::encodeName(path);
        ASSERT_EQ(::lstat(name.constData(), &st), 0) << name.constData();
        if (S_ISLNK(st.st_mode)) {
            continue;
        }
        const mode_t mode = S_ISDIR(st.st_mode) || (st.st_mode & S_IXUSR) ? 0755 : 0644;
        ASSERT_EQ(::chmod(name.constData(), mode), 0) << name.constData();
    }
}

// Every file and folder below `root` with its size and time of change.
QStringList snapshot(const QString& root) {
    QStringList all;
    for (const QString& path : below(root)) {
        const QFileInfo f(path);
        all << path +
                   QStringLiteral(" %1 %2").arg(f.size()).arg(f.lastModified().toMSecsSinceEpoch());
    }
    all.sort();
    return all;
}

} // namespace

// The installed tree passes both validators, and the installed program,
// started by an ordinary user from the read-only prefix, writes only into
// that user's data folder.
TEST(Install, TreePassesTheValidatorsAndTheProgramWritesOnlyIntoTheDataFolder) {
    // The tree and the user's home lie where that user can reach them, under
    // any umask.
    TestFolder top;
    const QString root = top.path();
    const QString usr = root + "usr/";
    // `cmake --install` of this build, with the prefix /usr.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DESTDIR", root);
    QString out;
    ASSERT_EQ(run(QUILLO_CMAKE, {"--install", QUILLO_BUILD_DIR, "--prefix", "/usr"}, &out, env), 0)
        << out.toStdString();
    openToAll(root);
    ASSERT_TRUE(QDir().mkpath(root + "home"));

    EXPECT_TRUE(QFileInfo(usr + "bin/quillo-pad").isExecutable());

    QFile help(usr + "share/quillo-pad/quillo.hlp");
    QFile source(QStringLiteral(QUILLO_SOURCE_DIR "/quillo.hlp"));
    ASSERT_TRUE(help.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
    EXPECT_EQ(help.readAll(), source.readAll());

    const QString icon = usr + "share/icons/hicolor/scalable/apps/quillo-pad.svg";
    EXPECT_FALSE(QIcon(icon).pixmap(48, 48).isNull()) << "the installed icon draws";

    const QString desktop = usr + "share/applications/quillo-pad.desktop";
    QSettings entry(desktop, QSettings::IniFormat);
    EXPECT_EQ(entry.value("Desktop Entry/Exec").toString(), "quillo-pad");
    EXPECT_EQ(entry.value("Desktop Entry/Icon").toString(), "quillo-pad");
    const QString metainfo = usr + "share/metainfo/org.quillopad.quillopad.metainfo.xml";

    EXPECT_EQ(run(QStringLiteral("desktop-file-validate"), {desktop}, &out), 0)
        << "desktop-file-validate (package desktop-file-utils): " << out.toStdString();
    EXPECT_TRUE(out.trimmed().isEmpty()) << "no warnings either: " << out.toStdString();
    EXPECT_EQ(run(QStringLiteral("appstreamcli"),
                  {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo}, &out),
              0)
        << "appstreamcli (package appstream): " << out.toStdString();

    // An ordinary user may run the installation but not write into it.
    const QString home = root + "home/";
    ASSERT_EQ(::chown(QFile::encodeName(home).constData(), kNobody, kNobody), 0);
    const QStringList before = snapshot(usr);

    env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(home);
    p.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(90);
        }
    });
    p.start(usr + "bin/quillo-pad", {});
    ASSERT_TRUE(p.waitForStarted());

    const QString data = home + ".local/share/quillo-pad/";
    const bool written =
        QTest::qWaitFor([&] { return QFileInfo(data + "quillo.ini").size() == 366; }, 10000);
    p.kill();
    p.waitForFinished();
    ASSERT_TRUE(written) << p.readAllStandardError().toStdString();
    EXPECT_EQ(modeOf(data), 0700u) << "the data folder is the user's alone";
    EXPECT_EQ(QFileInfo(data).ownerId(), uint(kNobody));
    EXPECT_EQ(snapshot(usr), before) << "nothing was written into the prefix";
}

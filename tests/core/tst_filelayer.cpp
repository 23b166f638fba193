#include "childprocess.h"
#include "testfolder.h"

#include "core/filelayer.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>

TEST(FileLayer, WritesReplaceWholeFilesKeepPermissionsAndNameTheFileOnFailure) {
    TestFolder dir;
    const QString f = dir.file("note");
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(FileLayer::writeAtomic(f, "first, longer"));
    EXPECT_EQ(modeOf(f), 0644u) << "a new file: 0666 less the umask";
    ::chmod(QFile::encodeName(f).constData(), 06640);
    ASSERT_TRUE(FileLayer::writeAtomic(f, "second"));
    ::umask(mask);
    EXPECT_EQ(dir.read("note"), "second");
    EXPECT_EQ(modeOf(f), 0640u) << "an existing file keeps its permissions, never set-id bits";
    EXPECT_EQ(dir.files(), QStringList({"note"})) << "no temporary left beside it";

    // A regular file stands where a folder should be.
    const QString bad = dir.file("note/quil0.0");
    EXPECT_EQ(FileLayer::readAll(bad).result.error(), ENOTDIR);
    EXPECT_EQ(
        FileLayer::writeAtomic(bad, "text").message().toStdString(),
        QStringLiteral("Could not save the file \"%1\": Not a directory.").arg(bad).toStdString());
    EXPECT_FALSE(FileLayer::rename(f, bad).ok());
    EXPECT_EQ(dir.read("note"), "second") << "a failed rename leaves the source";

    // As an ordinary user, root's folder refuses new files.
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const int code = runInChild(
        [&] {
            const FileResult r = FileLayer::writeAtomic(f, "lost?");
            return r.ok() ? 0 : (r.error() == EACCES ? 13 : 1);
        },
        kNobody);
    EXPECT_EQ(code, 13);
    EXPECT_EQ(dir.read("note"), "second");
}

// Each step of a save, failing in turn: the save either succeeded or left
// the old file whole, and never a temporary.
TEST(FileLayer, AFailureAtAnyStepLeavesTheOldFileOrTheNew) {
    TestFolder dir;
    const QString f = dir.file("quil3.4");
    const QByteArray old(100000, 'o');
    const QByteArray fresh(150000, 'n');
    int failures = 0;
    for (int n = 1; n < 20; ++n) {
        ASSERT_TRUE(FileLayer::writeAtomic(f, old));
        FileFaults::reset();
        FileFaults::failNth(n, EIO);
        const FileResult r = FileLayer::writeAtomic(f, fresh);
        const bool injected = FileFaults::injected() == 1;
        FileFaults::reset();
        EXPECT_EQ(dir.read("quil3.4"), r.ok() ? fresh : old) << "step " << n;
        EXPECT_EQ(dir.files(), QStringList({"quil3.4"})) << "step " << n;
        failures += r.ok() ? 0 : 1;
        if (!injected) {
            break;
        }
    }
    EXPECT_GE(failures, 6) << "temporary, mode, write, sync, close and rename can each fail";
}

TEST(FileLayer, LeftoversOfACrashGoAndNothingElse) {
    TestFolder dir;
    const QStringList ours = {".quil0.0.aB3dE9", ".items30.dir.abcdef", ".trans.11.q1w2e3",
                              ".quillo.ini.u7Y6t5", ".quillo.rcv.Zx9Yw8"};
    const QStringList others = {".hidden",           "quil0.0",          ".quil0.0.abc",
                                ".notes.txt.abcdef", ".quil0.0.abcdefg", ".items0.dir.ab-d0f",
                                "quillo.loc"};
    for (const QString& name : ours + others) {
        dir.write(name, "x");
    }
    EXPECT_EQ(FileLayer::removeLeftovers(dir.path()), ours.size());
    QStringList left = others;
    left.sort();
    EXPECT_EQ(dir.files(), left);
}

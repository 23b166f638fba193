#include "childprocess.h"
#include "testfolder.h"

#include "store/filelayer.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace {

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

QStringList everyFile(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(FileLayer, WritesReplaceWholeFilesAndKeepPermissions) {
    TestFolder dir;
    const QString f = dir.file("note");
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(FileLayer::writeAtomic(f, "first"));
    EXPECT_EQ(modeOf(f), 0644u) << "a new file: 0666 less the umask";
    ::chmod(QFile::encodeName(f).constData(), 0640);
    ASSERT_TRUE(FileLayer::writeAtomic(f, "second, longer"));
    ::umask(mask);
    EXPECT_EQ(dir.read("note"), "second, longer");
    EXPECT_EQ(modeOf(f), 0640u) << "an existing file keeps its permissions";
    ASSERT_TRUE(FileLayer::writeAtomic(f, ""));
    EXPECT_EQ(dir.read("note").size(), 0);

    ASSERT_TRUE(FileLayer::writeAtomic(dir.file("a"), "0123456789"));
    ASSERT_TRUE(FileLayer::copy(dir.file("a"), dir.file("note")));
    EXPECT_EQ(dir.read("note"), "0123456789");
    ASSERT_TRUE(FileLayer::rename(dir.file("a"), dir.file("b")));
    EXPECT_EQ(dir.read("b"), "0123456789");
    EXPECT_EQ(FileLayer::size(dir.file("b")), 10);
    ASSERT_TRUE(FileLayer::remove(dir.file("b")));
    EXPECT_TRUE(FileLayer::remove(dir.file("b"))) << "a missing file is already gone";
    EXPECT_EQ(everyFile(dir.path()), QStringList({"note"})) << "no temporary left beside it";
}

TEST(FileLayer, EveryFailureComesBackNamingTheFile) {
    TestFolder dir;
    ReadResult r = FileLayer::readAll(dir.file("none"));
    EXPECT_TRUE(r.result.ok());
    EXPECT_FALSE(r.exists);
    dir.mkdir("sub");
    EXPECT_EQ(FileLayer::readAll(dir.file("sub")).result.error(), EISDIR);

    // A regular file stands where a folder should be.
    dir.write("plain", "x");
    const QString bad = dir.file("plain/quil0.0");
    EXPECT_EQ(FileLayer::readAll(bad).result.error(), ENOTDIR);
    const FileResult w = FileLayer::writeAtomic(bad, "text");
    EXPECT_EQ(
        w.message().toStdString(),
        QStringLiteral("Could not save the file \"%1\": Not a directory.").arg(bad).toStdString());
    EXPECT_FALSE(FileLayer::copy(dir.file("plain"), bad).ok());
    EXPECT_FALSE(FileLayer::copy(dir.file("missing"), dir.file("to")).ok());
    EXPECT_FALSE(dir.exists("to"));
    EXPECT_FALSE(FileLayer::rename(dir.file("plain"), bad).ok());
    EXPECT_TRUE(dir.exists("plain")) << "a failed rename leaves the source";
    EXPECT_FALSE(FileLayer::remove(bad).ok());
    FileResult s;
    EXPECT_EQ(FileLayer::size(bad, &s), -1);
    EXPECT_FALSE(s.ok());
}

TEST(FileLayer, RefusedOrFullLeavesTheOldFile) {
    TestFolder dir;
    const QString folder = dir.mkdir("locked");
    ASSERT_TRUE(FileLayer::writeAtomic(folder + "quil0.0", "kept"));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    // As an ordinary user, root's folder refuses new files.
    const int code = runInChild(
        [&] {
            const FileResult r = FileLayer::writeAtomic(folder + "quil0.0", "lost?");
            return r.ok() ? 0 : (r.error() == EACCES ? 13 : 1);
        },
        65534);
    EXPECT_EQ(code, 13);
    EXPECT_EQ(dir.read("locked/quil0.0"), "kept");

    const QString mount = dir.mkdir("small");
    std::string why;
    if (!mountSmallTmpfs(QFile::encodeName(mount).constData(), "64k", &why)) {
        GTEST_SKIP() << why;
    }
    ASSERT_TRUE(FileLayer::writeAtomic(mount + "quil0.0", "the old note"));
    const FileResult r = FileLayer::writeAtomic(mount + "quil0.0", QByteArray(256 * 1024, 'x'));
    EXPECT_EQ(r.error(), ENOSPC);
    EXPECT_EQ(dir.read("small/quil0.0"), "the old note");
    EXPECT_EQ(everyFile(mount).size(), 1) << "the temporary file is cleaned up";
    unmount(QFile::encodeName(mount).constData());
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
        EXPECT_EQ(everyFile(dir.path()), QStringList({"quil3.4"})) << "step " << n;
        failures += r.ok() ? 0 : 1;
        if (!injected) {
            break;
        }
    }
    EXPECT_GE(failures, 6) << "temporary, mode, write, sync, close and rename can each fail";

    // Only the folder's sync failed: the note is in place and read by
    // everybody, so the save has not failed.
    FileFaults::failStep("syncdir", QString(), EIO);
    EXPECT_TRUE(FileLayer::writeAtomic(f, fresh).ok());
    EXPECT_EQ(FileFaults::injected(), 1);
    FileFaults::reset();
    EXPECT_EQ(dir.read("quil3.4"), fresh);
}

TEST(FileLayer, LeftoversOfACrashGoAndNothingElse) {
    TestFolder dir;
    const QStringList ours = {".quil0.0.aB3dE9",  ".group.dir.Zz0000", ".items30.dir.abcdef",
                              ".trans.11.q1w2e3", ".trans.dir.XXXXXX", ".quillo.ini.u7Y6t5"};
    const QStringList others = {"quil0.0",    ".quil0.0.abc",     ".notes.txt.abcdef", ".hidden",
                                "quillo.loc", ".quil0.0.abcdefg", ".items0.dir.ab-d0f"};
    for (const QString& name : ours + others) {
        dir.write(name, "x");
    }
    EXPECT_EQ(FileLayer::removeLeftovers(dir.path()), ours.size());
    QStringList left = others;
    left.sort();
    EXPECT_EQ(everyFile(dir.path()), left);
}

#include "childprocess.h"
#include "testfolder.h"

#include "store/filelayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace {

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(FileLayer, WholeFileWritesReplaceAndKeepPermissions) {
    TestFolder dir;
    const QString f = dir.file("note");
    ASSERT_TRUE(FileLayer::writeAtomic(f, "first", 0640));
    EXPECT_EQ(dir.read("note"), "first");
    EXPECT_EQ(modeOf(f), 0640u);
    ASSERT_TRUE(FileLayer::writeAtomic(f, "second, longer"));
    EXPECT_EQ(dir.read("note"), "second, longer");
    EXPECT_EQ(modeOf(f), 0640u) << "an existing file keeps its permissions";
    ASSERT_TRUE(FileLayer::writeAtomic(f, ""));
    EXPECT_TRUE(dir.exists("note"));
    EXPECT_EQ(dir.read("note").size(), 0);
    // No temporary file is left beside the target.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(FileLayer, ReadsMissingAsEmptyAndReportsWhatCannotBeRead) {
    TestFolder dir;
    ReadResult r = FileLayer::readAll(dir.file("none"));
    EXPECT_TRUE(r.result.ok());
    EXPECT_FALSE(r.exists);
    EXPECT_TRUE(r.data.isEmpty());

    dir.mkdir("sub");
    r = FileLayer::readAll(dir.file("sub"));
    EXPECT_FALSE(r.result.ok());
    EXPECT_EQ(r.result.error(), EISDIR);

    // A regular file standing where a folder should be.
    dir.write("plain", "x");
    r = FileLayer::readAll(dir.file("plain/group.dir"));
    EXPECT_FALSE(r.result.ok());
    EXPECT_EQ(r.result.error(), ENOTDIR);
    EXPECT_TRUE(r.result.message().contains(dir.file("plain/group.dir")));
}

TEST(FileLayer, EveryOperationReportsItsFailureNamingTheFile) {
    TestFolder dir;
    dir.write("plain", "x");
    const QString bad = dir.file("plain/quil0.0");
    const FileResult w = FileLayer::writeAtomic(bad, "text");
    EXPECT_FALSE(w.ok());
    EXPECT_EQ(w.error(), ENOTDIR);
    EXPECT_EQ(
        w.message().toStdString(),
        QStringLiteral("Could not save the file \"%1\": Not a directory.").arg(bad).toStdString());
    EXPECT_FALSE(FileLayer::writeAt(bad, 0, "x").ok());
    EXPECT_FALSE(FileLayer::copy(dir.file("plain"), bad).ok());
    EXPECT_FALSE(FileLayer::copy(dir.file("missing"), dir.file("to")).ok());
    EXPECT_FALSE(dir.exists("to"));
    EXPECT_FALSE(FileLayer::rename(dir.file("plain"), bad).ok());
    EXPECT_TRUE(dir.exists("plain")) << "a failed rename leaves the source";
    EXPECT_FALSE(FileLayer::remove(bad).ok());
    EXPECT_TRUE(FileLayer::remove(dir.file("missing")).ok()) << "a missing file is already gone";
    FileResult s;
    EXPECT_EQ(FileLayer::size(bad, &s), -1);
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(FileLayer::size(dir.file("missing"), &s), -1);
    EXPECT_TRUE(s.ok());
}

TEST(FileLayer, InPlaceWriteCopyRenameAndDelete) {
    TestFolder dir;
    ASSERT_TRUE(FileLayer::writeAtomic(dir.file("a"), "0123456789"));
    ASSERT_TRUE(FileLayer::writeAt(dir.file("a"), 3, "xy"));
    EXPECT_EQ(dir.read("a"), "012xy56789");
    ASSERT_TRUE(FileLayer::writeAt(dir.file("new"), 0, "abc"));
    EXPECT_EQ(dir.read("new"), "abc");

    ASSERT_TRUE(FileLayer::writeAtomic(dir.file("b"), "old b"));
    ASSERT_TRUE(FileLayer::copy(dir.file("a"), dir.file("b")));
    EXPECT_EQ(dir.read("b"), "012xy56789");
    EXPECT_EQ(dir.read("a"), "012xy56789");

    ASSERT_TRUE(FileLayer::rename(dir.file("a"), dir.file("new")));
    EXPECT_FALSE(dir.exists("a"));
    EXPECT_EQ(dir.read("new"), "012xy56789");
    EXPECT_EQ(FileLayer::size(dir.file("new")), 10);

    ASSERT_TRUE(FileLayer::remove(dir.file("new")));
    EXPECT_FALSE(dir.exists("new"));
}

TEST(FileLayer, RefusedWriteLeavesTheOldFileAndSaysWhy) {
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
}

TEST(FileLayer, FullDiskLeavesTheOldFile) {
    TestFolder dir;
    const QString mount = dir.mkdir("small");
    std::string why;
    if (!mountSmallTmpfs(QFile::encodeName(mount).constData(), "64k", &why)) {
        GTEST_SKIP() << why;
    }
    ASSERT_TRUE(FileLayer::writeAtomic(mount + "quil0.0", "the old note"));
    const FileResult r = FileLayer::writeAtomic(mount + "quil0.0", QByteArray(256 * 1024, 'x'));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.error(), ENOSPC);
    EXPECT_EQ(dir.read("small/quil0.0"), "the old note");
    EXPECT_EQ(QDir(mount).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "the temporary file is cleaned up";
    unmount(QFile::encodeName(mount).constData());
}

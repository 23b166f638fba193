#include "childprocess.h"
#include "testfolder.h"

#include "app/programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNobody = 65534;

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

TEST(ProgramFolder, WritableBuildOrPortableCopyKeepsItsOwnFolder) {
    TestFolder exe;
    TestFolder data;
    exe.write("quillo", "program");
    exe.write("quillo.hlp", "help");
    const ProgramFolder f = ChooseProgramFolder(exe.path(), data.path(), data.path());
    EXPECT_EQ(f.AppFolder, exe.path());
    EXPECT_EQ(f.HelpFile, exe.file("quillo.hlp"));
    EXPECT_TRUE(QDir(data.path()).isEmpty()) << "no data folder is made";

    // A portable copy without its help file is still a writable program folder.
    TestFolder bare;
    bare.write("quillo", "program");
    EXPECT_EQ(ChooseProgramFolder(bare.path(), data.path(), data.path()).AppFolder, bare.path());
}

TEST(ProgramFolder, InstalledCopyUsesTheDataFolderEvenWhereItCouldWrite) {
    // prefix/bin/quillo-pad with prefix/share/quillo-pad/quillo.hlp, writable
    // here (the tests run as root, as an installation into the user's own
    // prefix would be).
    TestFolder prefix;
    const QString bin = prefix.mkdir("bin");
    prefix.mkdir("share/quillo-pad");
    prefix.write("share/quillo-pad/quillo.hlp", "help");
    TestFolder home;
    const ProgramFolder f = ChooseProgramFolder(bin, QString(), home.path());
    const QString data = home.path() + ".local/share/quillo-pad/";
    EXPECT_EQ(f.AppFolder, data);
    EXPECT_TRUE(QFileInfo(data).isDir());
    EXPECT_EQ(modeOf(data), 0700u) << "owner only";
    EXPECT_EQ(f.HelpFile, prefix.file("share/quillo-pad/quillo.hlp"));
    EXPECT_EQ(QDir(bin).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    // $XDG_DATA_HOME wins when it is an absolute path; a relative one is ignored.
    TestFolder xdg;
    EXPECT_EQ(ChooseProgramFolder(bin, xdg.path(), home.path()).AppFolder,
              xdg.path() + "quillo-pad/");
    EXPECT_EQ(ChooseProgramFolder(bin, "relative/data", home.path()).AppFolder, data);

    // A help file the user put into the program folder comes first.
    QFile::copy(prefix.file("share/quillo-pad/quillo.hlp"), data + "quillo.hlp");
    EXPECT_EQ(ChooseProgramFolder(bin, QString(), home.path()).HelpFile, data + "quillo.hlp");
}

TEST(ProgramFolder, FolderTheUserCannotWriteGivesTheDataFolder) {
    TestFolder exe;
    exe.write("quillo", "program");
    exe.write("quillo.hlp", "help");
    TestFolder home;
    ASSERT_EQ(::chmod(QFile::encodeName(exe.path()).constData(), 0755), 0);
    ASSERT_EQ(::chown(QFile::encodeName(home.path()).constData(), kNobody, kNobody), 0);
    // As an ordinary user the program folder is read-only.
    const int code = runInChild(
        [&] {
            const ProgramFolder f = ChooseProgramFolder(exe.path(), QString(), home.path());
            const QString data = home.path() + ".local/share/quillo-pad/";
            if (f.AppFolder != data) {
                return 1;
            }
            if (!QFileInfo(data).isDir() || modeOf(data) != 0700) {
                return 2;
            }
            // The help file beside the program is still found.
            return f.HelpFile == exe.file("quillo.hlp") ? 0 : 3;
        },
        kNobody);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(QDir(exe.path()).entryList(QDir::Files), QStringList({"quillo", "quillo.hlp"}));
}

#include "childprocess.h"
#include "testfolder.h"

#include "app/programfolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

// Running the installed program from its prefix is the install test's part;
// here the choices it cannot reach: an installed copy that could write into
// its prefix, $XDG_DATA_HOME, and the help file's order.
TEST(ProgramFolder, InstalledCopyUsesTheDataFolderEvenWhereItCouldWrite) {
    TestFolder prefix;
    const QString bin = prefix.mkdir("bin");
    prefix.mkdir("share/quillo-pad");
    prefix.write("share/quillo-pad/quillo.hlp", "help");
    TestFolder home;
    const ProgramFolder f = ChooseProgramFolder(bin, QString(), home.path());
    const QString data = home.path() + ".local/share/quillo-pad/";
    EXPECT_EQ(f.AppFolder, data);
    EXPECT_EQ(modeOf(data), 0700u) << "owner only";
    EXPECT_EQ(f.HelpFile, prefix.file("share/quillo-pad/quillo.hlp"));
    EXPECT_TRUE(QDir(bin).isEmpty());

    // $XDG_DATA_HOME wins when it is an absolute path; a relative one is ignored.
    TestFolder xdg;
    EXPECT_EQ(ChooseProgramFolder(bin, xdg.path(), home.path()).AppFolder,
              xdg.path() + "quillo-pad/");
    EXPECT_EQ(ChooseProgramFolder(bin, "relative/data", home.path()).AppFolder, data);
    // A help file the user put into the program folder comes first.
    QFile::copy(prefix.file("share/quillo-pad/quillo.hlp"), data + "quillo.hlp");
    EXPECT_EQ(ChooseProgramFolder(bin, QString(), home.path()).HelpFile, data + "quillo.hlp");
}

// A copy with its help file beside it, in a folder an ordinary user cannot
// write, or in one another account owns that every account can write (two
// accounts on one program folder): the data folder holds the files, the
// help beside the program is found.
TEST(ProgramFolder, FolderTheUserCannotWriteOrDoesNotOwnGivesTheDataFolder) {
    TestFolder exe;
    exe.write("quillo.hlp", "help");
    for (const mode_t mode : {0755, 0777}) {
        TestFolder home;
        ASSERT_EQ(::chmod(QFile::encodeName(exe.path()).constData(), mode), 0);
        ASSERT_EQ(::chown(QFile::encodeName(home.path()).constData(), kNobody, kNobody), 0);
        const int code = runInChild(
            [&] {
                const ProgramFolder f = ChooseProgramFolder(exe.path(), QString(), home.path());
                const QString data = home.path() + ".local/share/quillo-pad/";
                return f.AppFolder == data && modeOf(data) == 0700 &&
                               f.HelpFile == exe.file("quillo.hlp")
                           ? 0
                           : 1;
            },
            kNobody);
        EXPECT_EQ(code, 0) << std::oct << mode;
        EXPECT_EQ(QDir(exe.path()).entryList(QDir::Files), QStringList({"quillo.hlp"}));
    }
}

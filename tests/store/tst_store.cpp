#include "childprocess.h"
#include "mainwindowfixture.h"

#include "core/filelayer.h"
#include "core/history.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "store/notetext.h"
#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"

#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>

using Store = MainWindowFixture;

TEST_F(Store, UnloadSavesTheNoteAndNamesItemAndGroup) {
    start();
    type("  ");
    key(Qt::Key_Return);
    type(QString::fromUtf8("Caf\u00e9 \u20ac5"));
    key(Qt::Key_Return);
    type(QString::fromUtf8("second line \u0416"));
    EXPECT_TRUE(note().endsWith("line ?")) << "what the store cannot hold is marked as typed";
    QSignalSpy ended(w.get(), &edit::endProgram);
    w->unload->click();
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(dir.read("quil0.0"), QByteArray("  \r\nCaf\xE9 \x80"
                                              "5\r\nsecond line ?") +
                                       QByteArray("\x01\x00", 2));
    EXPECT_EQ(dir.read("items0.dir"), names({"Caf\xE9 \x80"
                                             "5\r\nsecond line ?"},
                                            62));
    EXPECT_EQ(dir.read("group.dir"), names({"Untitled"}, 31));
}

TEST_F(Store, LoadsHandMadeFilesAtStart) {
    writeSettings(dir, [](SettingsRecord& r) {
        r.CurrentGroup = 3;
        r.CurrentItem[3] = 5;
    });
    dir.write("group.dir", names({"Home   ", QByteArray(40, 'x'), "", "Caf\xE9 \x80"}, 31));
    dir.write("items3.dir", names({"a", "b", "c", "d", "e", "Fifth"}, 62));
    dir.write("quil3.5", QByteArray("line one\r\nline two\r\n\x80\x00\x00", 23));
    dir.write("trans.dir", names({"Parked"}, 12));
    start();
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Home"));
    EXPECT_EQ(w->Group[1]->text(), QString(40, QLatin1Char('x')));
    EXPECT_EQ(w->Group[3]->text(), QStringLiteral("Caf\u00e9 \u20ac"));
    EXPECT_EQ(w->Item[5]->text(), QStringLiteral("Fifth"));
    EXPECT_EQ(w->Trans[0]->text(), QStringLiteral("Parked"));
    EXPECT_EQ(VbColor::of(w->Group[3]), 0xFF);
    EXPECT_EQ(VbColor::of(w->Item[5]), 0xFF);
    EXPECT_EQ(note(), QStringLiteral("line one\nline two\n\u20ac"));
    EXPECT_TRUE(w->Txt[0]->isVisible()) << "the note's own word wrap, off";
    EXPECT_EQ(NoteText::get(w->Txt[1]), note()) << "both boxes hold the note";
    EXPECT_FALSE(m->noteChanged());
}

TEST_F(Store, EmptyFilesGoAndDamagedOnesAreReadAsFarAsTheyGoAndKept) {
    dir.write("group.dir", field("Whole") + "Par");
    dir.write("items0.dir", "");
    dir.write("quil0.0", "");
    dir.write("trans.dir", "");
    dir.write(".quillo.ini.Ab3dE9", "left by a crash"); // goes at start-up
    start();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"group.dir", "quillo.ini"}));
    EXPECT_EQ(w->Group[1]->text(), QStringLiteral("Par"));
    EXPECT_EQ(dir.read("group.dir").size(), 43);
    EXPECT_EQ(note(), QString());
    EXPECT_TRUE(ui.errors.isEmpty());
}

TEST_F(Store, ItemNamesComeFromTheTextAndAFolderThatWillNotSyncTakesTheSave) {
    start();
    FileFaults::failStep("syncdir", QString(), EIO, 1000);
    const std::pair<QString, QString> cases[] = {
        {"  \nafter the blanks", "after the blanks"},
        {QString(80, QLatin1Char('L')) + "\nnext", QString(40, QLatin1Char('L'))},
        {"tiny\n" + QString(50, QLatin1Char('r')), "tiny\r\n" + QString(34, QLatin1Char('r'))},
        {" \t\n ", ""},
    };
    for (qint16 item = 0; item < 4; ++item) {
        m->S.CurrentItem[0] = m->HighlightedItem = item;
        NoteText::set(m->noteBox(), cases[item].first);
        m->SaveNote();
        EXPECT_EQ(w->Item[item]->text(), cases[item].second);
        EXPECT_EQ(NameIndex::decode(dir.read("items0.dir"), 62).at(item), cases[item].second);
    }
    // An empty note is the 2-byte flag alone and loads as empty with its flag.
    // (That the visible box is the one saved, Selection.WordWrapIsSwitchedPerNote guards.)
    m->S.CurrentItem[0] = m->HighlightedItem = 4;
    m->S.WordWrap = 0;
    NoteText::set(w->Txt[0], QString());
    m->SaveNote();
    EXPECT_EQ(dir.read("quil0.4"), storedNote("", 0));
    m->S.WordWrap = 1;
    m->LoadNote();
    EXPECT_TRUE(w->Txt[0]->isVisible());
    EXPECT_GT(FileFaults::injected(), 4);
    FileFaults::reset();
    m->CloseAllFiles();
    EXPECT_TRUE(ui.errors.isEmpty());
}

// "Unload" with a note that cannot be saved: keep editing, save it as a
// text file and quit, or quit without it. The full disk leaves the old note
// whole and no temporary file.
TEST_F(Store, UnloadOffersAWayOutWhenTheDiskIsFull) {
    const QString app = dir.mkdir("small");
    std::string why;
    if (!mountSmallTmpfs(QFile::encodeName(app).constData(), "128k", &why)) {
        GTEST_SKIP() << why;
    }
    const auto cleanUp = qScopeGuard([&] {
        w.reset();
        m.reset();
        unmount(QFile::encodeName(app).constData());
    });
    ASSERT_TRUE(FileLayer::writeAtomic(app + "quil0.0", storedNote("the old note")));
    start(app);
    const QString big = QString(200000, QLatin1Char('x')) + QStringLiteral("\n\u20ac");
    NoteText::set(m->noteBox(), big);
    QSignalSpy ended(w.get(), &edit::endProgram);
    ui.answers = {2};
    w->unload->click();
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_TRUE(ui.questions[0].contains("No space left on device"));
    EXPECT_EQ(ended.count(), 0) << "Keep Editing";

    ui.answers = {0};
    ui.nextFileName = dir.file("rescued.txt");
    w->unload->click();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(dir.read("rescued.txt"), QByteArray(200000, 'x') + "\r\n\xE2\x82\xAC");

    ui.answers = {1};
    w->unload->click();
    EXPECT_EQ(ended.count(), 2) << "Quit Without Saving";
    EXPECT_EQ(dir.read("small/quil0.0"), storedNote("the old note"));
    EXPECT_TRUE(dir.files("small").filter(QRegularExpression("^\\.")).isEmpty())
        << dir.files("small").join(' ').toStdString();
}

// A file the program could not read is not saved over with what it did not see.
TEST_F(Store, UnreadableFilesAreNotSavedOver) {
    dir.write("group.dir", names({"Alpha", "Beta"}, 31));
    dir.write("quil0.1", storedNote("stored"));
    FileFaults::failStep("read", "group.dir", EIO);
    start();
    FileFaults::reset();
    EXPECT_EQ(w->Group[0]->text(), QString());
    click(w->Group[3], Qt::RightButton);
    type("Gamma");
    key(Qt::Key_Return);
    EXPECT_EQ(dir.read("group.dir"), names({"Alpha", "Beta"}, 31));
    EXPECT_TRUE(ui.errors.last().contains("please repeat your change"));
    EXPECT_EQ(w->Group[1]->text(), QStringLiteral("Beta")) << "read again";
    click(w->Group[3], Qt::RightButton);
    type("Gamma");
    key(Qt::Key_Return);
    EXPECT_EQ(dir.read("group.dir"), names({"Alpha", "Beta", "", "Gamma"}, 31));

    click(w->Group[0]);
    FileFaults::failStep("read", "quil0.1", EIO);
    click(w->Item[1]);
    FileFaults::reset();
    type("typed over nothing");
    click(w->Item[2]);
    EXPECT_EQ(dir.read("quil0.1"), storedNote("stored"));
    EXPECT_EQ(note(), QStringLiteral("typed over nothing"));
    EXPECT_TRUE(ui.errors.last().contains("not overwritten"));
    // Given up, the stored note shows again.
    w->Txt[1]->selectAll();
    key(Qt::Key_Delete);
    click(w->Item[2]);
    click(w->Item[1]);
    EXPECT_EQ(note(), QStringLiteral("stored"));
}

TEST_F(Store, UnreachableNetworkFolderFallsBackToTheLocalStore) {
    writeSettings(dir, [](SettingsRecord& r) {
        r.NetworkMode = 1;
        r.setNetworkFolder(QStringLiteral("/no/such/share"));
        r.CurrentGroup = 4;
    });
    dir.write("quil0.0", storedNote("local note"));
    start();
    EXPECT_TRUE(w->NetOption[0]->isChecked());
    EXPECT_EQ(m->S.CurrentGroup, 0);
    EXPECT_EQ(note(), QStringLiteral("local note"));
    EXPECT_EQ(SettingsRecord::fromBytes(dir.read("quillo.ini"))->NetworkMode, 0);
    EXPECT_TRUE(ui.errors.isEmpty()) << "no message for the fall-back";
}

// A save keeps the text it replaces under the names of that moment, and
// nothing when the file already holds what is saved: also when another copy
// has just renamed the note or written it, with a text of the same size.
TEST_F(Store, ASaveKeepsWhatAnotherCopyLeftUnderTheNamesOfTheMoment) {
    dir.write("group.dir", names({"Group"}, 31));
    dir.write("items0.dir", names({"First"}, 62));
    dir.write("quil0.0", NoteFile::encode("aaaa", 1));
    start();
    const auto save = [this](const QString& text) {
        NoteText::set(m->noteBox(), text);
        m->SaveNote();
        m->CloseAllFiles();
        ASSERT_FALSE(m->SaveFailed);
        ASSERT_EQ(dir.read("quil0.0"), NoteFile::encode(text, 1));
    };
    save("bbbb");
    dir.write("items0.dir", names({"Other"}, 62));
    dir.write("quil0.0", NoteFile::encode("cccc", 1));
    save("cccc");
    dir.write("quil0.0", NoteFile::encode("dddd", 1));
    save("cccc");
    const History history(dir.path());
    const QList<History::Entry> kept = history.entries();
    ASSERT_EQ(kept.size(), 2);
    EXPECT_EQ(kept[0].itemName, "Other");
    EXPECT_EQ(history.text(kept[0]).data, NoteFile::encode("dddd", 1));
    EXPECT_EQ(kept[1].itemName, "First");
    EXPECT_EQ(history.text(kept[1]).data, NoteFile::encode("aaaa", 1));
}

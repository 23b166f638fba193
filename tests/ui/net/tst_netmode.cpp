#include "holder.h"

#include "core/filelayer.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QProcess>
#include <QRadioButton>
#include <QTimer>

class NetMode : public NetworkFixture {
protected:
    // Another copy at work on the share, under the lock, as it would.
    void tool(const QStringList& args) {
        QProcess p;
        p.start(binDir() + "/quillo_storetool", args);
        ASSERT_TRUE(p.waitForFinished(10000));
        ASSERT_EQ(p.exitCode(), 0);
    }
    void otherCopySaves(int g, int i, const QString& text, int wrap = 1) {
        tool({"write-note", net, QString::number(g), QString::number(i), QString::number(wrap),
              text});
    }
};

// Without a folder the Network button keeps the local store, in full even
// where the folder was emptied in network mode, and says why and where to
// set one.
TEST_F(NetMode, WithNoFolderNetworkGoesBackToTheLocalStoreInFull) {
    dir.write("group.dir", names({"Local"}, 31));
    share("group.dir", names({"Shared"}, 31));
    start();
    ASSERT_EQ(w->Group[0]->text(), QStringLiteral("Shared"));
    m->S.setNetworkFolder(QString());
    click(w->NetOption[1]);
    EXPECT_EQ(m->S.NetworkMode, 0);
    EXPECT_EQ(storedMode(), 0);
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Local"));
    EXPECT_TRUE(w->NetOption[0]->isChecked());
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].startsWith("No network folder is set")) << ui.errors[0].toStdString();
    EXPECT_TRUE(ui.errors[0].contains("Options")) << ui.errors[0].toStdString();
    EXPECT_TRUE(ui.errors[0].contains("\"Set Network Folder\"")) << ui.errors[0].toStdString();

    type("saved first");
    click(w->NetOption[0]);
    EXPECT_EQ(dir.read("quil0.0"), storedNote("saved first")) << "the current mode's button saves";
    EXPECT_EQ(ui.errors.size(), 1) << "Local needs no folder";
    click(w->NetOption[1]);
    EXPECT_TRUE(w->NetOption[0]->isChecked());
    EXPECT_EQ(ui.errors.size(), 2);
    // The program's own change of the option switches nothing.
    w->NetOption[1]->setChecked(true);
    EXPECT_EQ(m->S.NetworkMode, 0);
}

TEST_F(NetMode, SwitchingBothWaysSavesFirstAndStartsAtTheFirstItem) {
    writeSettings(dir, [this](SettingsRecord& r) { r.setNetworkFolder(net); });
    dir.write("group.dir", names({"Local"}, 31));
    share("group.dir", names({"Shared"}, 31));
    share("quil0.0", storedNote("on the share"));
    start();
    click(w->Group[3]);
    click(w->Item[5]);
    type("local words");
    QStringList reads; // what another copy finds while the share is read
    FileFaults::setObserver([&](const char* step, const QString& path) {
        if (qstrcmp(step, "open") == 0 && path.startsWith(net)) {
            reads.append(tryLockElsewhere(lock));
        }
    });
    click(w->NetOption[1]);
    FileFaults::reset();
    EXPECT_FALSE(reads.isEmpty());
    EXPECT_EQ(reads.filter("busy").size(), reads.size());
    EXPECT_EQ(dir.read("quil3.5"), storedNote("local words"));
    EXPECT_EQ(m->StoreFolder, net);
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Shared"));
    EXPECT_EQ(note(), QStringLiteral("on the share"));
    expectChosen(0, 0);
    EXPECT_EQ(storedMode(), 1);
    EXPECT_TRUE(w->refreshtimer->isActive());

    // Back to local: the edit goes to the share, under the lock.
    type("more ");
    QByteArray whileSaving;
    FileFaults::setObserver([&](const char* step, const QString& path) {
        if (qstrcmp(step, "rename") == 0 && path == net + "quil0.0") {
            whileSaving = tryLockElsewhere(lock);
        }
    });
    click(w->NetOption[0]);
    FileFaults::reset();
    EXPECT_EQ(shared("quil0.0"), storedNote("more on the share"));
    EXPECT_EQ(whileSaving, "busy");
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Local"));
    expectChosen(0, 0);
    EXPECT_EQ(storedMode(), 0);
}

TEST_F(NetMode, TheRefreshShowsWhatOtherCopiesSaved) {
    share("group.dir", names({"Shared"}, 31));
    share("quil0.0", storedNote("first"));
    start();
    otherCopySaves(0, 0, "second\nline", 0);
    tool({"rename-group", net, "4", "Theirs"});
    w->refreshit();
    EXPECT_EQ(w->Group[4]->text(), QStringLiteral("Theirs"));
    EXPECT_EQ(w->Txt[0]->toPlainText(), QStringLiteral("second\nline"));
    EXPECT_EQ(w->Txt[1]->toPlainText(), QStringLiteral("second\nline"));
    EXPECT_TRUE(w->Txt[0]->isVisible()) << "with the note's own word wrap";
    EXPECT_FALSE(w->Wordwrapcheck->isChecked());
    EXPECT_FALSE(m->noteChanged());

    // Typing while nobody else saves: the box is left alone.
    type("mine: ");
    w->refreshit();
    EXPECT_EQ(note(), QStringLiteral("mine: second\nline"));

    // Another copy holds the lock through every attempt: nothing changes.
    otherCopySaves(0, 0, "third");
    {
        Holder holder(lock);
        ASSERT_TRUE(holder.waitUntilHeld());
        w->refreshit();
        EXPECT_EQ(note(), QStringLiteral("mine: second\nline"));
    }
    EXPECT_TRUE(ui.modalsShown.isEmpty() && ui.errors.isEmpty());

    // A note emptied elsewhere: its empty file goes and the box empties.
    w->Txt[0]->selectAll();
    key(Qt::Key_Delete);
    share("quil0.0", "");
    w->refreshit();
    EXPECT_EQ(note(), QString());
    EXPECT_FALSE(QFile::exists(net + "quil0.0"));
}

// This copy's own save is no news to the refresh, whatever was loaded
// before it. Another copy's different text is: it is shown, the caret
// stays, and this copy's own text is kept as a note where it can be seen.
TEST_F(NetMode, OnlyAnotherCopysSaveIsAConflictAndTheEditIsKeptInSight) {
    share("group.dir", names({"Shared"}, 31));
    share("items0.dir", names({QByteArray(40, 'L'), "taken"}, 62));
    share("quil0.0", storedNote("base"));
    start();
    type("my ");
    click(w->NetOption[1]); // saves, and loads nothing: already in network mode
    EXPECT_EQ(shared("quil0.0"), storedNote("my base"));
    type("own ");
    w->refreshit();
    EXPECT_EQ(note(), QStringLiteral("my own base"));
    EXPECT_EQ(m->noteBox()->textCursor().position(), 7);
    EXPECT_TRUE(ui.errors.isEmpty()) << ui.errors.join(' ').toStdString();

    otherCopySaves(0, 0, "their new base");
    w->refreshit();
    EXPECT_EQ(note(), QStringLiteral("their new base"));
    EXPECT_EQ(m->noteBox()->textCursor().position(), 7) << "the caret stays";
    EXPECT_FALSE(m->noteChanged());
    const QByteArray mine = QByteArray(33, 'L') + " (mine)";
    EXPECT_EQ(shared("items0.dir"), names({QByteArray(40, 'L'), "taken", mine}, 62));
    EXPECT_EQ(shared("quil0.2"), storedNote("my own base"));
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains("Your own text was kept as the note"))
        << ui.errors[0].toStdString();
    EXPECT_TRUE(ui.errors[0].contains("item 3 of this group")) << ui.errors[0].toStdString();
    EXPECT_EQ(tryLockElsewhere(lock), "held");

    // In the small window, items 25 to 62 and the slots are hidden: a place
    // there is named as one the large window shows.
    m->S.LargeLayout = 0;
    w->ApplySizePreset();
    ASSERT_FALSE(w->Item[24]->isVisibleTo(w.get()));
    share("items1.dir",
          names({"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10", "11", "12",
                 "13", "14", "15", "16", "17", "18", "19", "20", "21", "22", "23", "24"},
                62));
    click(w->Group[1]);
    type("edit");
    otherCopySaves(1, 0, "theirs");
    w->refreshit();
    ASSERT_EQ(ui.errors.size(), 2);
    EXPECT_TRUE(ui.errors[1].contains("item 25 of this group (shown in the large window)"))
        << ui.errors[1].toStdString();
    EXPECT_EQ(shared("quil1.24"), storedNote("edit"));
    click(w->Group[0]);

    // A note another program wrote with lone CRs is no conflict while typing.
    share("quil0.5", QByteArray("one\rtwo\x01\x00", 9));
    click(w->Item[5]);
    type("three ");
    w->refreshit();
    EXPECT_EQ(note(), QStringLiteral("three one\ntwo"));
    EXPECT_EQ(ui.errors.size(), 2);
}

// "Save" writes only the note that was opened or saved as a text file:
// whatever puts another text in the box takes the offer away.
TEST_F(NetMode, SaveIsOfferedOnlyForTheNoteOpenedOrSaved) {
    start();
    const auto offersSave = [&] {
        w->file_Click();
        return w->Fsave->isEnabled();
    };
    type("text");
    ui.nextFileName = dir.file("notes.txt");
    w->Fsaveas->trigger();
    EXPECT_TRUE(offersSave());
    otherCopySaves(0, 0, "theirs");
    w->refreshit();
    EXPECT_EQ(note(), QStringLiteral("theirs"));
    EXPECT_FALSE(offersSave()) << "another copy's text";
    w->Fsaveas->trigger();
    EXPECT_TRUE(offersSave());
    click(w->NetOption[0]);
    EXPECT_EQ(m->S.NetworkMode, 0);
    EXPECT_FALSE(offersSave()) << "the local store's note";
}

// Another copy names group 6 while this one types a name for group 2: no
// refresh while the name is edited; Enter corrects the labels first and
// keeps the edit, and Enter in the box later takes the name. No refresh
// either while a dialog is open.
TEST_F(NetMode, TheRefreshWaitsForANameEditAndADialog) {
    start();
    click(w->Group[2], Qt::RightButton);
    type("Mine");
    tool({"rename-group", net, "6", "Theirs"});
    w->refreshit();
    EXPECT_EQ(w->Group[6]->text(), QString()) << "not while a name is edited";
    key(Qt::Key_Return);
    EXPECT_EQ(w->Group[6]->text(), QStringLiteral("Theirs"));
    EXPECT_TRUE(w->groupedit->isVisible());
    EXPECT_EQ(w->groupedit->text(), QStringLiteral("Mine"));
    EXPECT_EQ(w->Group[2]->text(), QString());
    key(Qt::Key_Return);
    EXPECT_EQ(note(), QString()) << "Enter is swallowed until the box is left once more";
    click(w->groupedit);
    key(Qt::Key_Return);
    EXPECT_FALSE(w->groupedit->isVisible());
    EXPECT_EQ(shared("group.dir"), names({"", "", "Mine", "", "", "", "Theirs"}, 31));

    tool({"rename-group", net, "7", "Later"});
    QString duringDialog;
    QTimer::singleShot(0, [&] {
        w->refreshit();
        duringDialog = w->Group[7]->text();
        QApplication::activeModalWidget()->close();
    });
    QDialog dialog(w.get());
    dialog.exec();
    EXPECT_EQ(duringDialog, QString()) << "not while a dialog is open";
    w->refreshit();
    EXPECT_EQ(w->Group[7]->text(), QStringLiteral("Later"));
}

TEST_F(NetMode, ARiskyShareIsNamedOncePerRun) {
    prepare = [this](Module1& module) {
        module.mountTable = [this] {
            return MountTable::parse(QStringLiteral("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                                    "41 22 0:42 / %1 rw - fuse.sshfs a@b: rw\n")
                                         .arg(net.chopped(1).replace(" ", "\\040"))
                                         .toUtf8());
        };
    };
    start();
    QCoreApplication::processEvents();
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains("sshfs does not pass locks on"));
    EXPECT_TRUE(ui.errors[0].contains(net.chopped(1)));
    click(w->NetOption[0]);
    click(w->NetOption[1]);
    QCoreApplication::processEvents();
    EXPECT_EQ(ui.errors.size(), 1) << "told once per run";
}

// Another copy moved the edited item away and saved its own note in its
// place: the press that saves finds the names changed, the press after it
// finds another note in the file. Neither writes over it; the refresh keeps
// this copy's text as a note of its own.
TEST_F(NetMode, ANoteAnotherCopyPutInTheEditedPlaceIsNeverSavedOver) {
    share("group.dir", names({"Shared"}, 31));
    share("items0.dir", names({"a"}, 62));
    share("quil0.0", storedNote("alpha"));
    start();
    type("my ");
    share("items0.dir", names({"theirs", "a"}, 62));
    share("quil0.1", storedNote("alpha"));
    share("quil0.0", storedNote("their own"));
    click(w->Item[2]);
    click(w->Item[2]);
    w->refreshit();
    EXPECT_EQ(shared("quil0.0"), storedNote("their own"));
    EXPECT_EQ(shared("items0.dir"), names({"theirs", "a", "theirs (mine)"}, 62));
    EXPECT_EQ(shared("quil0.2"), storedNote("my alpha"));
    EXPECT_EQ(note(), QStringLiteral("their own"));
    EXPECT_EQ(ui.errors.size(), 1);
}

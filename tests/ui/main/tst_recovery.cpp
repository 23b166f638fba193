#include "mainwindowfixture.h"
#include "soon.h"

#include "core/filelayer.h"
#include "core/notefile.h"
#include "core/recoveryfile.h"
#include "ui/main/buttonlabel.h"

#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QPushButton>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

class Recovery : public MainWindowFixture {
protected:
    QString rcv() const { return dir.file(QStringLiteral("quillo.rcv")); }
    void leaveRecovery(const QString& storeFolder, int group, int item, const QString& text) {
        dir.write("quillo.rcv", RecoveryNote{storeFolder, group, item, 1, {}, text}.encode());
    }
};

// A copy killed while its user types leaves the typed text behind; the next
// start offers it, puts it back unsaved into its note, and the save on
// quitting ends it.
TEST_F(Recovery, TextTypedUntilAKillComesBackIntoItsNote) {
    QProcess typist;
    typist.start(QStringLiteral(QUILLO_BIN_DIR "/quillo_typist"), {dir.path()});
    ASSERT_TRUE(typist.waitForStarted());
    ASSERT_SOON_MS(QFileInfo(rcv()).size() > 80, 20000);
    ::kill(static_cast<pid_t>(typist.processId()), SIGKILL);
    typist.waitForFinished();

    const std::optional<RecoveryNote> kept = RecoveryNote::decode(dir.read("quillo.rcv"));
    ASSERT_TRUE(kept);
    QString typed; // what the typist types, as far as it can have come
    for (int k = 1; k <= 1000; ++k) {
        typed += QStringLiteral("line %1\n").arg(k);
    }
    EXPECT_TRUE(typed.startsWith(kept->text)) << kept->text.toStdString();
    EXPECT_GT(kept->text.size(), 30);
    EXPECT_EQ(modeOf(rcv()), 0600u);

    ui.answers = {2}; // Restore It
    start();
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_TRUE(ui.questions[0].contains(QStringLiteral("not saved")));
    EXPECT_EQ(ui.lastAnswers, QStringList({"Save as Text File...", "Discard It", "Restore It"}));
    EXPECT_EQ(note(), kept->text);
    EXPECT_TRUE(m->noteChanged());
    EXPECT_TRUE(QFileInfo::exists(rcv()));
    // The restore was an action begun before the program's event loop ran:
    // it ended with start-up, so no later action is bound to its store.
    QTest::qWait(100);
    m->StoreFolder = dir.file("elsewhere/");
    EXPECT_FALSE(m->operationLostStore());
    m->StoreFolder = m->AppFolder;

    click(w->unload);
    EXPECT_EQ(dir.read("quil0.0"), NoteFile::encode(kept->text, 1));
    EXPECT_FALSE(QFileInfo::exists(rcv()));
    EXPECT_TRUE(ui.errors.isEmpty()) << ui.errors.join('\n').toStdString();
}

namespace {

// The recovery file's sync waits at this gate, as on a slow disk, until the
// test opens it (or two seconds pass, so that a write on the window's thread
// fails the test instead of hanging it).
std::atomic<bool> gateClosed{false};
std::atomic<int> recoverySyncs{0};

void slowRecoverySync(const char* step, const QString& path) {
    if (qstrcmp(step, "sync") != 0 || !path.contains(QLatin1String("quillo.rcv"))) {
        return;
    }
    ++recoverySyncs;
    for (int k = 0; gateClosed && k < 2000; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

// The file is written off the window's thread, one write at a time, and the
// newest text wins; a save or Unload that ends the need for the file is
// never undone by a write still under way.
TEST_F(Recovery, AWriteUnderWayNeverOutlivesItsNote) {
    recoverySyncs = 0;
    FileFaults::setObserver(&slowRecoverySync);
    start();
    click(w->Item[3]);
    // Types `text` and waits until its write is held at the gate.
    const auto typeWhileTheDiskIsBusy = [this](const char* text, int syncs) {
        gateClosed = true;
        type(QString::fromLatin1(text));
        ASSERT_TRUE(m->KeepRecovery());
        ASSERT_SOON(recoverySyncs == syncs);
    };
    typeWhileTheDiskIsBusy("one", 1);
    type(QStringLiteral("two")); // typing goes on while the disk is busy
    ASSERT_TRUE(m->KeepRecovery());
    type(QStringLiteral("three"));
    ASSERT_TRUE(m->KeepRecovery());
    EXPECT_FALSE(QFileInfo::exists(rcv())) << "the first write is still under way";
    gateClosed = false;
    m->SettleRecovery();
    const std::optional<RecoveryNote> kept = RecoveryNote::decode(dir.read("quillo.rcv"));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->text, "onetwothree");
    EXPECT_EQ(kept->item, 3);
    EXPECT_EQ(recoverySyncs, 2) << "the text in between was never written";

    // Saved by going to another note while a write is under way.
    typeWhileTheDiskIsBusy("four", 3);
    click(w->Item[4]);
    gateClosed = false;
    m->SettleRecovery();
    EXPECT_FALSE(QFileInfo::exists(rcv()));
    EXPECT_EQ(dir.read("quil0.3"), storedNote("onetwothreefour"));

    // Unload while a write is under way.
    typeWhileTheDiskIsBusy("five", 4);
    std::thread opener([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        gateClosed = false;
    });
    click(w->unload);
    opener.join();
    m->SettleRecovery();
    EXPECT_FALSE(QFileInfo::exists(rcv())) << "the late write did not bring it back";
    EXPECT_EQ(dir.read("quil0.4"), storedNote("five"));
    FileFaults::reset();
    EXPECT_TRUE(ui.errors.isEmpty()) << ui.errors.join('\n').toStdString();
}

// A text the note holds anyway is no question; another store's text can only
// go to a text file; Discard gives it up and leaves the note alone.
TEST_F(Recovery, OfferedOnlyWhenSomethingWouldBeLost) {
    leaveRecovery(dir.path(), 0, 3, QStringLiteral("typed"));
    dir.write("quil0.3", storedNote("typed"));
    start();
    EXPECT_TRUE(ui.questions.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(rcv()));

    leaveRecovery(dir.path() + QStringLiteral("elsewhere/"), 2, 5, QStringLiteral("far\naway"));
    ui.answers = {1};
    ui.nextFileName = dir.file("kept.txt");
    restart();
    EXPECT_EQ(ui.lastAnswers, QStringList({"Discard It", "Save as Text File..."}));
    EXPECT_EQ(dir.read("kept.txt"), QByteArray("far\r\naway"));
    EXPECT_FALSE(QFileInfo::exists(rcv()));

    // Begun from a text the note no longer holds: saving it aside comes first.
    leaveRecovery(m->StoreFolder, 0, 3, QStringLiteral("not wanted"));
    ui.answers = {0};
    restart();
    EXPECT_EQ(ui.questions.size(), 2);
    EXPECT_TRUE(ui.questions[1].contains("changed since")) << ui.questions[1].toStdString();
    EXPECT_EQ(ui.lastAnswers, QStringList({"Discard It", "Restore It", "Save as Text File..."}));
    EXPECT_FALSE(QFileInfo::exists(rcv()));
    EXPECT_EQ(dir.read("quil0.3"), storedNote("typed"));
    EXPECT_FALSE(m->noteChanged());

    click(w->Item[6]);
    type(QStringLiteral("x"));
    ASSERT_SOON(QFileInfo::exists(rcv()));
    key(Qt::Key_Backspace);
    click(w->unload);
    EXPECT_FALSE(QFileInfo::exists(rcv())) << "typing taken back before quitting";
}

class UndoErase : public Recovery {
protected:
    void erase(QWidget* what) { drag(Qt::LeftButton, {what, w->Del[0]}); }
    bool undoOffered() {
        emit w->Fedit->aboutToShow();
        return w->FundoErase->isEnabled();
    }
};

// An erased note and an erased group come back byte for byte, names with
// line breaks included, for this run and the next; the run after that has
// let them go. A place used since the erase is left as it is, and the user
// is told.
TEST_F(UndoErase, ErasedNoteAndGroupComeBackByteForByte) {
    dir.write("group.dir", names({"Recipes", "Letters"}, 31));
    dir.write("items0.dir", names({"soup", "two\r\nlines"}, 62));
    dir.write("items1.dir", names({"Ann"}, 62));
    dir.write("quil0.0", QByteArray("hot\r\nsoup\x01\x00", 11));
    dir.write("quil0.1", QByteArray("bread\x00\x00", 7));
    dir.write("quil1.0", QByteArray("Dear Ann\x01\x00", 10));
    start();
    const auto before = dir.snapshot();
    EXPECT_FALSE(undoOffered());

    erase(w->Item[1]);
    ASSERT_FALSE(QFileInfo::exists(dir.file("quil0.1")));
    erase(w->Group[0]);
    ASSERT_FALSE(QFileInfo::exists(dir.file("items0.dir")));
    restart();
    ASSERT_TRUE(undoOffered());
    w->FundoErase->trigger();
    EXPECT_EQ(w->Group[0]->text(), "Recipes");
    EXPECT_EQ(m->S.CurrentGroup, 0);
    w->FundoErase->trigger();
    EXPECT_EQ(m->S.currentItem(), 1);
    EXPECT_EQ(note(), "bread");
    EXPECT_FALSE(undoOffered());
    EXPECT_TRUE(ui.errors.isEmpty()) << ui.errors.join('\n').toStdString();
    EXPECT_EQ(withoutSettings(dir.snapshot()), withoutSettings(before));

    erase(w->Item[0]);
    click(w->Item[0]);
    type(QStringLiteral("cold"));
    click(w->Item[5]);
    const auto used = dir.snapshot();
    ASSERT_TRUE(undoOffered());
    w->FundoErase->trigger();
    EXPECT_EQ(dir.snapshot(), used);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains("used since")) << ui.errors[0].toStdString();
    EXPECT_TRUE(undoOffered()) << "it stays for when the place is free again";

    erase(w->Group[1]);
    restart();
    restart();
    EXPECT_FALSE(undoOffered()) << "kept for the run of the erase and the next only";
}

// A save whose operation cannot end is put back: the recovery file stays,
// and quitting asks first.
TEST_F(Recovery, ASaveThatDoesNotStandKeepsTheRecoveryFile) {
    start();
    type(QStringLiteral("draft"));
    ASSERT_SOON(QFileInfo::exists(rcv()));
    m->beforeCommit = [&] {
        m->opStep(FileResult::failure(QStringLiteral("finish saving"), dir.file("quil0.0"), EIO));
    };
    ui.answers = {2}; // Keep Editing
    click(w->unload);
    m->beforeCommit = nullptr;
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_TRUE(ui.questions[0].contains("has not been saved")) << ui.questions[0].toStdString();
    EXPECT_TRUE(QFileInfo::exists(rcv()));
    EXPECT_FALSE(QFileInfo::exists(dir.file("quil0.0")));
    EXPECT_EQ(note(), "draft");
}

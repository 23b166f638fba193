#include "childprocess.h"
#include "holder.h"
#include "soon.h"

#include "core/filelayer.h"
#include "core/storelock.h"
#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"
#include "ui/net/waiting.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>

#include <signal.h>
#include <sys/stat.h>

TEST(StoreLock, OneHolderAtATimeForEveryAccountAndAKilledHolderFreesIt) {
    TestFolder dir;
    const QString path = dir.file("quillo.loc");
    StoreLock a;
    const mode_t mask = ::umask(077);
    ASSERT_TRUE(a.tryAcquire(path));
    ::umask(mask);
    EXPECT_EQ(a.attempt(path), StoreLock::Outcome::Busy) << "the holder's second open is refused";
    EXPECT_EQ(StoreLock().attempt(path), StoreLock::Outcome::Busy);
    a.release();
    EXPECT_EQ(dir.read("quillo.loc").size(), 0) << "the lock file's content is never written";

    // Every user account that reaches the folder can use the lock file,
    // whatever the creator's umask.
    EXPECT_EQ(modeOf(path), 0666u);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
    EXPECT_EQ(runInChild([&] { return StoreLock().tryAcquire(path) ? 0 : 1; }, kNobody), 0);

    // A lock file that cannot be used at all is no busy lock.
    int error = 0;
    EXPECT_EQ(a.attempt(dir.file("missing/quillo.loc"), &error), StoreLock::Outcome::Refused);
    EXPECT_EQ(StoreLock::reason(error), "The network folder cannot be found.");
    ::chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(runInChild([&] { return int(StoreLock().attempt(path)); }, kNobody),
              int(StoreLock::Outcome::Refused));

    Holder holder(path);
    ASSERT_TRUE(holder.waitUntilHeld());
    EXPECT_FALSE(a.tryAcquire(path));
    ::kill(static_cast<pid_t>(holder.process().processId()), SIGKILL);
    holder.process().waitForFinished();
    EXPECT_TRUE(a.tryAcquire(path));
}

class Network : public NetworkFixture {
protected:
    // Plays the user's part in the Waiting dialog, `ms` after it shows.
    void whileWaiting(int ms, const std::function<void(Waiting&)>& act) {
        ui.onModal = [ms, act](QDialog& d) {
            QTimer::singleShot(ms, &d, [&d, act] { act(static_cast<Waiting&>(d)); });
            return false;
        };
    }
    // Another copy takes the lock; the Waiting dialog's Cancel is clicked as soon as it shows.
    std::unique_ptr<Holder> holdAndCancel() {
        auto holder = std::make_unique<Holder>(lock);
        EXPECT_TRUE(holder->waitUntilHeld());
        whileWaiting(50, [](Waiting& d) { d.CancelBtn->click(); });
        return holder;
    }
};

TEST_F(Network, StartUpLoadsTheNetworkStoreUnderTheLock) {
    share("group.dir", names({"Shared"}, 31));
    share("quil0.0", storedNote("on the share"));
    // What a crash left half-way goes, under the lock; nothing else does.
    share(".quil0.5.aB3dE9", "torn");
    share(".notes.txt.aB3dE9", "not ours");
    // Another copy tries the lock while each store file is read.
    QStringList seen;
    FileFaults::setObserver([&](const char* step, const QString& path) {
        if (qstrcmp(step, "open") == 0 && path.startsWith(net)) {
            seen.append(QFileInfo(path).fileName() + ":" + tryLockElsewhere(lock));
        }
    });
    start();
    FileFaults::reset();
    EXPECT_TRUE(seen.contains("quil0.0:busy")) << seen.join(' ').toStdString();
    EXPECT_EQ(seen.filter(":busy").size(), seen.size()) << seen.join(' ').toStdString();
    EXPECT_EQ(m->StoreFolder, net);
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Shared"));
    EXPECT_EQ(note(), QStringLiteral("on the share"));
    EXPECT_EQ(tryLockElsewhere(lock), "held") << "not held while idle";
    EXPECT_EQ(dir.files("net"),
              QStringList({".notes.txt.aB3dE9", "group.dir", "quil0.0", "quillo.loc"}));
    // The refresh runs in network mode while the window is normal, not minimised.
    EXPECT_TRUE(w->refreshtimer->isActive());
    w->Minimise_Click();
    EXPECT_FALSE(w->refreshtimer->isActive());
    w->showNormal();
    EXPECT_TRUE(w->refreshtimer->isActive());
}

TEST_F(Network, UnsavedTextIsNeverDroppedByCancel) {
    start();
    type("typed on the share");
    Holder holder(lock);
    ASSERT_TRUE(holder.waitUntilHeld());
    // First "Keep Waiting", then the holder lets go: the note is saved on the share.
    ui.answers = {1};
    int shown = 0;
    whileWaiting(50, [&](Waiting& d) {
        if (++shown == 1) {
            d.CancelBtn->click();
        } else {
            holder.letGo();
        }
    });
    click(w->Item[1]);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(shared("quil0.0"), storedNote("typed on the share"));
    QApplication::setActiveWindow(w.get());
    click(w->Item[1]);
    EXPECT_EQ(m->S.currentItem(), 1);

    // Now cancel and take the text along on the clipboard.
    type("more words");
    const auto again = holdAndCancel();
    ui.answers = {0};
    click(w->Item[2]);
    EXPECT_EQ(m->S.NetworkMode, 0);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("more words"));
    EXPECT_FALSE(QFile::exists(net + "quil0.1"));
}

// The Waiting dialog opens during a press and takes its release, and Enter
// held down while a name is finished repeats into it: neither presses its
// Cancel nor leaves a half press. The next press on the same button is a
// fresh press that saves the typed text.
TEST_F(Network, InputCarriedIntoTheWaitingDialogActsOnNothing) {
    start();
    type("first");
    Holder holder(lock);
    ASSERT_TRUE(holder.waitUntilHeld());
    whileWaiting(100, [&](Waiting& d) {
        for (int k = 0; k < 3; ++k) {
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
            QApplication::sendEvent(d.CancelBtn, &repeat);
        }
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r");
        QApplication::sendEvent(d.CancelBtn, &up);
        QTest::mouseRelease(d.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTimer::singleShot(100, [&] { holder.letGo(); });
    });
    press(w->Item[1]);
    ui.onModal = nullptr;
    EXPECT_TRUE(ui.questions.isEmpty()) << "the wait was not cancelled";
    EXPECT_EQ(m->S.NetworkMode, 1);
    EXPECT_EQ(w->DragArmed, 0) << "no armed press is left to pause the refresh";
    EXPECT_EQ(shared("quil0.0"), storedNote("first"));
    QApplication::setActiveWindow(w.get());
    ASSERT_SOON(w->isActiveWindow());
    type(" and second");
    click(w->Item[1]);
    EXPECT_EQ(shared("quil0.0"), storedNote("first and second"));
    EXPECT_EQ(m->S.currentItem(), 1);
}

// Cancel goes back to the local store in full, writes nothing to either
// store, and a name edit in progress ends unsaved.
TEST_F(Network, ACancelledWaitFallsBackToTheLocalStoreAndDropsANameEdit) {
    share("group.dir", names({"Shared"}, 31));
    dir.write("group.dir", names({"Local"}, 31));
    dir.write("quil0.0", storedNote("local"));
    start();
    click(w->Group[4]);
    const QStringList netBefore = dir.files("net");
    click(w->Group[0], Qt::RightButton);
    type("Network name");
    const auto holder = holdAndCancel();
    key(Qt::Key_Return);
    EXPECT_EQ(ui.modalsShown, QStringList({"Waiting"}));
    EXPECT_FALSE(w->groupedit->isVisible());
    EXPECT_EQ(w->EditMode, 0);
    EXPECT_TRUE(w->NetOption[0]->isChecked());
    EXPECT_EQ(VbColor::of(w->Group[0]), 0xFF);
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Local"));
    EXPECT_EQ(note(), QStringLiteral("local"));
    EXPECT_FALSE(w->refreshtimer->isActive());
    EXPECT_EQ(storedMode(), 0);
    EXPECT_EQ(dir.files("net"), netBefore);
    EXPECT_EQ(shared("group.dir"), names({"Shared"}, 31));
    EXPECT_EQ(dir.files(), QStringList({"group.dir", "quil0.0", "quillo.ini"}));
}

TEST_F(Network, AFolderThatCannotBeUsedSaysWhyWhileWaiting) {
    start();
    QDir(net).removeRecursively();
    dir.write("net", "a file now");
    QString shown;
    whileWaiting(200, [&](Waiting& d) {
        shown = d.Label1->text() + "|" + d.Reason->text();
        d.CancelBtn->click();
    });
    click(w->Item[2]);
    EXPECT_EQ(shown, QStringLiteral("Waiting for access|The network folder cannot be found.\n"
                                    "Cancel returns to your local notes."));
    EXPECT_EQ(m->S.NetworkMode, 0);
}

#include "childprocess.h"
#include "holder.h"
#include "mainwindowfixture.h"
#include "soon.h"

#include "store/filelayer.h"
#include "store/nameindex.h"
#include "store/storelock.h"
#include "store/vbcolor.h"
#include "store/waiting.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"
#include "ui/twips.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>

#include <signal.h>
#include <sys/stat.h>

namespace {

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(StoreLock, OneHolderAtATimeEvenInOneProcess) {
    TestFolder dir;
    const QString path = dir.file("quillo.loc");
    StoreLock a;
    StoreLock b;
    const mode_t mask = ::umask(077);
    ASSERT_TRUE(a.tryAcquire(path));
    ::umask(mask);
    EXPECT_EQ(a.attempt(path), StoreLock::Outcome::Busy) << "the holder's second open is refused";
    EXPECT_EQ(b.attempt(path), StoreLock::Outcome::Busy);
    a.release();
    EXPECT_EQ(dir.read("quillo.loc").size(), 0) << "the lock file's content is never written";

    // Every user account that reaches the folder can use the lock file,
    // whatever the creator's umask.
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
    EXPECT_EQ(runInChild([&] { return StoreLock().tryAcquire(path) ? 0 : 1; }, 65534), 0);

    // A lock file that cannot be used at all is no busy lock.
    int error = 0;
    EXPECT_EQ(a.attempt(dir.file("missing/quillo.loc"), &error), StoreLock::Outcome::Refused);
    EXPECT_EQ(StoreLock::reason(error), "The network folder cannot be found.");
    dir.write("plain", "x");
    EXPECT_EQ(a.attempt(dir.file("plain/quillo.loc"), &error), StoreLock::Outcome::Refused);
    ::chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(runInChild([&] { return int(StoreLock().attempt(path)); }, 65534),
              int(StoreLock::Outcome::Refused));
}

TEST(StoreLock, KilledHolderFreesTheLock) {
    TestFolder dir;
    const QString path = dir.file("quillo.loc");
    Holder holder(path);
    ASSERT_TRUE(holder.waitUntilHeld());
    StoreLock lock;
    EXPECT_FALSE(lock.tryAcquire(path));
    ::kill(static_cast<pid_t>(holder.process().processId()), SIGKILL);
    holder.process().waitForFinished();
    EXPECT_TRUE(lock.tryAcquire(path));
    EXPECT_TRUE(QFile::exists(path)) << "the lock file stays and does no harm";
}

TEST(StoreLock, FourProcessesCountExactlyUnderTheLock) {
    TestFolder dir;
    const QString lock = dir.file("quillo.loc");
    const QString counter = dir.file("counter");
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int k = 0; k < 4; ++k) {
        auto p = std::make_unique<QProcess>();
        p->start(binDir() + "/quillo_storetool", {"count", lock, counter, "500"});
        workers.push_back(std::move(p));
    }
    for (auto& p : workers) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0);
    }
    EXPECT_EQ(dir.read("counter"), "2000");
}

class Network : public MainWindowFixture {
protected:
    void SetUp() override {
        net = dir.mkdir("net");
        SettingsRecord r;
        r.NetworkMode = 1;
        r.setNetworkFolder(net.chopped(1));
        dir.write("quillo.ini", r.toBytes());
        m_holderPath = net + "quillo.loc";
    }
    // Clicks the Waiting dialog's Cancel as soon as it shows.
    void cancelWhenWaiting() {
        ui.onModal = [](QDialog& d) {
            if (auto* waiting = qobject_cast<Waiting*>(&d)) {
                QTimer::singleShot(50, waiting->CancelBtn, &QPushButton::click);
            }
            return false;
        };
    }
    QString net;
    QString m_holderPath;
};

TEST_F(Network, StartUpLoadsTheNetworkStoreUnderTheLock) {
    QDir(net).mkpath(".");
    FileLayer::writeAtomic(net + "group.dir", names({"Shared"}, 31));
    FileLayer::writeAtomic(net + "quil0.0", QByteArray("on the share\x01\x00", 14));
    // What a crash left half-way goes, under the lock; nothing else does.
    FileLayer::writeAtomic(net + ".quil0.5.aB3dE9", "torn");
    FileLayer::writeAtomic(net + ".notes.txt.aB3dE9", "not ours");
    // Another copy tries the lock while each store file is read.
    QStringList seen;
    FileFaults::setObserver([&](const char* step, const QString& path) {
        if (qstrcmp(step, "open") == 0 && path.startsWith(net)) {
            seen.append(QFileInfo(path).fileName() + ":" + tryLockElsewhere(m_holderPath));
        }
    });
    start();
    FileFaults::reset();
    EXPECT_TRUE(seen.contains("quil0.0:busy")) << seen.join(' ').toStdString();
    for (const QString& read : seen) {
        EXPECT_TRUE(read.endsWith(":busy")) << read.toStdString();
    }
    EXPECT_EQ(m->S.NetworkMode, 1);
    EXPECT_EQ(m->StoreFolder, net);
    EXPECT_TRUE(w->NetOption[1]->isChecked());
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Shared"));
    EXPECT_EQ(note(), QStringLiteral("on the share"));
    EXPECT_EQ(tryLockElsewhere(m_holderPath), "held") << "not held while idle";
    EXPECT_TRUE(ui.modalsShown.isEmpty());
    EXPECT_EQ(filesIn(net),
              QStringList({".notes.txt.aB3dE9", "group.dir", "quil0.0", "quillo.loc"}));
    EXPECT_EQ(filesIn(dir.path()), QStringList({"quillo.ini"}));
    // The refresh runs in network mode while the window is normal, not minimised.
    EXPECT_TRUE(w->refreshtimer->isActive());
    w->Minimise_Click();
    EXPECT_FALSE(w->refreshtimer->isActive());
    w->showNormal();
    EXPECT_TRUE(w->refreshtimer->isActive());
}

TEST_F(Network, WaitsWhileAnotherCopyHoldsTheLockAndGoesOnWhenFree) {
    start();
    Holder holder(m_holderPath);
    ASSERT_TRUE(holder.waitUntilHeld());
    QElapsedTimer released;
    ui.onModal = [&](QDialog& d) {
        auto* waiting = qobject_cast<Waiting*>(&d);
        EXPECT_NE(waiting, nullptr);
        QTimer::singleShot(300, [&, waiting] {
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(waiting->Label1->text(), QStringLiteral("Waiting for access"));
            EXPECT_EQ(waiting->CancelBtn->text(), QStringLiteral("Cancel"));
            // Centred on the screen the services report.
            EXPECT_EQ(d.geometry().center().x() * 15 / 100, ui.screen.width() / 2 / 100);
            released.start();
            holder.letGo();
        });
        return false;
    };
    m->AcquireAccess();
    EXPECT_TRUE(released.isValid());
    EXPECT_EQ(ui.modalsShown, QStringList({"Waiting"}));
    EXPECT_EQ(m->S.NetworkMode, 1);
    EXPECT_EQ(m->StoreChanged, 0);
    EXPECT_TRUE(m->lockHeld());
    m->CloseAllFiles();
    EXPECT_FALSE(m->lockHeld());
}

TEST_F(Network, CancelFallsBackToTheLocalStoreAndWritesNothing) {
    FileLayer::writeAtomic(net + "group.dir", names({"Shared"}, 31));
    dir.write("group.dir", names({"Mine"}, 31));
    dir.write("quil0.0", QByteArray("local\x01\x00", 7));
    start();
    click(w->Group[4]);
    ASSERT_EQ(m->S.CurrentGroup, 4);
    const QStringList netBefore = filesIn(net);
    const QByteArray groupsBefore = QFile(net + "group.dir").exists()
                                        ? FileLayer::readAll(net + "group.dir").data
                                        : QByteArray();

    Holder holder(m_holderPath);
    ASSERT_TRUE(holder.waitUntilHeld());
    cancelWhenWaiting();
    click(w->Item[7]);
    EXPECT_EQ(ui.modalsShown, QStringList({"Waiting"}));
    EXPECT_EQ(m->S.NetworkMode, 0);
    EXPECT_TRUE(w->NetOption[0]->isChecked());
    EXPECT_EQ(m->StoreFolder, dir.path());
    EXPECT_EQ(m->S.CurrentGroup, 0);
    EXPECT_EQ(m->S.currentItem(), 0);
    EXPECT_EQ(VbColor::of(w->Group[0]), 0xFF);
    EXPECT_EQ(VbColor::of(w->Group[4]), 0x0000FF00);
    EXPECT_EQ(VbColor::of(w->Item[7]), 0x00FFFF00);
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Mine"));
    EXPECT_EQ(note(), QStringLiteral("local"));
    EXPECT_FALSE(w->refreshtimer->isActive());
    const auto saved = SettingsRecord::fromBytes(dir.read("quillo.ini"));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->NetworkMode, 0);
    EXPECT_EQ(filesIn(net), netBefore);
    EXPECT_EQ(FileLayer::readAll(net + "group.dir").data, groupsBefore);
    EXPECT_EQ(filesIn(dir.path()), QStringList({"group.dir", "quil0.0", "quillo.ini"}));
}

TEST_F(Network, UnsavedTextIsNeverDroppedByCancel) {
    start();
    type("typed on the share");
    Holder holder(m_holderPath);
    ASSERT_TRUE(holder.waitUntilHeld());
    // First "Keep Waiting", then the holder lets go: the note is saved on the share.
    ui.answers = {1};
    int shown = 0;
    ui.onModal = [&](QDialog& d) {
        auto* waiting = qobject_cast<Waiting*>(&d);
        if (++shown == 1) {
            QTimer::singleShot(50, waiting->CancelBtn, &QPushButton::click);
        } else {
            QTimer::singleShot(100, [&] { holder.letGo(); });
        }
        return false;
    };
    click(w->Item[1]);
    EXPECT_EQ(ui.questions.size(), 1);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(m->S.NetworkMode, 1);
    EXPECT_EQ(FileLayer::readAll(net + "quil0.0").data,
              QByteArray("typed on the share\x01\x00", 20));
    // The button was let go while the dialog was up; the next click chooses.
    QApplication::setActiveWindow(w.get());
    click(w->Item[1]);
    EXPECT_EQ(m->S.currentItem(), 1);

    // Now cancel and take the text along on the clipboard.
    type("more words");
    Holder again(m_holderPath);
    ASSERT_TRUE(again.waitUntilHeld());
    cancelWhenWaiting();
    ui.answers = {0};
    click(w->Item[2]);
    EXPECT_EQ(m->S.NetworkMode, 0);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("more words"));
    EXPECT_FALSE(QFile::exists(net + "quil0.1"));
}

TEST_F(Network, NamesChangedByAnotherCopyOnlyCorrectTheLabelsFirst) {
    start();
    QProcess other;
    other.start(binDir() + "/quillo_storetool", {"rename-group", net, "5", "Renamed elsewhere"});
    ASSERT_TRUE(other.waitForFinished(10000));
    ASSERT_EQ(other.exitCode(), 0);

    click(w->Item[3]);
    EXPECT_EQ(w->Group[5]->text(), QStringLiteral("Renamed elsewhere"));
    EXPECT_EQ(m->StoreChanged, 1);
    EXPECT_FALSE(m->lockHeld());
    EXPECT_EQ(m->S.currentItem(), 0) << "the click did nothing else";
    EXPECT_EQ(VbColor::of(w->Item[3]), 0x00FFFF00);

    click(w->Item[3]);
    EXPECT_EQ(m->StoreChanged, 0);
    EXPECT_EQ(m->S.currentItem(), 3);
    EXPECT_EQ(VbColor::of(w->Item[3]), 0xFF);
    EXPECT_FALSE(m->lockHeld());
}

TEST_F(Network, DeletedGroupIndexBlanksEveryGroupAndAbandons) {
    FileLayer::writeAtomic(net + "group.dir", names({"One", "Two", "Three"}, 31));
    start();
    ASSERT_EQ(w->Group[2]->text(), QStringLiteral("Three"));
    QFile::remove(net + "group.dir");
    click(w->Group[1]);
    for (int g = 0; g < 31; ++g) {
        EXPECT_TRUE(w->Group[g]->text().isEmpty()) << g;
    }
    EXPECT_EQ(m->StoreChanged, 1);
    EXPECT_EQ(m->S.CurrentGroup, 0);
}

TEST_F(Network, UnloadWaitsForTheLockBeforeSaving) {
    start();
    type("last words");
    Holder holder(m_holderPath);
    ASSERT_TRUE(holder.waitUntilHeld());
    cancelWhenWaiting();
    ui.answers = {0};
    QSignalSpy ended(w.get(), &edit::endProgram);
    w->unload->click();
    EXPECT_EQ(ended.count(), 0) << "the program keeps running after a cancelled wait";
    EXPECT_EQ(m->S.NetworkMode, 0);
    EXPECT_FALSE(QFile::exists(net + "quil0.0"));
}

TEST_F(Network, MessagesWaitUntilTheLockIsGivenBack) {
    start();
    QDir(net).mkpath("quil0.0"); // a folder stands where the note goes
    type("kept on screen");
    QByteArray otherCopy;
    ui.onError = [&](const QString&) { otherCopy = tryLockElsewhere(m_holderPath); };
    click(w->Item[1]);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains(net + "quil0.0"));
    EXPECT_EQ(otherCopy, "held") << "another copy can work while the message is read";
    EXPECT_EQ(note(), QStringLiteral("kept on screen"));
    EXPECT_EQ(m->S.currentItem(), 0);
}

// The Waiting dialog opens during a press and takes its release: the next
// press on the same button is a fresh press that saves the typed text.
TEST_F(Network, ADialogDuringAPressLeavesNoHalfPress) {
    start();
    type("first");
    Holder holder(m_holderPath);
    ASSERT_TRUE(holder.waitUntilHeld());
    ui.onModal = [&](QDialog& d) {
        QTimer::singleShot(100, [&] {
            QTest::mouseRelease(d.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            holder.letGo();
        });
        return false;
    };
    press(w->Item[1]);
    ui.onModal = nullptr;
    EXPECT_EQ(ui.modalsShown, QStringList({"Waiting"}));
    EXPECT_EQ(FileLayer::readAll(net + "quil0.0").data, QByteArray("first\x01\x00", 7));
    QApplication::setActiveWindow(w.get());
    ASSERT_SOON(w->isActiveWindow());
    type(" and second");
    click(w->Item[1]);
    EXPECT_EQ(FileLayer::readAll(net + "quil0.0").data, QByteArray("first and second\x01\x00", 18));
    EXPECT_EQ(m->S.currentItem(), 1);
}

TEST_F(Network, CancelledWaitDropsANameEditUnsaved) {
    dir.write("group.dir", names({"Local"}, 31));
    start();
    click(w->Group[0], Qt::RightButton);
    type("Network name");
    Holder holder(m_holderPath);
    ASSERT_TRUE(holder.waitUntilHeld());
    cancelWhenWaiting();
    key(Qt::Key_Return);
    EXPECT_EQ(m->S.NetworkMode, 0);
    EXPECT_FALSE(w->groupedit->isVisible());
    EXPECT_EQ(w->EditMode, 0);
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Local"));
    EXPECT_EQ(dir.read("group.dir"), names({"Local"}, 31));
    EXPECT_FALSE(QFile::exists(net + "group.dir"));
}

// Enter held down while a name is finished repeats into the Waiting dialog;
// it must not press its Cancel.
TEST_F(Network, AKeyHeldIntoTheWaitingDialogDoesNotCancel) {
    start();
    Holder holder(m_holderPath);
    ASSERT_TRUE(holder.waitUntilHeld());
    ui.onModal = [&](QDialog& d) {
        auto* waiting = qobject_cast<Waiting*>(&d);
        QTimer::singleShot(100, [&, waiting] {
            for (int k = 0; k < 3; ++k) {
                QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
                QApplication::sendEvent(waiting->CancelBtn, &repeat);
            }
            QKeyEvent up(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r");
            QApplication::sendEvent(waiting->CancelBtn, &up);
            QTimer::singleShot(100, [&] { holder.letGo(); });
        });
        return false;
    };
    m->AcquireAccess();
    EXPECT_EQ(m->S.NetworkMode, 1) << "the wait was not cancelled";
    EXPECT_TRUE(m->lockHeld());
    m->CloseAllFiles();
}

TEST_F(Network, AFolderThatCannotBeUsedSaysWhyWhileWaiting) {
    start();
    QDir(net).removeRecursively();
    dir.write("net", "a file now");
    QString shown;
    ui.onModal = [&](QDialog& d) {
        auto* waiting = qobject_cast<Waiting*>(&d);
        QTimer::singleShot(200, [&, waiting] {
            shown = waiting->Label1->text() + "|" + waiting->Reason->text();
            waiting->CancelBtn->click();
        });
        return false;
    };
    click(w->Item[2]);
    EXPECT_EQ(shown, QStringLiteral("Waiting for access|The network folder cannot be found.\n"
                                    "Cancel returns to your local notes."));
    EXPECT_EQ(m->S.NetworkMode, 0);
}

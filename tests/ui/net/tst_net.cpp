#include "dialogscript.h"
#include "fakeuiservices.h"
#include "testfolder.h"

#include "core/nameindex.h"
#include "store/module1.h"
#include "ui/net/drivelist.h"
#include "ui/net/net.h"
#include "ui/net/pass.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace {

QStringList entries(const QListWidget* list) {
    QStringList out;
    for (int k = 0; k < list->count(); ++k) {
        out << list->item(k)->text();
    }
    return out;
}

void doubleClick(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    const QPoint at =
        list->viewport()->mapTo(list->window(), list->visualItemRect(found.first()).center());
    QTest::mouseDClick(list->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
}

void showActive(QDialog& d) {
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QApplication::setActiveWindow(&d);
    EXPECT_TRUE(QTest::qWaitFor([&d] { return d.isActiveWindow(); }));
}

} // namespace

class NetDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        m = std::make_unique<Module1>(ui, dir.path());
        m->ReadSettings();
        timer.setInterval(2000);
        share = QDir(dir.mkdir("share")).canonicalPath();
        QDir(share).mkpath("alpha");
        QDir(share).mkpath("beta/gamma");
        QDir(share).mkpath(".hidden");
        dir.write("share/notes.txt", "x");
    }
    // A network folder dialog on the drives `roots`, showing `start`, on screen.
    std::unique_ptr<Net> open(const QStringList& roots, const QString& start) {
        auto net = std::make_unique<Net>(*m, &netDir, &timer);
        QList<MountEntry> drives;
        for (const QString& root : roots) {
            drives << MountEntry{QDir::cleanPath(root), "ext4", "/dev/sda1", "rw", "rw"};
        }
        net->fillDrives(drives, start);
        showActive(*net);
        return net;
    }
    QByteArray ini() const { return dir.read("quillo.ini"); }

    TestFolder dir;
    FakeUiServices ui;
    std::unique_ptr<Module1> m;
    QLineEdit netDir;
    QTimer timer;
    QString share;
};

TEST_F(NetDialogs, IntervalRoundsHalfToEvenWithin2To60AndSetsTheTimer) {
    for (const auto& [text, seconds] : std::vector<std::pair<const char*, int>>{
             {"1", 2}, {"75", 60}, {"2.5", 2}, {"3.5", 4}, {"abc", 2}, {"45 secs", 45}}) {
        EXPECT_EQ(Net::refreshSecondsFrom(QString::fromLatin1(text)), seconds) << text;
    }
    auto net = open({share}, share);
    net->Refreshtext->selectAll();
    QTest::keyClicks(net->Refreshtext, "30");
    QTest::keyClick(net->Refreshtext, Qt::Key_Return);
    EXPECT_EQ(net->result(), QDialog::Accepted);
    EXPECT_EQ(ini().mid(364, 2), QByteArray("\x1e\0", 2));
    EXPECT_EQ(timer.interval(), 30000);
}

TEST_F(NetDialogs, FoldersAreEnteredWithMouseAndKeysAndARootEndsInOneSeparator) {
    auto net = open({share}, share);
    EXPECT_EQ(entries(net->Dir), QStringList({"alpha", "beta"})) << "no way up from the drive";
    doubleClick(net->Dir, "beta");
    EXPECT_EQ(entries(net->Dir), QStringList({"..", "gamma"}));
    QTest::keyClick(net->Dir, Qt::Key_Down);
    QTest::keyClick(net->Dir, Qt::Key_Return);
    EXPECT_EQ(net->Label1->accessibleDescription(), share + "/beta/gamma");
    QTest::keyClick(net->Dir, Qt::Key_Backspace);
    EXPECT_TRUE(net->isVisible()) << "keys in the folder list are not OK";
    mouseClick(net->OKBtn);
    EXPECT_EQ(NameIndex::trimmed(m->S.NetworkFolder), share + "/beta");
    EXPECT_EQ(netDir.text(), share + "/beta");

    open({"/"}, "/")->OKBtn->click();
    EXPECT_EQ(ini().mid(90, 2), QByteArray("/ "));
    EXPECT_EQ(m->NetFolder, QStringLiteral("/"));
}

TEST_F(NetDialogs, ADriveOrFolderThatCannotBeReadLeavesTheListsAsTheyWere) {
    auto net = open({dir.file("gone"), share}, share);
    QTest::keyClick(net->Drive, Qt::Key_Up);
    EXPECT_EQ(net->Drive->currentIndex(), 1);
    EXPECT_TRUE(net->notice().contains(dir.file("gone"))) << net->notice().toStdString();
    QDir(share + "/alpha").removeRecursively();
    doubleClick(net->Dir, "alpha");
    EXPECT_TRUE(net->notice().contains("No such file")) << net->notice().toStdString();
    EXPECT_EQ(net->Label1->accessibleDescription(), share);
    EXPECT_EQ(entries(net->Dir), QStringList({"alpha", "beta"}));
    EXPECT_EQ(m->S.NetworkFolder.trimmed(), QString());
}

TEST_F(NetDialogs, ALongPathIsShownShortenedStoredWholeAndRefusedWhenTooLong) {
    const QString base = QDir(dir.path()).canonicalPath();
    const QString fits = base + "/" + QString(249 - base.size(), 'f') + "/end";
    const QString tooLong = base + "/" + QString(254 - base.size(), 'g');
    const QString greek = base + QString::fromUtf8("/\u03a9mega");
    for (const QString& f : {fits, tooLong, greek}) {
        QDir().mkpath(f);
    }
    const QByteArray before = ini();
    for (const QString& refused : {tooLong, greek}) {
        auto net = open({base}, refused);
        mouseClick(net->OKBtn);
        EXPECT_TRUE(net->isVisible());
        EXPECT_FALSE(net->notice().isEmpty());
    }
    EXPECT_EQ(ui.beeps, 2);
    EXPECT_EQ(ini(), before);
    // Shown with its start and its end, whole in the tooltip and for screen
    // readers; OK stores the whole path.
    auto net = open({base}, fits);
    const QString shown = net->Label1->text();
    EXPECT_TRUE(shown.startsWith(fits.left(4)) && shown.endsWith("f/end") &&
                shown.contains(QChar(0x2026)))
        << shown.toStdString();
    EXPECT_LE(net->Label1->fontMetrics().boundingRect(shown).width(),
              net->Label1->contentsRect().width());
    EXPECT_EQ(net->Label1->toolTip(), fits);
    EXPECT_EQ(net->Label1->accessibleDescription(), fits);
    net->OKBtn->click();
    EXPECT_EQ(ini().mid(90, 254), fits.toLatin1());
}

TEST_F(NetDialogs, InNetworkModeTheNewFolderWaitsForTheNextSwitch) {
    m->S.NetworkMode = 1;
    m->NetFolder = m->StoreFolder = dir.mkdir("old");
    open({share}, share)->OKBtn->click();
    EXPECT_EQ(NameIndex::trimmed(m->S.NetworkFolder), share);
    EXPECT_EQ(m->NetFolder, dir.file("old/"));
    EXPECT_EQ(m->StoreFolder, dir.file("old/"));
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors.at(0).contains("\"Network\"")) << ui.errors.at(0).toStdString();
}

TEST_F(NetDialogs, CancelOrEscAfterChangingEverythingStoresNothing) {
    const QByteArray before = ini();
    netDir.setText("kept");
    for (const bool esc : {false, true}) {
        auto net = open({share}, share);
        doubleClick(net->Dir, "alpha");
        net->Refreshtext->setText("45");
        net->Passwordtext->setText("x");
        if (esc) {
            QTest::keyClick(net->Dir, Qt::Key_Escape);
        } else {
            mouseClick(net->CancelBtn);
        }
        EXPECT_FALSE(net->isVisible());
    }
    EXPECT_EQ(ini(), before);
    EXPECT_EQ(timer.interval(), 2000);
    EXPECT_EQ(netDir.text(), QStringLiteral("kept"));
}

TEST(DriveList, OffersWhatAUserWouldKeepNotesOn) {
    const QList<MountEntry> mounts =
        MountTable::parse("1 0 254:0 / / rw - overlay overlay rw\n"
                          "2 1 0:21 / /proc rw - proc proc rw\n"
                          "3 1 0:22 / /sys rw - sysfs sysfs rw\n"
                          "4 3 0:23 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
                          "7 5 0:25 / /dev/shm rw - tmpfs tmpfs rw\n"
                          "8 1 0:26 / /run rw - tmpfs tmpfs rw\n"
                          "11 8 8:17 / /run/media/ann/CARD rw - vfat /dev/sdb1 rw\n"
                          "12 1 8:2 / /home rw - ext4 /dev/sda2 rw\n"
                          "13 1 0:40 / /mnt/office rw - cifs //server/notes rw\n"
                          "14 1 8:33 / /media/ann/USB\\040STICK rw - exfat /dev/sdc1 rw\n"
                          "16 1 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
                          "18 1 254:0 /etc/hosts /etc/hosts rw - ext4 /dev/vda rw\n");
    QStringList points;
    for (const MountEntry& e : DriveList::choose(mounts, {"/home/ann", "/dev/shm/here"})) {
        points << e.mountPoint;
    }
    EXPECT_EQ(points, QStringList({"/", "/dev/shm", "/home", "/media/ann/USB STICK", "/mnt/office",
                                   "/run/media/ann/CARD"}));
}

class PassDialog : public NetDialogs {};

TEST_F(PassDialog, WithNoPasswordTheOldBoxIsSkippedAndTwentyCharactersFit) {
    const QByteArray before = ini();
    auto net = open({share}, share);
    QTest::keyClicks(net->Passwordtext, " ");
    mouseClick(net->OKBtn);
    EXPECT_EQ(ui.beeps, 1) << "with no password a blank is wrong";
    EXPECT_TRUE(net->isVisible());
    EXPECT_EQ(ini(), before);
    net->Passwordtext->clear();
    mouseClick(net->OKBtn);
    EXPECT_EQ(net->result(), QDialog::Accepted);

    const QByteArray accepted = ini();
    Pass refused(*m);
    showActive(refused);
    refused.Password[1]->setText(QString::fromUtf8("\u03a9"));
    mouseClick(refused.OKBtn);
    EXPECT_EQ(ui.beeps, 2) << "a character the settings cannot hold";
    QTest::keyClick(refused.Password[1], Qt::Key_Escape);
    EXPECT_FALSE(refused.isVisible());
    EXPECT_EQ(ini(), accepted);

    Pass pass(*m);
    showActive(pass);
    mouseClick(pass.Password[0]);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == pass.Password[1]; }));
    QTest::keyClicks(pass.Password[1], "abcdefghijklmnopqrstU");
    EXPECT_EQ(pass.Password[1]->displayText(), "abcdefghijklmnopqrst") << "shown as typed";
    QTest::keyClick(pass.Password[1], Qt::Key_Return);
    EXPECT_EQ(pass.result(), QDialog::Accepted);
    EXPECT_EQ(ini().mid(344, 20), QByteArray("abcdefghijklmnopqrst")) << "no 21st";
}

TEST_F(PassDialog, EnterMovesOnThenActsAsOkAndAWrongOldPasswordBeeps) {
    m->S.setChangePassword("Secret");
    m->WriteSettings();
    const QByteArray before = ini();
    Pass pass(*m);
    showActive(pass);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == pass.Password[0]; }));
    QTest::keyClicks(pass.Password[0], "wrong");
    EXPECT_EQ(pass.Password[0]->displayText(), "wrong") << "shown as typed";
    QTest::keyClick(pass.Password[0], Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), pass.Password[1]);
    QTest::keyClicks(pass.Password[1], "pw  ");
    QTest::keyClick(pass.Password[1], Qt::Key_Return);
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_TRUE(pass.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), pass.Password[0]);
    EXPECT_EQ(ini(), before);
    pass.Password[0]->setText("sECRET");
    pass.Password[1]->setFocus();
    QTest::keyClick(pass.Password[1], Qt::Key_Enter);
    EXPECT_EQ(pass.result(), QDialog::Accepted);
    // Stored with its blanks, read back without them.
    EXPECT_EQ(ini().mid(344, 20), QByteArray("pw") + QByteArray(18, ' '));
    auto net = open({share}, share);
    net->Passwordtext->setText("pw  ");
    net->OKBtn->click();
    EXPECT_EQ(net->result(), QDialog::Rejected);
    net->Passwordtext->setText("PW");
    // Never copied out of the box.
    QApplication::clipboard()->setText("before");
    net->Passwordtext->selectAll();
    QTest::keyClick(net->Passwordtext, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    net->OKBtn->click();
    EXPECT_EQ(net->result(), QDialog::Accepted);
}

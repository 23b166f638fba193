#include "holder.h"
#include "mainwindowfixture.h"

#include "core/filelayer.h"
#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/dragoutline.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"
#include "ui/net/waiting.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyleHints>
#include <QTimer>

using DragDrop = MainWindowFixture;

// A click that wobbles up to the desktop's drag distance (10 pixels) is a
// click; one pixel further starts a drag.
TEST_F(DragDrop, ADragStartsBeyondTheDesktopsDragDistanceOnANamedButton) {
    dir.write("items0.dir", names({"named", "other"}, 62));
    start();
    QWindow* win = w->windowHandle();
    const int far = QGuiApplication::styleHints()->startDragDistance();
    ASSERT_EQ(far, 10);
    const std::array<std::pair<int, QPoint>, 3> wobbles = {
        {{1, QPoint(2, 0)}, {0, QPoint(-2, 2)}, {1, QPoint(far, 0)}}};
    for (const auto& [k, by] : wobbles) {
        const QPoint at = centreInWindow(w->Item[k]);
        QTest::mousePress(win, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseMove(win, at + by);
        EXPECT_FALSE(w->Del[0]->isVisible()) << "the erase target does not flash";
        QTest::mouseRelease(win, Qt::LeftButton, Qt::NoModifier, at + by);
        EXPECT_EQ(w->dragSource(), nullptr);
        EXPECT_EQ(m->S.currentItem(), k) << "the click chose the item";
    }
    const QPoint at = centreInWindow(w->Item[0]);
    QTest::mousePress(win, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseMove(win, at + QPoint(far + 1, 0));
    EXPECT_EQ(w->dragSource(), w->Item[0]);
    EXPECT_TRUE(w->Del[0]->isVisible()) << "the erase target takes the panel's place";
    EXPECT_FALSE(w->unload->isVisible());
    EXPECT_TRUE(w->dragOutline()->isVisible());
    QTest::mouseRelease(win, Qt::LeftButton, Qt::NoModifier, at + QPoint(far + 1, 0));
    EXPECT_FALSE(w->dragOutline()->isVisible());
    EXPECT_EQ(w->dragSource(), nullptr);

    // No drag from an empty button.
    press(w->Item[5]);
    QTest::mouseMove(w->windowHandle(), centreInWindow(w->Item[9]));
    EXPECT_EQ(w->dragSource(), nullptr);
    release(w->Item[9]);

    // A press while a name is being edited only ends the edit.
    click(w->Group[0], Qt::RightButton);
    type("Named");
    drag(Qt::LeftButton, {w->Item[0], w->Item[7]});
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Named"));
    EXPECT_EQ(w->Item[0]->text(), QStringLiteral("named"));
    EXPECT_EQ(w->Item[7]->text(), QString());
}

// Where a drop lands and what it shows; the files each move, copy and erase
// leaves are the keyboard suite's, by the menu and by drags.
TEST_F(DragDrop, DropsShowWhereTheyLandAndNamedGroupsRefuse) {
    dir.write("group.dir", names({"Work", "Home"}, 31));
    dir.write("items0.dir", names({"a", "b", "", "", "", "empty"}, 62));
    dir.write("quil0.0", storedNote("alpha"));
    dir.write("quil0.1", storedNote("beta"));
    dir.write("items1.dir", names({"x", "y"}, 62));
    dir.write("quil1.1", storedNote("yes"));
    start();

    // Nothing happens on a named group or on itself.
    const auto before = dir.snapshot();
    drag(Qt::LeftButton, {w->Group[0], w->Group[1]});
    drag(Qt::RightButton, {w->Group[0], w->Group[6], w->Group[0]});
    EXPECT_EQ(dir.snapshot(), before);
    EXPECT_FALSE(w->groupedit->isVisible()) << "a right drag names nothing";

    // The chosen item's note parked: the item stays chosen, its note gone.
    click(w->Item[1]);
    drag(Qt::LeftButton, {w->Item[1], w->Trans[7]});
    expectChosen(0, 1);
    EXPECT_EQ(note(), QString());

    // Onto the chosen empty place: the moved note is shown there.
    click(w->Item[20]);
    drag(Qt::LeftButton, {w->Item[0], w->Item[20]});
    expectChosen(0, 20);
    EXPECT_EQ(note(), QStringLiteral("alpha"));
    drag(Qt::RightButton, {w->Item[20], w->Item[21]});
    EXPECT_FALSE(w->ItemEdit->isVisible()) << "a right drag names nothing";

    // Copied onto the empty group on display: its names show at once. The
    // group on display moved: the choice goes with it.
    click(w->Group[3]);
    drag(Qt::RightButton, {w->Group[0], w->Group[3]});
    EXPECT_EQ(w->Item[5]->text(), QStringLiteral("empty"));
    click(w->Item[21]);
    drag(Qt::LeftButton, {w->Group[3], w->Group[9]});
    expectChosen(9, 21);
    EXPECT_EQ(note(), QStringLiteral("alpha"));
    EXPECT_EQ(w->Item[5]->text(), QStringLiteral("empty"));

    // An item of another group, reached over its group, is erased there; the
    // note shown stays.
    click(w->Group[1]);
    drag(Qt::LeftButton, {w->Item[1], w->Group[9], w->Del[1]});
    EXPECT_EQ(dir.read("items1.dir"), names({"x"}, 62));
    EXPECT_FALSE(dir.exists("quil1.1"));
    expectChosen(9, 21);
    EXPECT_EQ(note(), QStringLiteral("alpha"));
}

// A wait for the lock in the middle of a drag: the drag goes on to its drop
// with the mouse taken back, or ends where the user sees it; it never runs
// against another store, nor carries a source another copy changed.
TEST_F(DragDrop, InNetworkModeAWaitNeverLeavesADragHalfWay) {
    const QString net = useNetworkFolder(dir);
    FileLayer::writeAtomic(net + "group.dir", names({"Shared", "Other"}, 31));
    FileLayer::writeAtomic(net + "items0.dir", names({"a"}, 62));
    FileLayer::writeAtomic(net + "items1.dir", names({"x", "y"}, 62));
    FileLayer::writeAtomic(net + "quil0.0", storedNote("alpha"));
    FileLayer::writeAtomic(net + "quil1.1", storedNote("yours"));
    dir.write("group.dir", names({"Local"}, 31));
    dir.write("items0.dir", names({"mine"}, 62));
    start();
    QWindow* win = w->windowHandle();
    // Another copy holds the lock; once this one waits for it, the other
    // writes `theirs` into the network folder and lets go.
    std::unique_ptr<Holder> holder;
    const auto otherCopyHolds = [&](QMap<QString, QByteArray> theirs) {
        holder = std::make_unique<Holder>(net + "quillo.loc");
        ASSERT_TRUE(holder->waitUntilHeld());
        ui.onModal = [&, theirs](QDialog&) {
            QTimer::singleShot(150, [&, theirs] {
                for (auto it = theirs.begin(); it != theirs.end(); ++it) {
                    FileLayer::writeAtomic(net + it.key(), it.value());
                }
                holder->letGo();
            });
            return false;
        };
    };

    // The drop waits, then completes; the command buttons come back.
    otherCopyHolds({});
    drag(Qt::LeftButton, {w->Item[0], w->Item[3]});
    EXPECT_EQ(ui.modalsShown, QStringList({"Waiting"}));
    EXPECT_EQ(FileLayer::readAll(net + "quil0.3").data, storedNote("alpha"));
    EXPECT_EQ(FileLayer::readAll(net + "items0.dir").data, names({"", "", "", "a"}, 62));
    EXPECT_FALSE(m->lockHeld());
    EXPECT_FALSE(w->Del[0]->isVisible());

    // Opening a group waits, the dialog closes by itself: the drag goes on.
    otherCopyHolds({});
    drag(Qt::LeftButton, {w->Item[3], w->Group[1], w->Item[4]});
    EXPECT_EQ(ui.modalsShown.size(), 2);
    EXPECT_EQ(FileLayer::readAll(net + "items1.dir").data, names({"x", "y", "", "", "a"}, 62));
    EXPECT_EQ(FileLayer::readAll(net + "quil1.4").data, storedNote("alpha"));
    EXPECT_FALSE(w->dragOutline()->isVisible());
    EXPECT_FALSE(w->Del[0]->isVisible());

    // The item dragged from group 2 is moved away by another copy, which
    // saves its own note in its place, while the drop waits: nothing is
    // carried, and the user is told.
    QTest::mousePress(win, Qt::LeftButton, Qt::NoModifier, centreInWindow(w->Item[1]));
    QTest::mouseMove(win, centreInWindow(w->Item[1]) + QPoint(12, 0));
    QTest::mouseMove(win, centreInWindow(w->Group[0]));
    ASSERT_EQ(m->S.CurrentGroup, 0);
    const QByteArray theirIndex = names({"x", "theirs", "", "", "a"}, 62);
    otherCopyHolds({{"items1.dir", theirIndex}, {"quil1.1", storedNote("their own")}});
    QTest::mouseMove(win, centreInWindow(w->Item[5]));
    QTest::mouseRelease(win, Qt::LeftButton, Qt::NoModifier, centreInWindow(w->Item[5]));
    QApplication::processEvents();
    EXPECT_EQ(ui.modalsShown.size(), 3);
    EXPECT_EQ(FileLayer::readAll(net + "items1.dir").data, theirIndex);
    EXPECT_EQ(FileLayer::readAll(net + "quil1.1").data, storedNote("their own"));
    EXPECT_EQ(FileLayer::readAll(net + "items0.dir").data, names({}, 62));
    EXPECT_FALSE(QFile::exists(net + "quil0.5"));
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains("\"y\" was changed by another copy"))
        << ui.errors[0].toStdString();

    // The same from the group on display: the wait as the drag opens a group
    // loads the names the other copy left, and the drop refuses the source.
    w->Group_Click(1);
    const QByteArray laterIndex = names({"z", "theirs", "x", "", "a"}, 62);
    otherCopyHolds({{"items1.dir", laterIndex}, {"quil1.0", storedNote("zed")}});
    drag(Qt::LeftButton, {w->Item[0], w->Group[0], w->Item[3]});
    EXPECT_EQ(FileLayer::readAll(net + "items1.dir").data, laterIndex);
    EXPECT_EQ(FileLayer::readAll(net + "quil1.0").data, storedNote("zed"));
    EXPECT_FALSE(QFile::exists(net + "quil1.3"));
    ASSERT_EQ(ui.errors.size(), 2);
    EXPECT_TRUE(ui.errors[1].contains("\"x\" was changed by another copy"));

    // Cancel while the drag opens a group: the local store comes back, the
    // drag ends on screen, and its release drops nothing into either store.
    w->Group_Click(1);
    const auto localBefore = dir.snapshot();
    otherCopyHolds({});
    ui.onModal = [&](QDialog& d) {
        QTimer::singleShot(50, static_cast<Waiting&>(d).CancelBtn, &QPushButton::click);
        return false;
    };
    QTest::mousePress(win, Qt::LeftButton, Qt::NoModifier, centreInWindow(w->Item[4]));
    QTest::mouseMove(win, centreInWindow(w->Item[4]) + QPoint(12, 0));
    QTest::mouseMove(win, centreInWindow(w->Group[0]));
    EXPECT_EQ(m->S.NetworkMode, 0);
    EXPECT_FALSE(w->dragOutline()->isVisible()) << "the drag ended visibly";
    EXPECT_FALSE(w->Del[0]->isVisible());
    QTest::mouseMove(win, centreInWindow(w->Item[2]));
    QTest::mouseRelease(win, Qt::LeftButton, Qt::NoModifier, centreInWindow(w->Item[2]));
    QApplication::processEvents();
    // Only the settings change: they name the local store again.
    EXPECT_EQ(withoutSettings(dir.snapshot()), withoutSettings(localBefore));
    EXPECT_EQ(FileLayer::readAll(net + "items1.dir").data, laterIndex);
    EXPECT_EQ(FileLayer::readAll(net + "quil1.4").data, storedNote("alpha"));
}

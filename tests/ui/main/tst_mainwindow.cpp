#include "mainwindowfixture.h"
#include "soon.h"

#include "ui/laterstyle.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"
#include "ui/twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleFactory>

using MainWindow = MainWindowFixture;

// The small layout shows 24 items and 24 groups; the large one all, inside the window,
// with the names the hidden buttons kept. The wide note lies over the columns.
TEST_F(MainWindow, TheLargeLayoutAndTheWideNoteShowEverything) {
    writeSettings(dir, [](SettingsRecord& r) { r.LargeLayout = 0; });
    dir.write("items0.dir", names({}, 30) + field("Thirty") + names({}, 31));
    start();
    EXPECT_FALSE(w->Item[30]->isVisible());
    // Nothing of the groups below the window's lower edge shows or takes a click.
    const int x = centreInWindow(w->Group[0]).x();
    for (int y = w->Group[23]->mapTo(w.get(), QPoint(0, w->Group[23]->height())).y();
         y < w->height(); ++y) {
        EXPECT_EQ(qobject_cast<ButtonLabel*>(w->childAt(x, y)), nullptr) << "y " << y;
        QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    }
    EXPECT_EQ(m->HighlightedGroup, 0);
    m->S.LargeLayout = 1;
    w->ApplySizePreset();
    EXPECT_TRUE(w->Item[30]->isVisible());
    EXPECT_EQ(w->Item[30]->text(), QStringLiteral("Thirty"));
    EXPECT_LE(w->Group[30]->mapTo(w.get(), QPoint(0, w->Group[30]->height())).y(), w->height());

    const auto noteOverItems = [this] {
        QWidget* top = QApplication::widgetAt(w->Frame3->mapToGlobal(w->Frame3->rect().center()));
        return m->noteBox()->isAncestorOf(top);
    };
    EXPECT_FALSE(noteOverItems());
    w->fsize->trigger();
    EXPECT_TRUE(noteOverItems());
    w->fsize->trigger();
    EXPECT_FALSE(noteOverItems());
}

// Within 300 twips of the top or left edge the window snaps to it, by its
// own timer; never while minimised. A first start is at the corner, ready
// to type into the note; a start minimised restores to the corner.
TEST_F(MainWindow, StartsAtTheCornerAndSnapsToTheTopAndLeftEdges) {
    start();
    EXPECT_SOON(QApplication::focusWidget() == m->noteBox());
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(0, 0));
    const auto movedTo = [this](int x, int y) {
        w->move(Twips::toPx(x), Twips::toPx(y));
        w->Timer1_Timer();
        return QPoint(w->leftTwips(), w->topTwips());
    };
    const auto twips = [](int x, int y) {
        return QPoint(Twips::fromPx(Twips::toPx(x)), Twips::fromPx(Twips::toPx(y)));
    };
    EXPECT_EQ(movedTo(-250, 250), QPoint(0, 0));
    EXPECT_EQ(movedTo(300, 3000), twips(300, 3000));
    EXPECT_EQ(movedTo(-300, 300), twips(-300, 300));
    w->move(Twips::toPx(250), Twips::toPx(-1000));
    EXPECT_SOON_MS(w->frameGeometry().topLeft() == QPoint(0, 0), 1500);

    w->move(Twips::toPx(100), Twips::toPx(-1000));
    w->Minimise->click();
    w->Timer1_Timer();
    EXPECT_EQ(w->topTwips(), Twips::fromPx(Twips::toPx(-1000)));

    writeSettings(dir, [](SettingsRecord& r) { r.StartMinimised = 1; });
    restart();
    EXPECT_TRUE(w->windowState() & Qt::WindowMinimized);
    RestoreAndRaise(*w);
    EXPECT_TRUE(w->isNormalState());
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(0, 0));
}

// The close box only minimises, also once the user is back at the window
// after a log-out was cancelled; the desktop session's end closes for real.
// "Unload" ends, and with an unchanged note writes nothing.
TEST_F(MainWindow, CloseBoxMinimisesOnlyUnloadAndTheSessionEndClose) {
    start();
    QSignalSpy ended(w.get(), &edit::endProgram);
    w->sessionEnding();
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(w.get());
    ASSERT_SOON(w->isActiveWindow());
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(ended.count(), 0);
    w->showNormal();
    w->unload->click();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"quillo.ini"}));
    w->sessionEnding();
    EXPECT_TRUE(w->close());
}

// The program's style puts off reading the menu bar's overflow arrow until
// it is drawn; then it is the base style's own, at every size.
TEST(LaterStyle, TheOverflowArrowIsTheBaseStylesOwn) {
    const QString name = QApplication::style()->name();
    const std::unique_ptr<QStyle> base(QStyleFactory::create(name));
    LaterStyle later(QStyleFactory::create(name));
    const auto arrow = QStyle::SP_ToolBarHorizontalExtensionButton;
    const QIcon real = base->standardIcon(arrow, nullptr, nullptr);
    const QIcon put = later.standardIcon(arrow, nullptr, nullptr);
    EXPECT_EQ(put.availableSizes(), real.availableSizes());
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        for (const int size : {8, 16, 24, 32}) {
            EXPECT_EQ(put.pixmap(QSize(size, size), ratio).toImage(),
                      real.pixmap(QSize(size, size), ratio).toImage())
                << size << " at " << ratio;
        }
    }
}

#include "mainwindowfixture.h"
#include "soon.h"

#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"
#include "ui/twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>

namespace {

QRect px(int l, int t, int wd, int h) {
    return Twips::toPx(QRect(l, t, wd, h));
}

} // namespace

using MainWindow = MainWindowFixture;

TEST_F(MainWindow, FirstRunInAnEmptyFolder) {
    start();
    EXPECT_EQ(w->windowTitle(), QStringLiteral(" Quillo Pad"));
    EXPECT_EQ(dir.read("quillo.ini").size(), 366);
    EXPECT_EQ(VbColor::of(w->Group[0]), 0xFF);
    EXPECT_EQ(VbColor::of(w->Item[0]), 0xFF);
    EXPECT_EQ(VbColor::of(w->Group[1]), 0x0000FF00);
    EXPECT_EQ(VbColor::of(w->Item[61]), 0x00FFFF00);
    EXPECT_EQ(VbColor::of(w->Trans[3]), 0x0000FFFF);
    for (int k = 0; k < 31; ++k) {
        EXPECT_TRUE(w->Group[k]->text().isEmpty());
    }
    EXPECT_TRUE(w->Txt[1]->isVisible());
    EXPECT_FALSE(w->Txt[0]->isVisible());
    EXPECT_TRUE(w->Wordwrapcheck->isChecked());
    EXPECT_TRUE(w->Group[5]->font().bold());
    EXPECT_TRUE(w->Item[5]->font().bold());
    EXPECT_TRUE(w->Txt[1]->font().bold());
    EXPECT_FALSE(w->Trans[0]->font().bold());
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(0, 0));
    EXPECT_TRUE(w->isNormalState());
    EXPECT_TRUE(w->NetOption[0]->isChecked());
    // The focus passes through holdfocus to the note text.
    EXPECT_SOON(QApplication::focusWidget() == w->Txt[1]);
    EXPECT_TRUE(w->Wordwrapcheck->isVisible());
    EXPECT_FALSE(w->Del[0]->isVisible());
    EXPECT_TRUE(ui.errors.isEmpty());
}

TEST_F(MainWindow, TheTwoLayoutsAndTheSwitchBetweenThem) {
    writeSettings(dir, [](SettingsRecord& r) { r.LargeLayout = 0; });
    dir.write("items0.dir", QByteArray(40 * 30, ' ') + field("Thirty") + QByteArray(40 * 31, ' '));
    start();
    EXPECT_EQ(w->size(), QSize(Twips::toPx(9600), Twips::toPx(6900)));
    EXPECT_EQ(w->Frame3->x(), Twips::toPx(7160));
    EXPECT_FALSE(w->Frame4->isVisible());
    for (int k = 0; k < 62; ++k) {
        EXPECT_EQ(w->Item[k]->isVisible(), k < 24) << k;
    }
    EXPECT_FALSE(w->Group[24]->isVisible());
    EXPECT_TRUE(w->Group[23]->isVisible());

    m->S.LargeLayout = 1;
    w->ApplySizePreset();
    EXPECT_EQ(w->size(), QSize(Twips::toPx(11880), Twips::toPx(8868)))
        << "the preset's 8892 settles at 8868";
    EXPECT_EQ(w->Frame2->geometry(), px(4824, 0, 4548, 8148));
    EXPECT_EQ(w->Frame3->geometry(), px(9420, 0, 2316, 8148));
    EXPECT_EQ(w->Item[61]->geometry(), px(2304, 216 + 252 * 30, 2148, 276));
    EXPECT_EQ(w->Group[30]->geometry(), px(72, 216 + 252 * 30, 2172, 300));
    EXPECT_EQ(w->Trans[11]->geometry(), px(2376, 216 + 252 * 5, 2256, 276));
    EXPECT_TRUE(w->Item[30]->isVisible());
    EXPECT_EQ(w->Item[30]->text(), QStringLiteral("Thirty")) << "hidden buttons keep their names";
    EXPECT_TRUE(w->Group[24]->isVisible());
    EXPECT_TRUE(w->Frame4->isVisible());
    // The whole group column lies inside the window.
    EXPECT_LE(w->Group[30]->mapTo(w.get(), QPoint(0, w->Group[30]->height())).y(), w->height());
}

TEST_F(MainWindow, WidthTogglesTheNoteWidth) {
    writeSettings(dir, [](SettingsRecord& r) { r.LargeLayout = 0; });
    start();
    const auto widths = [this] {
        return std::pair{Twips::fromPx(w->Txt[0]->width()), Twips::fromPx(w->Txt[1]->width())};
    };
    w->fsize->trigger();
    EXPECT_EQ(widths(), std::pair(9390, 9390));
    w->fsize->trigger();
    EXPECT_EQ(widths(), std::pair(4770, 4770));
    w->fsize->trigger();
    EXPECT_EQ(widths(), std::pair(9390, 9390));
    w->fsize->trigger();

    // Large, wide, then small: the wide width stays until the next toggles.
    m->S.LargeLayout = 1;
    w->ApplySizePreset();
    w->fsize->trigger();
    EXPECT_EQ(widths(), std::pair(11670, 11670));
    m->S.LargeLayout = 0;
    w->ApplySizePreset();
    EXPECT_EQ(widths(), std::pair(11670, 11670));
    w->fsize->trigger();
    EXPECT_EQ(widths(), std::pair(9390, 9390));
    w->fsize->trigger();
    EXPECT_EQ(widths(), std::pair(4770, 4770));
    // The wide note lies above the item and group columns.
    w->fsize->trigger();
    QWidget* top = QApplication::widgetAt(w->Frame3->mapToGlobal(w->Frame3->rect().center()));
    EXPECT_TRUE(w->Txt[1]->isAncestorOf(top));
}

TEST_F(MainWindow, SnapsToTheTopAndLeftEdges) {
    start();
    struct Case {
        QPoint from;
        QPoint to;
    };
    // In twips: top under 300 goes to 0; left strictly between -300 and 300 goes to 0.
    const Case cases[] = {
        {{3000, -1000}, {3000, 0}}, {{250, 3000}, {0, 3000}},     {{-250, 3000}, {0, 3000}},
        {{300, 3000}, {300, 3000}}, {{-300, 3000}, {-300, 3000}}, {{-2000, 3000}, {-2000, 3000}},
        {{3000, 300}, {3000, 300}}, {{150, 150}, {0, 0}},
    };
    for (const Case& c : cases) {
        w->move(Twips::toPx(c.from.x()), Twips::toPx(c.from.y()));
        w->Timer1_Timer();
        EXPECT_EQ(
            QPoint(w->leftTwips(), w->topTwips()),
            QPoint(Twips::fromPx(Twips::toPx(c.to.x())), Twips::fromPx(Twips::toPx(c.to.y()))))
            << c.from.x() << "," << c.from.y();
    }
    // The timer itself does it, within a second.
    EXPECT_TRUE(w->Timer1->isActive());
    w->move(Twips::toPx(250), Twips::toPx(-1000));
    EXPECT_SOON_MS(w->frameGeometry().topLeft() == QPoint(0, 0), 1500);

    // Nothing moves, and no size is forced, while minimised.
    w->move(Twips::toPx(100), Twips::toPx(-1000));
    w->Minimise->click();
    EXPECT_TRUE(w->windowState() & Qt::WindowMinimized);
    w->Timer1_Timer();
    EXPECT_EQ(w->topTwips(), Twips::fromPx(Twips::toPx(-1000)));
    w->showNormal();
}

TEST_F(MainWindow, CloseBoxMinimisesAndOnlyUnloadEnds) {
    start();
    QSignalSpy ended(w.get(), &edit::endProgram);
    EXPECT_FALSE(w->close()) << "the close is refused";
    EXPECT_TRUE(w->windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(ended.count(), 0);
    w->showNormal();
    EXPECT_TRUE(w->isNormalState());
    EXPECT_EQ(w->size(), QSize(Twips::toPx(11880), Twips::toPx(8868)));
    // "Unload" with an unchanged note writes nothing to the store.
    w->unload->click();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"quillo.ini"}));
}

// The desktop session ends: the close is for real. A log-out the user
// cancelled leaves the close box minimising again.
TEST_F(MainWindow, SessionEndClosesButACancelledOneDoesNot) {
    start();
    w->sessionEnding();
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(w.get());
    ASSERT_SOON(w->isActiveWindow());
    EXPECT_FALSE(w->close()) << "back at the window: the log-out was cancelled";
    EXPECT_TRUE(w->windowState() & Qt::WindowMinimized);
    w->showNormal();
    w->sessionEnding();
    EXPECT_TRUE(w->close());
}

TEST_F(MainWindow, StartsMinimisedAndRestoresAtTheCorner) {
    writeSettings(dir, [](SettingsRecord& r) { r.StartMinimised = 1; });
    start();
    EXPECT_TRUE(w->windowState() & Qt::WindowMinimized);
    RestoreAndRaise(*w);
    EXPECT_TRUE(w->isNormalState());
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(0, 0));
}

TEST_F(MainWindow, MenusAndShortcuts) {
    start();
    QStringList menus;
    for (QAction* a : w->menuBar()->actions()) {
        menus.append(a->text());
    }
    EXPECT_EQ(menus, QStringList({"&File", "&Edit", "&Search", "&Help", "&Width"}));
    EXPECT_EQ(w->Fcut->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
    EXPECT_EQ(w->Fcopy->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    EXPECT_EQ(w->Fpaste->shortcut(), QKeySequence(QStringLiteral("Ctrl+V")));
    EXPECT_EQ(w->Ffindnext->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_FALSE(w->refreshtimer->isActive()) << "local mode never refreshes";
}

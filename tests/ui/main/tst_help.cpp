#include "dialogscript.h"
#include "mainwindowfixture.h"
#include "soon.h"

#include "ui/dialogs/about.h"
#include "ui/main/buttonlabel.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>

using Help = MainWindowFixture;

TEST_F(Help, F1MenuAndButtonOpenTheSameHelpFileAndTheAboutBoxClosesByEscOrOk) {
    start();
    const QString helpFile = dir.path() + QStringLiteral("quillo.hlp");
    type("Hi");
    keyTo(*w, Qt::Key_F1);
    EXPECT_EQ(note(), QStringLiteral("Hi")) << "F1 is swallowed, not typed";
    // F1 also while a name is being edited, which stays open.
    click(w->Group[2], Qt::RightButton);
    keyTo(*w, Qt::Key_F1);
    EXPECT_EQ(w->EditMode, 1);
    key(Qt::Key_Return);
    // "&Help Contents" from the keyboard: Alt+H opens the menu, H picks it.
    QTest::keyClick(w->windowHandle(), Qt::Key_H, Qt::AltModifier);
    ASSERT_SOON(w->Fhelp->isVisible());
    QTest::keyClick(w->Fhelp->windowHandle(), Qt::Key_H);
    EXPECT_SOON(ui.helpShown.size() == 3);
    // The "Help" button: the same file, then typing goes into the note.
    click(w->Help);
    EXPECT_SOON(ui.helpShown.size() == 4);
    EXPECT_EQ(ui.helpShown, QStringList(4, helpFile));
    const QString before = note();
    type(" there");
    EXPECT_EQ(note(), before + QStringLiteral(" there"));

    // Esc and OK close the about box; other keys leave it open.
    DialogScript script(ui);
    script
        .then([](QDialog& d) {
            for (Qt::Key k : {Qt::Key_A, Qt::Key_Tab, Qt::Key_Delete, Qt::Key_F2}) {
                keyTo(d, k);
            }
            EXPECT_TRUE(d.isVisible());
            keyTo(d, Qt::Key_Escape);
        })
        .then([](QDialog& d) {
            auto* ok = d.findChild<QPushButton*>(QStringLiteral("OK"));
            ASSERT_TRUE(ok);
            mouseClick(ok);
            QApplication::processEvents();
        });
    w->fabout->trigger();
    w->fabout->trigger();
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(w->findChildren<about*>().isEmpty()) << "the box is gone once closed";
}

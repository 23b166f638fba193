#include "mainwindowfixture.h"
#include "soon.h"

#include "ui/dialogs/about.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

// Runs `body` on the about box while it is shown modally, then makes sure it
// is closed, so a failing check cannot leave the test waiting on the box.
void whileShown(FakeUiServices& ui, const std::function<void(QDialog&)>& body) {
    ui.onModal = [body](QDialog& d) {
        QTimer::singleShot(0, &d, [&d, body] {
            if (QTest::qWaitForWindowExposed(&d)) {
                body(d);
            } else {
                ADD_FAILURE() << "the about box was not shown";
            }
            if (d.isVisible()) {
                d.reject();
            }
        });
        return false;
    };
}

void keyTo(QWidget& window, Qt::Key k) {
    QTest::keyClick(window.windowHandle(), k);
    QApplication::processEvents();
}

} // namespace

using Help = MainWindowFixture;

TEST_F(Help, F1MenuAndButtonOpenTheSameHelpFile) {
    start();
    const QString helpFile = dir.path() + QStringLiteral("quillo.hlp");
    EXPECT_EQ(m->HelpFile, helpFile);

    type("Hi");
    keyTo(*w, Qt::Key_F1);
    EXPECT_EQ(ui.helpShown, QStringList({helpFile}));
    EXPECT_EQ(note(), QStringLiteral("Hi")) << "F1 is swallowed, not typed";

    // F1 also while a name is being edited, in a control of its own.
    click(w->Group[2], Qt::RightButton);
    ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w->groupedit));
    keyTo(*w, Qt::Key_F1);
    EXPECT_EQ(ui.helpShown.size(), 2);
    EXPECT_EQ(w->EditMode, 1) << "the name edit stays open";
    key(Qt::Key_Return);

    // "&Help Contents" from the keyboard: Alt+H opens the menu, H picks it.
    QTest::keyClick(w->windowHandle(), Qt::Key_H, Qt::AltModifier);
    ASSERT_SOON(w->Fhelp->isVisible());
    QTest::keyClick(w->Fhelp->windowHandle(), Qt::Key_H);
    EXPECT_SOON(ui.helpShown.size() == 3);
    EXPECT_FALSE(w->Fhelp->isVisible());

    // The "Help" button: the same file, then the focus in the note.
    click(w->Help);
    EXPECT_SOON(ui.helpShown.size() == 4);
    EXPECT_EQ(ui.helpShown, QStringList(4, helpFile));
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(m->noteBox()));
    const QString before = note();
    type(" there");
    EXPECT_EQ(note(), before + QStringLiteral(" there"));
}

TEST_F(Help, AboutBoxShowsNameVersionIconAndClosesOnlyByEscOrOk) {
    start();
    int shown = 0;
    whileShown(ui, [&](QDialog& d) {
        ++shown;
        EXPECT_EQ(d.windowTitle(), QStringLiteral(" About Quillo Pad"));
        EXPECT_TRUE(d.isModal());
        auto* name = d.findChild<QLabel*>(QStringLiteral("name"));
        auto* version = d.findChild<QLabel*>(QStringLiteral("version"));
        auto* icon = d.findChild<QLabel*>(QStringLiteral("icon"));
        auto* ok = d.findChild<QPushButton*>(QStringLiteral("OK"));
        ASSERT_TRUE(name && version && icon && ok);
        EXPECT_EQ(name->text(), QStringLiteral("Quillo Pad"));
        EXPECT_GT(name->font().pointSizeF(), version->font().pointSizeF());
        EXPECT_EQ(version->text(), QStringLiteral("Version 2.00"));
        EXPECT_EQ(ok->text(), QStringLiteral("OK"));
        EXPECT_FALSE(icon->pixmap().isNull()) << "the icon is drawn (SVG plugins)";
        EXPECT_EQ(icon->pixmap().toImage(), w->windowIcon().pixmap(64, 64).toImage())
            << "the main window's icon";
        EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(ok));

        // Keys other than Esc leave the box open; F1 opens the help from it.
        for (Qt::Key k : {Qt::Key_A, Qt::Key_Z, Qt::Key_1, Qt::Key_Tab, Qt::Key_Backspace,
                          Qt::Key_Delete, Qt::Key_Down, Qt::Key_F2, Qt::Key_F1}) {
            keyTo(d, k);
            EXPECT_TRUE(d.isVisible()) << "key " << k;
        }
        EXPECT_EQ(ui.helpShown, QStringList({m->HelpFile}));
        keyTo(d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible()) << "Esc closes";
    });
    w->fabout->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(ui.modalsShown, QStringList({"about"}));

    // OK closes it, clicked or pressed with Enter while it has the focus.
    whileShown(ui, [&](QDialog& d) {
        ++shown;
        auto* ok = d.findChild<QPushButton*>(QStringLiteral("OK"));
        ASSERT_TRUE(ok);
        QTest::mouseClick(d.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          ok->mapTo(&d, ok->rect().center()));
        QApplication::processEvents();
        EXPECT_FALSE(d.isVisible()) << "OK closes";
    });
    w->fabout->trigger();
    whileShown(ui, [&](QDialog& d) {
        ++shown;
        keyTo(d, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible()) << "Enter presses the focused OK";
    });
    w->fabout->trigger();
    EXPECT_EQ(shown, 3);
    EXPECT_TRUE(w->findChildren<about*>().isEmpty()) << "the box is gone once closed";
}

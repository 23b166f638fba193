#include "dialogscript.h"
#include "mainwindowfixture.h"
#include "soon.h"

#include "ui/dialogs/about.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPushButton>

namespace {

void keyTo(QWidget& window, Qt::Key k) {
    QTest::keyClick(window.windowHandle(), k);
    QApplication::processEvents();
}

} // namespace

using Help = MainWindowFixture;

TEST_F(Help, F1MenuAndButtonOpenTheSameHelpFile) {
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
}

// Esc and OK close the about box; other keys leave it open.
TEST_F(Help, AboutBoxClosesOnlyByEscOrOk) {
    start();
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

// What surprised a newcomer is in the help, in the section where they will
// look for it.
TEST(HelpFile, SaysWhatSurprisesANewcomer) {
    QFile file(binDir() + QStringLiteral("/quillo.hlp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString help = QString::fromUtf8(file.readAll()).simplified();
    const auto says = [&](const char* section, const char* what) {
        const qsizetype from = help.indexOf(QStringLiteral("## ") + QLatin1String(section));
        const qsizetype at = help.indexOf(QLatin1String(what), from);
        return from >= 0 && at >= 0 && at < help.indexOf(QStringLiteral(" ## "), from + 3);
    };
    EXPECT_TRUE(says("Naming", "**Esc** closes the box and keeps the old name"));
    EXPECT_TRUE(
        says("Naming", "Cut, Copy and Paste (and Ctrl+X, Ctrl+C, Ctrl+V) work on the note"));
    EXPECT_TRUE(says("Moving", "drag distance"));
    EXPECT_TRUE(says("Moving", "Every group button an item passes over opens"));
    EXPECT_TRUE(says("Text files", "start in your Documents folder"));
    EXPECT_TRUE(says("Sharing", "With no network folder set, Quillo Pad says so"));
    EXPECT_TRUE(says("Earlier texts", "64 MiB or 10,000 texts"));
}

#include "testfolder.h"

#include "app/helpviewer.h"
#include "app/qtuiservices.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

QByteArray filler() {
    QByteArray text;
    for (int k = 0; k < 40; ++k) {
        text += "Filler paragraph " + QByteArray::number(k) + ".\n\n";
    }
    return text;
}

QByteArray sampleHelp() {
    return "# Title\n\nIntro.\n\n## First\n\n" + filler() + "## Second\n\nAn apple here.\n\n" +
           filler() + "### Deeper\n\nAnother apple.\n\n## Third\n\nApple pie.\n\n" + filler();
}

void keys(QWidget& window, const QString& text) {
    for (const QChar c : text) {
        QTest::keyClick(window.windowHandle(), c.toLatin1());
    }
}

QList<HelpViewer*> viewers() {
    QList<HelpViewer*> all;
    for (QWidget* w : QApplication::allWidgets()) {
        if (auto* v = qobject_cast<HelpViewer*>(w)) {
            all << v;
        }
    }
    return all;
}

} // namespace

TEST(HelpViewer, ContentsJumpAndTheSearchBoxFindsEachMatch) {
    TestFolder dir;
    dir.write("help.md", sampleHelp());
    HelpViewer v;
    v.showFile(dir.file("help.md"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    EXPECT_FALSE(v.text()->toPlainText().contains("# Title")) << "shown formatted";

    // A click on "Second" in the contents brings that heading to the top of the text.
    QTreeWidget* c = v.contents();
    ASSERT_EQ(c->topLevelItemCount(), 1);
    QTreeWidgetItem* second = c->topLevelItem(0)->child(1);
    ASSERT_TRUE(second);
    const QPoint at = c->viewport()->mapTo(&v, c->visualItemRect(second).center());
    QTest::mouseClick(v.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
    EXPECT_EQ(v.text()->textCursor().block().text(), "Second");
    EXPECT_LT(v.text()->cursorRect().top(), 20) << "the heading stands at the top";

    // The search box: case does not count, F3 goes on and round, Shift+F3 back.
    QApplication::setActiveWindow(&v);
    v.findBox()->setFocus();
    keys(v, "APPLE");
    QTest::keyClick(v.windowHandle(), Qt::Key_Return);
    const QTextCursor first = v.text()->textCursor();
    EXPECT_EQ(first.selectedText(), "apple") << "case does not count";
    EXPECT_EQ(first.block().text(), "An apple here.");

    QTest::keyClick(v.windowHandle(), Qt::Key_F3);
    EXPECT_EQ(v.text()->textCursor().block().text(), "Another apple.");
    QTest::keyClick(v.windowHandle(), Qt::Key_F3);
    QTest::keyClick(v.windowHandle(), Qt::Key_F3);
    EXPECT_EQ(v.text()->textCursor().position(), first.position()) << "round to the first";
    QTest::keyClick(v.windowHandle(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(v.text()->textCursor().block().text(), "Apple pie.") << "Shift+F3 goes back";

    v.findBox()->selectAll();
    keys(v, "pear");
    QTest::keyClick(v.windowHandle(), Qt::Key_Return);
    EXPECT_EQ(v.findStatus()->text(), "Not found");
    EXPECT_EQ(v.text()->textCursor().block().text(), "Apple pie.") << "the place is kept";

    v.showFile(dir.file("quillo.hlp"));
    EXPECT_TRUE(v.text()->toPlainText().contains("could not be read"));
    v.close();
}

TEST(HelpViewer, StaysUsableWhileADialogIsModalAndOutlivesIt) {
    TestFolder dir;
    dir.write("help.md", sampleHelp());
    QtUiServices services;
    {
        auto dialog = std::make_unique<QDialog>();
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        services.showHelp(dir.file("help.md"));
        HelpViewer* v = viewers().value(0);
        ASSERT_TRUE(v);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(v));
        QApplication::setActiveWindow(v);
        v->findBox()->setFocus();
        keys(*v, "pie");
        EXPECT_EQ(v->findBox()->text(), "pie") << "typing reaches the help window";
    }
    // The dialog is gone; the help window stays open.
    QApplication::processEvents();
    HelpViewer* v = viewers().value(0);
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->isVisible());

    services.showHelp(dir.file("help.md"));
    EXPECT_EQ(viewers().size(), 1) << "one help window, shown again";
    v->close();
}

#include "testfolder.h"

#include "app/helpviewer.h"
#include "app/qtuiservices.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

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

HelpViewer* findViewer() {
    for (QWidget* w : QApplication::allWidgets()) {
        if (auto* v = qobject_cast<HelpViewer*>(w)) {
            return v;
        }
    }
    return nullptr;
}

} // namespace

TEST(HelpViewer, ContentsJumpToEachHeading) {
    TestFolder dir;
    dir.write("help.md", sampleHelp());
    HelpViewer v;
    v.showFile(dir.file("help.md"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    EXPECT_FALSE(v.text()->toPlainText().contains("# Title")) << "shown formatted";

    QTreeWidget* c = v.contents();
    ASSERT_EQ(c->topLevelItemCount(), 1);
    QTreeWidgetItem* title = c->topLevelItem(0);
    EXPECT_EQ(title->text(0), "Title");
    ASSERT_EQ(title->childCount(), 3);
    EXPECT_EQ(title->child(0)->text(0), "First");
    EXPECT_EQ(title->child(1)->text(0), "Second");
    ASSERT_EQ(title->child(1)->childCount(), 1);
    EXPECT_EQ(title->child(1)->child(0)->text(0), "Deeper");
    EXPECT_EQ(title->child(2)->text(0), "Third");

    // A click on "Second" brings that heading to the top of the text.
    QTreeWidgetItem* second = title->child(1);
    const QPoint at = c->viewport()->mapTo(&v, c->visualItemRect(second).center());
    QTest::mouseClick(v.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
    EXPECT_EQ(v.text()->textCursor().block().text(), "Second");
    EXPECT_GT(v.text()->verticalScrollBar()->value(), 0);
    EXPECT_LT(v.text()->cursorRect().top(), 20) << "the heading stands at the top";
    v.close();
}

TEST(HelpViewer, SearchBoxFindsEachMatchAndGoesRound) {
    TestFolder dir;
    dir.write("help.md", sampleHelp());
    HelpViewer v;
    v.showFile(dir.file("help.md"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
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
    EXPECT_EQ(v.text()->textCursor().selectedText(), "Apple");
    QTest::keyClick(v.windowHandle(), Qt::Key_F3);
    EXPECT_EQ(v.text()->textCursor().position(), first.position()) << "round to the first";
    QTest::keyClick(v.windowHandle(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(v.text()->textCursor().block().text(), "Apple pie.") << "Shift+F3 goes back";
    EXPECT_TRUE(v.findStatus()->text().isEmpty());

    v.findBox()->selectAll();
    keys(v, "pear");
    QTest::keyClick(v.windowHandle(), Qt::Key_Return);
    EXPECT_EQ(v.findStatus()->text(), "Not found");
    EXPECT_EQ(v.text()->textCursor().block().text(), "Apple pie.") << "the place is kept";
    v.close();
}

TEST(HelpViewer, MissingFileIsSaidInPlainWords) {
    TestFolder dir;
    HelpViewer v;
    v.showFile(dir.file("quillo.hlp"));
    EXPECT_TRUE(v.text()->toPlainText().contains("could not be read"));
    EXPECT_TRUE(v.text()->toPlainText().contains(dir.file("quillo.hlp")));
    EXPECT_EQ(v.contents()->topLevelItemCount(), 0);
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
        HelpViewer* v = findViewer();
        ASSERT_TRUE(v);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(v));
        QApplication::setActiveWindow(v);
        v->findBox()->setFocus();
        keys(*v, "pie");
        EXPECT_EQ(v->findBox()->text(), "pie") << "typing reaches the help window";
        dialog->close();
        QApplication::processEvents();
        // The dialog goes; the help window stays open.
    }
    QApplication::processEvents();
    HelpViewer* v = findViewer();
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->isVisible());
    EXPECT_TRUE(v->isWindow());
    EXPECT_EQ(v->parentWidget(), nullptr);
    EXPECT_EQ(v->findBox()->text(), "pie");

    services.showHelp(dir.file("help.md"));
    int viewers = 0;
    for (QWidget* w : QApplication::allWidgets()) {
        viewers += qobject_cast<HelpViewer*>(w) ? 1 : 0;
    }
    EXPECT_EQ(viewers, 1) << "one help window, shown again";
    v->close();
}

TEST(HelpViewer, ShippedHelpCoversEveryTopic) {
    HelpViewer v;
    v.showFile(binDir() + QStringLiteral("/quillo.hlp"));
    QStringList headings;
    for (QTreeWidgetItemIterator it(v.contents()); *it; ++it) {
        headings << (*it)->text(0);
    }
    for (const char* topic :
         {"Groups and items", "Naming groups and items", "Moving and copying with the mouse",
          "The transfer slots", "Erasing", "The Edit menu", "Text files", "Searching",
          "Sharing notes over the network", "Options and the password", "Where your files live",
          "Backing up and moving your notes"}) {
        EXPECT_TRUE(headings.contains(QLatin1String(topic))) << topic;
    }
    const QString text = v.text()->toPlainText();
    for (const char* words :
         {"quillo.ini", "group.dir", "trans.dir", "quillo.loc", "~/.local/share/quillo-pad/",
          "NFS version 4", "nobrl", "local_lock=all", "sshfs", "Windows-1252", "CR LF",
          "No More Matches !", "Drop Here to Erase"}) {
        EXPECT_TRUE(text.contains(QLatin1String(words))) << words;
    }
    v.close();
}

#include "mainwindowfixture.h"

#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPushButton>

namespace {

QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

} // namespace

class NoteText : public MainWindowFixture {
protected:
    // Ctrl+<k> where the focus is, through the window's shortcut handling.
    void ctrl(Qt::Key k) { QTest::keyClick(focus(), k, Qt::ControlModifier); }
    void selectLeft(int n) {
        for (int k = 0; k < n; ++k) {
            QTest::keyClick(m->noteBox(), Qt::Key_Left, Qt::ShiftModifier);
        }
    }
    // Opens the Edit menu and closes it again: Cut, Copy, Delete, Paste and
    // Select All as they were offered, "1" for enabled.
    std::string editMenuOffers() {
        w->Fedit->popup(w->mapToGlobal(QPoint(20, 20)));
        std::string offers;
        for (QAction* a : {w->Fcut, w->Fcopy, w->Fdelete, w->Fpaste, w->Fselectall}) {
            offers += a->isEnabled() ? '1' : '0';
        }
        w->Fedit->hide();
        return offers;
    }
};

// The keys act as their entries would if the menu were opened now, also
// after it was last opened with nothing selected, wherever the focus is.
TEST_F(NoteText, EditMenuAndItsKeysFollowTheSelectionOfTheMoment) {
    start();
    type("abcdef");
    clipboard()->setText("before");
    EXPECT_EQ(editMenuOffers(), "00011");
    ctrl(Qt::Key_C);
    EXPECT_EQ(clipboard()->text(), "before") << "nothing selected: the clipboard keeps its text";
    selectLeft(3);
    ctrl(Qt::Key_C);
    EXPECT_EQ(clipboard()->text(), "def");
    EXPECT_EQ(note(), "abcdef");
    EXPECT_EQ(editMenuOffers(), "11111");
    key(Qt::Key_End);
    EXPECT_EQ(editMenuOffers(), "00011");
    selectLeft(2);
    w->Wordwrapcheck->setFocus(Qt::TabFocusReason);
    ctrl(Qt::Key_X);
    EXPECT_EQ(clipboard()->text(), "ef");
    EXPECT_EQ(note(), "abcd");

    // Select All on an empty note selects nothing.
    w->Fselectall->trigger();
    w->Fdelete->trigger();
    w->Fselectall->trigger();
    EXPECT_FALSE(m->noteBox()->textCursor().hasSelection());
    EXPECT_EQ(editMenuOffers(), "00011");
}

TEST_F(NoteText, PasteTakesAnyLineBreakAndOnlyTextCopyGivesCrLf) {
    start();
    type("keep this");
    selectLeft(4);
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    clipboard()->setImage(picture);
    w->Fpaste->trigger();
    EXPECT_EQ(note(), "keep ") << "no text on the clipboard: the selection goes";

    clipboard()->setText(QString::fromUtf8("a\r\nb\rc\nd \xd0\x96 \xe2\x82\xac"));
    ctrl(Qt::Key_V);
    EXPECT_EQ(note(), QString::fromUtf8("keep a\nb\nc\nd ? \xe2\x82\xac"));
    EXPECT_EQ(m->noteBox()->toPlainText().count('\n'), 3);
    // Copied text leaves with CR LF, by the menu and by the box's own copy.
    const QString copied = QString::fromUtf8("keep a\r\nb\r\nc\r\nd ? \xe2\x82\xac");
    w->Fselectall->trigger();
    w->Fcopy->trigger();
    EXPECT_EQ(clipboard()->text(), copied);
    clipboard()->clear();
    m->noteBox()->copy();
    EXPECT_EQ(clipboard()->text(), copied);

    // Send Item to Clipboard: the whole note, whatever is selected.
    selectLeft(3);
    click(w->sendtoclipboard);
    EXPECT_EQ(clipboard()->text(), copied);
    EXPECT_EQ(focus(), static_cast<QWidget*>(m->noteBox()));
}

TEST_F(NoteText, KeysInANameBoxActOnTheNote) {
    dir.write("items0.dir", names({"a"}, 62));
    dir.write("quil0.0", storedNote("hello world"));
    start();
    click(w->Item[0], Qt::RightButton);
    ASSERT_EQ(focus(), static_cast<QWidget*>(w->ItemEdit));
    QTextCursor c = m->noteBox()->textCursor();
    c.setPosition(6);
    c.setPosition(11, QTextCursor::KeepAnchor);
    m->noteBox()->setTextCursor(c);
    ctrl(Qt::Key_X);
    EXPECT_EQ(note(), "hello ");
    EXPECT_EQ(clipboard()->text(), "world");
    EXPECT_EQ(w->ItemEdit->text(), "a") << "the name box is not touched";
    EXPECT_EQ(focus(), static_cast<QWidget*>(w->ItemEdit));
    key(Qt::Key_Return);
}

TEST_F(NoteText, ADroppedItemInsertsItsStoredTextAGroupNothing) {
    dir.write("group.dir", names({"Work"}, 31));
    dir.write("items0.dir", names({"a", "b", "", "not this"}, 62));
    dir.write("quil0.0", storedNote("alpha\r\nbeta"));
    dir.write("quil0.1", storedNote("note"));
    dir.write("quil0.3", storedNote("wrong"));
    start();
    click(w->Item[1]);
    QTest::keyClick(focus(), Qt::Key_End, Qt::ControlModifier);
    const auto before = dir.snapshot();

    drag(Qt::LeftButton, {w->Group[0], m->noteBox()});
    EXPECT_EQ(note(), "note");
    EXPECT_EQ(dir.snapshot(), before);

    drag(Qt::LeftButton, {w->Item[0], m->noteBox()});
    EXPECT_EQ(note(), "notealpha\nbeta") << "the text without the word-wrap flag, at the caret";
    EXPECT_TRUE(m->noteChanged());
    EXPECT_EQ(dir.snapshot(), before) << "the dragged item stays as it was";

    // The next press saves the note under its own item.
    click(w->Item[0]);
    EXPECT_EQ(dir.read("quil0.1"), storedNote("notealpha\r\nbeta"));
    EXPECT_EQ(dir.read("quil0.0"), storedNote("alpha\r\nbeta"));
}

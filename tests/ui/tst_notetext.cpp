#include "mainwindowfixture.h"

#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPushButton>

namespace {

QByteArray noteBytes(const QByteArray& text) {
    return text + QByteArray("\x01\x00", 2);
}

QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

} // namespace

class NoteText : public MainWindowFixture {
protected:
    QWidget* focus() const { return QApplication::focusWidget(); }
    // Ctrl+<k> where the focus is, through the window's shortcut handling.
    void ctrl(Qt::Key k) { QTest::keyClick(focus(), k, Qt::ControlModifier); }
    void selectLeft(int n) {
        for (int k = 0; k < n; ++k) {
            QTest::keyClick(m->noteBox(), Qt::Key_Left, Qt::ShiftModifier);
        }
    }
    // Opens the Edit menu and closes it again: Cut, Copy, Delete, Paste and
    // Select All as they were offered, "1" for enabled.
    std::string editMenuOffers(bool open = true) {
        if (open) {
            w->Fedit->popup(w->mapToGlobal(QPoint(20, 20)));
        }
        std::string offers;
        for (QAction* a : {w->Fcut, w->Fcopy, w->Fdelete, w->Fpaste, w->Fselectall}) {
            offers += a->isEnabled() ? '1' : '0';
        }
        w->Fedit->hide();
        return offers;
    }
};

TEST_F(NoteText, EditMenuFollowsTheSelectionAndItsKeysTheLastOpening) {
    start();
    EXPECT_EQ(editMenuOffers(false), "11111") << "all enabled when the window opens";
    type("abcdef");
    selectLeft(1);
    ctrl(Qt::Key_C);
    EXPECT_EQ(clipboard()->text(), "f");
    clipboard()->setText("before");
    QTest::keyClick(focus(), Qt::Key_End);
    EXPECT_EQ(editMenuOffers(), "00011");
    selectLeft(3);
    ctrl(Qt::Key_C);
    ctrl(Qt::Key_X);
    EXPECT_EQ(clipboard()->text(), "before") << "the keys follow the menu's last state";
    EXPECT_EQ(note(), "abcdef");

    EXPECT_EQ(editMenuOffers(), "11111");
    ctrl(Qt::Key_X);
    EXPECT_EQ(clipboard()->text(), "def");
    EXPECT_EQ(note(), "abc");
    selectLeft(2);
    w->Fcopy->trigger();
    EXPECT_EQ(clipboard()->text(), "bc");
    EXPECT_EQ(note(), "abc") << "Copy leaves the note";
    w->Fdelete->trigger();
    EXPECT_EQ(note(), "a");
    EXPECT_EQ(clipboard()->text(), "bc");
    ctrl(Qt::Key_Z);
    EXPECT_EQ(note(), "abc") << "the box still undoes";
}

TEST_F(NoteText, PasteTakesAnyLineBreakAndOnlyText) {
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
    // The box's own paste key takes the same way in.
    clipboard()->setText("\rp\r\n");
    QTest::keyClick(focus(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(note(), QString::fromUtf8("keep a\nb\nc\nd ? \xe2\x82\xac\np\n"));
    selectLeft(3);
    w->Fdelete->trigger();

    // Copied text leaves with CR LF, by the menu and by the box's own copy.
    w->Fselectall->trigger();
    w->Fcopy->trigger();
    EXPECT_EQ(clipboard()->text(), QString::fromUtf8("keep a\r\nb\r\nc\r\nd ? \xe2\x82\xac"));
    clipboard()->clear();
    m->noteBox()->copy();
    EXPECT_EQ(clipboard()->text(), QString::fromUtf8("keep a\r\nb\r\nc\r\nd ? \xe2\x82\xac"));
}

TEST_F(NoteText, SelectAllOnAnEmptyNoteSelectsNothing) {
    start();
    w->Fselectall->trigger();
    EXPECT_FALSE(m->noteBox()->textCursor().hasSelection());
    EXPECT_EQ(editMenuOffers(), "00011");
    type("all of it");
    QTest::keyClick(focus(), Qt::Key_Home);
    w->Fselectall->trigger();
    EXPECT_EQ(m->noteBox()->textCursor().selectedText(), "all of it");
    EXPECT_EQ(editMenuOffers(), "11111");
}

TEST_F(NoteText, KeysInANameBoxActOnTheNote) {
    dir.write("group.dir", names({"Work"}, 31));
    dir.write("items0.dir", names({"a"}, 62));
    dir.write("quil0.0", noteBytes("hello world"));
    start();
    const auto selectInNote = [&](int from, int to) {
        QTextCursor c = m->noteBox()->textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        m->noteBox()->setTextCursor(c);
    };

    click(w->Item[0], Qt::RightButton);
    ASSERT_EQ(focus(), static_cast<QWidget*>(w->ItemEdit));
    selectInNote(6, 11);
    ctrl(Qt::Key_C);
    EXPECT_EQ(clipboard()->text(), "world");
    ctrl(Qt::Key_X);
    EXPECT_EQ(note(), "hello ");
    EXPECT_EQ(clipboard()->text(), "world");
    selectInNote(0, 5);
    ctrl(Qt::Key_V);
    EXPECT_EQ(note(), "world ");
    EXPECT_EQ(w->ItemEdit->text(), "a") << "the name box is not touched";
    EXPECT_EQ(focus(), static_cast<QWidget*>(w->ItemEdit));
    // Other editing keys stay the box's own.
    type("b");
    ctrl(Qt::Key_Z);
    EXPECT_EQ(w->ItemEdit->text(), "a");
    key(Qt::Key_Return);
    EXPECT_EQ(w->Item[0]->text(), "a");

    click(w->Group[0], Qt::RightButton);
    ASSERT_EQ(focus(), static_cast<QWidget*>(w->groupedit));
    selectInNote(0, 2);
    ctrl(Qt::Key_C);
    EXPECT_EQ(clipboard()->text(), "wo");
    EXPECT_EQ(w->groupedit->text(), "Work");
    key(Qt::Key_Return);
}

TEST_F(NoteText, SendItemToClipboardSendsTheWholeNote) {
    start();
    type("one");
    key(Qt::Key_Return);
    type("two");
    key(Qt::Key_Return);
    selectLeft(3);
    click(w->sendtoclipboard);
    EXPECT_EQ(clipboard()->text(), "one\r\ntwo\r\n");
    EXPECT_EQ(note(), "one\ntwo\n");
    EXPECT_EQ(focus(), static_cast<QWidget*>(m->noteBox()));
}

TEST_F(NoteText, ADroppedItemOrSlotInsertsItsStoredTextAGroupNothing) {
    dir.write("group.dir", names({"Work"}, 31));
    dir.write("items0.dir", names({"a", "b", "", "not this"}, 62));
    dir.write("quil0.0", noteBytes("alpha\r\nbeta"));
    dir.write("quil0.1", noteBytes("note"));
    dir.write("quil0.3", noteBytes("wrong"));
    dir.write("trans.dir", names({"zero", "", "", "slot"}, 12));
    dir.write("trans.0", noteBytes("zero"));
    dir.write("trans.3", noteBytes("parked"));
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
    EXPECT_EQ(dir.read("quil0.1"), noteBytes("notealpha\r\nbeta"));
    EXPECT_EQ(dir.read("quil0.0"), noteBytes("alpha\r\nbeta"));

    // A slot inserts its own note; the right button changes nothing either.
    QTest::keyClick(focus(), Qt::Key_End, Qt::ControlModifier);
    drag(Qt::RightButton, {w->Trans[3], m->noteBox()});
    EXPECT_EQ(note(), "alpha\nbetaparked");
    EXPECT_EQ(dir.read("trans.3"), noteBytes("parked"));
    EXPECT_EQ(w->Trans[3]->text(), "slot");
}

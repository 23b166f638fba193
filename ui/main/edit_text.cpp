// The Edit menu and "Send Item to Clipboard". Every entry works on the
// visible note box, whichever control has the focus, a name edit box
// included; the clipboard holds plain text with CR LF line breaks.

#include "store/module1.h"
#include "core/textfile.h"
#include "ui/main/edit.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace {

QString selectedNoteText(const QTextCursor& cursor) {
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void putOnClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(TextFile::withCrLf(text));
}

// Replaces the selection of the box by `text` (nothing: the selection goes),
// as one step the box can undo.
void replaceSelection(QPlainTextEdit* box, const QString& text) {
    QTextCursor cursor = box->textCursor();
    if (text.isEmpty()) {
        cursor.removeSelectedText();
    } else {
        cursor.insertText(text);
    }
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
}

} // namespace

// Cut, Copy and Delete are offered only with text selected. The state is
// taken when the menu opens and again when one of their keys is pressed, so
// a key acts as its entry would if the menu were opened now.
void edit::Fedit_Click() {
    offerSelectionEntries();
    Fpaste->setEnabled(true);
    Fselectall->setEnabled(true);
    FundoErase->setEnabled(m.trash.last().has_value());
}

void edit::offerSelectionEntries() {
    const bool selected = m.noteBox()->textCursor().hasSelection();
    Fcut->setEnabled(selected);
    Fcopy->setEnabled(selected);
    Fdelete->setEnabled(selected);
}

// With nothing selected Cut and Copy leave the clipboard as it is: a stray
// Ctrl+C does not throw away what was copied before.
void edit::Fcut_Click() {
    QPlainTextEdit* box = m.noteBox();
    if (box->textCursor().hasSelection()) {
        putOnClipboard(selectedNoteText(box->textCursor()));
        replaceSelection(box, QString());
    }
}

void edit::Fcopy_Click() {
    if (m.noteBox()->textCursor().hasSelection()) {
        putOnClipboard(selectedNoteText(m.noteBox()->textCursor()));
    }
}

// The clipboard's text in place of the selection; with no text on the
// clipboard the selection is simply removed. Characters the store cannot
// hold become '?' as they enter the box.
void edit::Fpaste_Click() {
    replaceSelection(m.noteBox(), TextFile::normaliseBreaks(QGuiApplication::clipboard()->text()));
}

void edit::Fdelete_Click() {
    replaceSelection(m.noteBox(), QString());
}

void edit::Fselectall_Click() {
    m.noteBox()->selectAll();
}

void edit::sendtoclipboard_Click() {
    putOnClipboard(m.noteText());
    m.focusNote();
}

// The text boxes take Ctrl+X, Ctrl+C and Ctrl+V for themselves. In the main
// window these keys belong to the Edit menu wherever the focus is, so that
// they act on the note also while a name is being edited: the focused control
// is told it may have the key, and the key itself then runs the menu entry,
// offered or not as the selection stands at that moment.
bool edit::editShortcut(QObject* watched, QKeyEvent* event) {
    if (!isOwnWidget(watched)) {
        return false;
    }
    const QKeySequence pressed(event->keyCombination());
    for (QAction* entry : {Fcut, Fcopy, Fpaste}) {
        if (pressed != entry->shortcut()) {
            continue;
        }
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
        } else if (event->type() == QEvent::KeyPress) {
            if (entry != Fpaste) {
                offerSelectionEntries();
            }
            entry->trigger();
        }
        return true;
    }
    return false;
}

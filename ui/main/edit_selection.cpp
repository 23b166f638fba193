// Choosing groups and items, the focus rules around the note text, the
// panel swap and the word-wrap switch.

#include "store/module1.h"
#include "store/notetext.h"
#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

void edit::paintSelection() {
    for (ButtonLabel* g : Group) {
        VbColor::paint(g, g->index() == m.HighlightedGroup ? VbColor::Highlight : m.S.GroupColor);
    }
    for (ButtonLabel* i : Item) {
        VbColor::paint(i, i->index() == m.HighlightedItem ? VbColor::Highlight : m.S.ItemColor);
    }
}

// A mouse press on a group, item or slot button saves a changed note first.
void edit::mouseDownOnButton(int Button, float X, float Y) {
    TextFileName.clear();
    m_clickBlocked = false;
    if (EditMode != 0) {
        // A press while a name is being edited only ends the edit: a drag
        // begun now would drop into a selection that cannot be made while
        // the edit is open.
        m.focusNote();
        m_clickBlocked = true;
        return;
    }
    if (m.noteChanged()) {
        if (m.AccessCheckAbandons(false)) {
            // The click that follows this press must not load another note
            // over the unsaved text.
            m_clickBlocked = true;
            return;
        }
        m.SaveNote();
        m.CloseAllFiles();
        if (m.SaveFailed) {
            m_clickBlocked = true;
            return;
        }
    }
    LastButton = static_cast<qint16>(Button);
    DragArmed = 1;
    DownX = X;
    DownY = Y;
}

void edit::group_MouseDown(int /*Index*/, int Button, float X, float Y) {
    mouseDownOnButton(Button, X, Y);
}
void edit::Item_MouseDown(int /*Index*/, int Button, float X, float Y) {
    mouseDownOnButton(Button, X, Y);
}
void edit::Trans_MouseDown(int /*Index*/, int Button, float X, float Y) {
    mouseDownOnButton(Button, X, Y);
}

bool edit::consumeClickBlock() {
    if (!m_clickBlocked) {
        return false;
    }
    m_clickBlocked = false;
    DragArmed = 0;
    m.focusNote();
    return true;
}

// The start both click handlers share: a click during a name edit only ends
// the edit; in network mode the access check may abandon the click.
bool edit::clickMayGoOn() {
    DragArmed = 0;
    unsetCursor();
    if (EditMode != 0) {
        m.focusNote();
        return false;
    }
    return !m.AccessCheckAbandons(true);
}

void edit::Group_Click(int Index) {
    if (!clickMayGoOn()) {
        return;
    }
    setCursor(Qt::WaitCursor);
    if (Index != m.HighlightedGroup) {
        openGroup(Index);
    }
    m.LoadNote();
    m.CloseAllFiles();
    unsetCursor();
    if (LastButton == 2) {
        Namegroup();
    } else {
        m.focusNote();
    }
}

// Group `Index` becomes the chosen one, its item names shown and its
// remembered item highlighted.
void edit::openGroup(int Index) {
    m.S.CurrentGroup = static_cast<qint16>(Index);
    VbColor::paint(Group[Index], VbColor::Highlight);
    VbColor::paint(Group[m.HighlightedGroup], m.S.GroupColor);
    m.HighlightedGroup = m.S.CurrentGroup;
    m.LoadItemIndex();
    VbColor::paint(Item[m.HighlightedItem], m.S.ItemColor);
    VbColor::paint(Item[m.S.currentItem()], VbColor::Highlight);
    m.HighlightedItem = m.S.currentItem();
    m.WriteSettings();
}

void edit::Item_Click(int Index) {
    if (!clickMayGoOn()) {
        return;
    }
    if (Index != m.HighlightedItem) {
        m.S.CurrentItem.at(static_cast<size_t>(m.S.CurrentGroup)) = static_cast<qint16>(Index);
        VbColor::paint(Item[Index], VbColor::Highlight);
        VbColor::paint(Item[m.HighlightedItem], m.S.ItemColor);
        m.HighlightedItem = static_cast<qint16>(Index);
        m.WriteSettings();
    }
    m.LoadNote();
    m.CloseAllFiles();
    if (LastButton == 2) {
        NameItem();
    } else {
        m.focusNote();
    }
}

void edit::showdel(int x) {
    const bool panel = x != 0;
    for (QWidget* w : std::initializer_list<QWidget*>{Wordwrapcheck, sendtoclipboard, Help,
                                                      Minimise, ColorBtn, unload}) {
        w->setVisible(panel);
    }
    for (QLabel* d : Del) {
        d->setVisible(!panel);
    }
}

void edit::holdfocus_GotFocus() {
    m.focusNote();
}

void edit::txt_GotFocus(int /*Index*/) {
    showdel(1);
}

void edit::txt_MouseMove(int /*Index*/, int /*Button*/, float /*X*/, float /*Y*/) {
    if (DragArmed == 0 && Del[0]->isVisible()) {
        showdel(1);
    }
}

// The visible box follows the check mark, however it was changed (a click,
// Space): the box never shows one state and the note another.
void edit::Wordwrapcheck_MouseUp() {
    const int to = Wordwrapcheck->isChecked() ? 1 : 0;
    if (to == m.S.WordWrap) {
        return;
    }
    const int from = 1 - to;
    m.S.WordWrap = static_cast<qint16>(to);
    NoteText::set(Txt[to], NoteText::get(Txt[from]));
    // The caret stays where the user left it.
    QTextCursor caret = Txt[to]->textCursor();
    caret.setPosition(
        qMin(Txt[from]->textCursor().position(), Txt[to]->document()->characterCount() - 1));
    Txt[to]->setTextCursor(caret);
    Txt[to]->show();
    Txt[from]->hide();
    if (isVisible()) {
        m.focusNote();
    }
}

bool edit::isOwnWidget(QObject* o) const {
    const auto* w = qobject_cast<QWidget*>(o);
    return w && w->window() == this;
}

// The window sees every key first; it acts only on Enter and Esc while a
// name is being edited: Enter takes the name instead of breaking the line,
// Esc closes the box without taking it.
bool edit::keyPreview(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && EditMode >= 1) {
        // Esc gives up the rename: nothing is written, the old name stays.
        if (event->type() == QEvent::KeyPress) {
            dropNameEdit();
            m.focusNote();
        }
        return true;
    }
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        return false;
    }
    if (EditMode < 1) {
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        m.focusNote();
    }
    return true;
}

bool edit::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (isOwnWidget(watched)) {
            m_sessionEnding = false;
        }
        break;
    case QEvent::ShortcutOverride:
        if (editShortcut(watched, static_cast<QKeyEvent*>(event))) {
            return true;
        }
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (isOwnWidget(watched)) {
            m_sessionEnding = false;
        }
        if (isOwnWidget(watched) && (keyPreview(static_cast<QKeyEvent*>(event)) ||
                                     tabKey(watched, static_cast<QKeyEvent*>(event)))) {
            return true;
        }
        if (editShortcut(watched, static_cast<QKeyEvent*>(event))) {
            return true;
        }
        break;
    case QEvent::FocusIn:
        if (watched == holdfocus) {
            holdfocus_GotFocus();
        } else if (watched == Txt[0] || watched == Txt[1]) {
            txt_GotFocus(static_cast<NoteBox*>(watched)->index());
        } else if (watched == groupedit) {
            groupedit_GotFocus();
        } else if (watched == ItemEdit) {
            ItemEdit_GotFocus();
        }
        break;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window, a menu or the menu bar (a tap on Alt) taking the
        // keyboard does not end an edit.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
            reason == Qt::MenuBarFocusReason) {
            break;
        }
        if (watched == groupedit && EditMode == 1) {
            groupedit_LostFocus();
        } else if (watched == ItemEdit && EditMode == 2) {
            ItemEdit_LostFocus();
        }
        break;
    }
    case QEvent::MouseMove:
        if (std::find(Del.begin(), Del.end(), watched) != Del.end()) {
            Del_MouseMove();
        } else if (watched == Txt[0]->viewport() || watched == Txt[1]->viewport()) {
            const auto* me = static_cast<QMouseEvent*>(event);
            txt_MouseMove(watched == Txt[1]->viewport() ? 1 : 0, 0,
                          static_cast<float>(me->position().x()),
                          static_cast<float>(me->position().y()));
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

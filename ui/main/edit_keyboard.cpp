// The whole window without a mouse: Tab goes from stop to stop (the note,
// the item column, the group column, the slots, Local/Network and the
// buttons), the arrow keys along a column; Enter or Space chooses as a left
// click, F2 renames as a right click, and the menu key moves, copies or
// erases through the very handlers a mouse drag ends in.

#include "store/module1.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/notebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <vector>

namespace {

// One stop of the Tab order: the controls it holds, and the one Tab enters.
struct TabStop {
    std::vector<QWidget*> members;
    QWidget* entry = nullptr;
};

template <size_t N> std::vector<QWidget*> all(const std::array<ButtonLabel*, N>& labels) {
    return {labels.begin(), labels.end()};
}

// Hidden positions (the small layout's items 24..61 and group 24, the slots)
// are out of the keyboard's reach as they are out of the mouse's.
bool reachable(const QWidget* w, const QWidget* window) {
    return w->isVisibleTo(window) && w->isEnabled();
}

template <size_t N>
ButtonLabel* firstReachable(const std::array<ButtonLabel*, N>& labels, const QWidget* window) {
    for (ButtonLabel* l : labels) {
        if (reachable(l, window)) {
            return l;
        }
    }
    return nullptr;
}

} // namespace

void edit::connectKeyboard() {
    auto connectLabel = [this](ButtonLabel* l) {
        connect(l, &ButtonLabel::activated, this,
                [this, l](int /*k*/, int button) { buttonActivated(l, button); });
        connect(l, &ButtonLabel::menuRequested, this, [this, l] { buttonMenu(l); });
        connect(l, &ButtonLabel::stepRequested, this,
                [this, l](int /*k*/, int key) { stepFrom(l, key); });
        connect(l, &ButtonLabel::looksChanged, this, &edit::nameNote);
    };
    std::for_each(Group.begin(), Group.end(), connectLabel);
    std::for_each(Item.begin(), Item.end(), connectLabel);
    std::for_each(Trans.begin(), Trans.end(), connectLabel);
    for (NoteBox* box : Txt) {
        connect(box, &NoteBox::focusEntered, this, &edit::nameNote);
    }
    // The slot column is entered where the user last left it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (auto* l = qobject_cast<ButtonLabel*>(now);
            l && l->kind() == ButtonLabel::Kind::Trans && l->window() == this) {
            m_lastSlot = l;
        }
    });
}

bool edit::focusNextPrevChild(bool next) {
    ButtonLabel* chosenItem = Item.at(static_cast<size_t>(m.HighlightedItem));
    ButtonLabel* chosenGroup = Group.at(static_cast<size_t>(m.HighlightedGroup));
    ButtonLabel* slot = m_lastSlot ? m_lastSlot : Trans[0];
    const std::vector<TabStop> stops = {
        {{Txt[0], Txt[1], holdfocus}, m.noteBox()},
        {all(Item), reachable(chosenItem, this) ? chosenItem : firstReachable(Item, this)},
        {all(Group), reachable(chosenGroup, this) ? chosenGroup : firstReachable(Group, this)},
        {all(Trans), reachable(slot, this) ? slot : firstReachable(Trans, this)},
        {{NetOption[0], NetOption[1]}, NetOption[1]->isChecked() ? NetOption[1] : NetOption[0]},
        {{Wordwrapcheck}, Wordwrapcheck},
        {{sendtoclipboard}, sendtoclipboard},
        {{Minimise}, Minimise},
        {{ColorBtn}, ColorBtn},
        {{Help}, Help},
        {{unload}, unload},
    };
    const QWidget* from = QApplication::focusWidget();
    const auto at = std::find_if(stops.begin(), stops.end(), [from](const TabStop& s) {
        return std::find(s.members.begin(), s.members.end(), from) != s.members.end();
    });
    if (at == stops.end()) {
        // A name edit box, say: Qt's own order, and the name is taken.
        return QMainWindow::focusNextPrevChild(next);
    }
    const auto n = static_cast<ptrdiff_t>(stops.size());
    const ptrdiff_t here = at - stops.begin();
    for (ptrdiff_t step = 1; step <= n; ++step) {
        const TabStop& s = stops.at(static_cast<size_t>((here + (next ? step : n - step)) % n));
        if (s.entry && reachable(s.entry, this)) {
            s.entry->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

// Tab, Ctrl+Tab and their Shift forms go from stop to stop on every control
// of the window, forward and back; only in the note does Tab type a tab.
bool edit::tabKey(QObject* watched, QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((key != Qt::Key_Tab && key != Qt::Key_Backtab) ||
        (mods & ~(Qt::ControlModifier | Qt::ShiftModifier)) != Qt::NoModifier ||
        watched != QApplication::focusWidget()) {
        return false;
    }
    const bool back = key == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
    if (!back && !(mods & Qt::ControlModifier) && qobject_cast<NoteBox*>(watched)) {
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        focusNextPrevChild(!back);
    }
    return true;
}

// Up and Down go along the column's buttons in their order, Left and Right
// to the neighbour in the other half of a two-column array, Home and End to
// the first and the last.
void edit::stepFrom(ButtonLabel* label, int key) {
    std::vector<ButtonLabel*> column;
    int rows = 31;
    switch (label->kind()) {
    case ButtonLabel::Kind::Group:
        column.assign(Group.begin(), Group.end());
        break;
    case ButtonLabel::Kind::Item:
        column.assign(Item.begin(), Item.end());
        break;
    case ButtonLabel::Kind::Trans:
        column.assign(Trans.begin(), Trans.end());
        rows = 6;
        break;
    }
    const auto n = static_cast<int>(column.size());
    const int k = label->index();
    auto go = [&](int from, int step) {
        for (int j = from; j >= 0 && j < n; j += step) {
            if (reachable(column.at(static_cast<size_t>(j)), this)) {
                column.at(static_cast<size_t>(j))->setFocus(Qt::TabFocusReason);
                return;
            }
        }
    };
    switch (key) {
    case Qt::Key_Up:
        go(k - 1, -1);
        break;
    case Qt::Key_Down:
        go(k + 1, 1);
        break;
    case Qt::Key_Home:
        go(0, 1);
        break;
    case Qt::Key_End:
        go(n - 1, -1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int j = k + (key == Qt::Key_Left ? -rows : rows);
        if (j >= 0 && j < n && reachable(column.at(static_cast<size_t>(j)), this)) {
            column.at(static_cast<size_t>(j))->setFocus(Qt::TabFocusReason);
        }
        break;
    }
    default:
        break;
    }
}

// The mouse press every click and drag starts with: it saves a changed
// note. False when the press went no further (the note could not be saved).
bool edit::pressFromKeyboard(ButtonLabel* label, int button) {
    const int k = label->index();
    const auto x = static_cast<float>(label->width() * 15 / 2);
    const auto y = static_cast<float>(label->height() * 15 / 2);
    pressOnButton(label, k, button, x, y);
    return !consumeClickBlock();
}

// Enter or Space (button 1) and F2 (button 2): a press and a release on the
// button. A slot has no click: its release only ends the press.
void edit::buttonActivated(ButtonLabel* label, int button) {
    if (m_dragSource || !pressFromKeyboard(label, button)) {
        return;
    }
    switch (label->kind()) {
    case ButtonLabel::Kind::Group:
        Group_Click(label->index());
        break;
    case ButtonLabel::Kind::Item:
        Item_Click(label->index());
        break;
    case ButtonLabel::Kind::Trans:
        DragArmed = 0;
        break;
    }
}

void edit::buttonMenu(ButtonLabel* label) {
    if (m_dragSource || EditMode != 0) {
        return;
    }
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ButtonMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // An empty position cannot be dragged, nor moved from here; a slot is
    // never erased.
    const bool named = !label->text().isEmpty();
    QAction* moveTo = menu->addAction(QStringLiteral("Move To..."));
    QAction* copyTo = menu->addAction(QStringLiteral("Copy To..."));
    QAction* erase = menu->addAction(QStringLiteral("Erase"));
    moveTo->setEnabled(named);
    copyTo->setEnabled(named);
    erase->setEnabled(named && label->kind() != ButtonLabel::Kind::Trans);
    // Each runs once the menu is gone, from the event loop.
    connect(
        moveTo, &QAction::triggered, this, [this, label] { moveFromKeyboard(label, 1); },
        Qt::QueuedConnection);
    connect(
        copyTo, &QAction::triggered, this, [this, label] { moveFromKeyboard(label, 2); },
        Qt::QueuedConnection);
    connect(
        erase, &QAction::triggered, this, [this, label] { eraseFromKeyboard(label); },
        Qt::QueuedConnection);
    menu->popup(label->mapToGlobal(QPoint(0, label->height())));
}

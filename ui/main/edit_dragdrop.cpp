// Moving and copying notes and whole groups with the mouse: the left button
// moves, the right one copies, between groups, item positions, transfer
// slots and the erase target. The drag is the window's own: the pressed
// button keeps the mouse, an outline follows the pointer, and the control
// under the pointer at the release takes the drop.

#include "core/nameindex.h"
#include "core/notefile.h"
#include "store/module1.h"
#include "store/notetext.h"
#include "store/storetransaction.h"
#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/dragoutline.h"
#include "ui/main/edit.h"
#include "ui/main/notebox.h"
#include "ui/twips.h"

#include "core/filelayer.h"

#include <QGuiApplication>
#include <QLabel>
#include <QStyleHints>
#include <QTextCursor>

#include <algorithm>
#include <cmath>

namespace {

const QString kGroup = QStringLiteral("group");
const QString kItem = QStringLiteral("item");
const QString kTrans = QStringLiteral("trans");

} // namespace

void edit::connectButton(ButtonLabel* label) {
    connect(label, &ButtonLabel::mouseDown, this, [this, label](int k, int b, float x, float y) {
        const int waits = m.WaitsShown;
        pressOnButton(label, k, b, x, y);
        if (m.WaitsShown != waits) {
            afterPressWait(label);
        }
    });
    connect(label, &ButtonLabel::mouseMove, this,
            [this, label](int /*k*/, int b, float x, float y, QPoint global) {
                if (!m_dragSource) {
                    buttonMouseMove(label, b, x, y);
                } else if (b == 0) {
                    // The release went elsewhere (a dialog opened meanwhile).
                    cancelDrag();
                } else {
                    dragMoved(global);
                }
            });
    connect(label, &ButtonLabel::mouseUp, this,
            [this, label](int /*k*/, bool inside, QPoint global) {
                buttonMouseUp(label, inside, global);
            });
}

void edit::pressOnButton(ButtonLabel* label, int k, int b, float x, float y) {
    switch (label->kind()) {
    case ButtonLabel::Kind::Group:
        group_MouseDown(k, b, x, y);
        break;
    case ButtonLabel::Kind::Item:
        Item_MouseDown(k, b, x, y);
        break;
    case ButtonLabel::Kind::Trans:
        Trans_MouseDown(k, b, x, y);
        break;
    }
}

// The press waited for the lock, and the Waiting dialog had the mouse. A
// release that went to the dialog leaves nothing armed; a button still
// held is followed again by the button it was pressed on.
void edit::afterPressWait(ButtonLabel* label) {
    if (QGuiApplication::mouseButtons() == Qt::NoButton || m.operationLostStore()) {
        DragArmed = 0;
        return;
    }
    label->grabMouse();
}

// A drag whose opening of a group waited for the lock: it goes on to its
// drop, the mouse taken back, or ends where the user sees it, when the
// button was let go meanwhile or the wait gave up the store it began in.
void edit::afterDragWait() {
    if (!m_dragSource) {
        return;
    }
    if (QGuiApplication::mouseButtons() == Qt::NoButton || m.operationLostStore()) {
        cancelDrag();
        DragArmed = 0;
        showdel(1);
        return;
    }
    m_dragSource->grabMouse();
}

void edit::group_MouseMove(int Index, int Button, float X, float Y) {
    buttonMouseMove(Group[Index], Button, X, Y);
}
void edit::Item_MouseMove(int Index, int Button, float X, float Y) {
    buttonMouseMove(Item[Index], Button, X, Y);
}
void edit::Trans_MouseMove(int Index, int Button, float X, float Y) {
    buttonMouseMove(Trans[Index], Button, X, Y);
}

void edit::Del_MouseMove() {
    if (DragArmed == 0) {
        showdel(1);
    }
}

// A drag starts once an armed press has moved further than the desktop's
// drag distance (and never within 20 twips), on a named button, with the
// left or the right button held: a click that wobbles a little is a click.
void edit::buttonMouseMove(ButtonLabel* label, int Button, float X, float Y) {
    if (DragArmed == 0) {
        showdel(1);
    }
    if (label->text().isEmpty()) {
        DragArmed = 0;
        return;
    }
    const float limit =
        std::max(20.0F, static_cast<float>(QGuiApplication::styleHints()->startDragDistance() *
                                           Twips::PerPixel));
    const bool far = std::fabs(DownX - X) > limit || std::fabs(DownY - Y) > limit;
    if (far && DragArmed == 1 && (Button == 1 || Button == 2)) {
        startDrag(label);
    }
}

void edit::buttonMouseUp(ButtonLabel* label, bool inside, QPoint global) {
    if (QWidget::mouseGrabber() == label) {
        label->releaseMouse();
    }
    if (m_dragSource) {
        endDrag(global);
        return;
    }
    if (consumeClickBlock()) {
        return;
    }
    // A release without a drag ends the armed press, on a slot too, so no
    // drag can start later with no button held.
    if (!inside || label->kind() == ButtonLabel::Kind::Trans) {
        DragArmed = 0;
        return;
    }
    if (label->kind() == ButtonLabel::Kind::Group) {
        Group_Click(label->index());
    } else {
        Item_Click(label->index());
    }
}

void edit::startDrag(ButtonLabel* source) {
    switch (source->kind()) {
    case ButtonLabel::Kind::Group:
        DragKind = kGroup;
        break;
    case ButtonLabel::Kind::Item:
        DragKind = kItem;
        DragSourceGroup = m.S.CurrentGroup;
        DragCaption = source->text();
        break;
    case ButtonLabel::Kind::Trans:
        DragKind = kTrans;
        DragCaption = source->text();
        break;
    }
    m_dragSource = source;
    m_waitsAtDragStart = m.WaitsShown;
    // What goes wrong while the drag opens groups is told once, after the drop.
    m.holdMessages = true;
    m_dragGrab = QPoint(qRound(DownX / 15.0F), qRound(DownY / 15.0F));
    m_outline->showAt(QRect(source->mapTo(m_client, QPoint(0, 0)), source->size()));
    if (DragKind != kTrans) {
        showdel(0);
    }
    DragArmed = 0;
}

void edit::dragMoved(QPoint global) {
    m_outline->showAt(QRect(m_client->mapFromGlobal(global) - m_dragGrab, m_dragSource->size()));
    auto* target = qobject_cast<ButtonLabel*>(dropTargetAt(global));
    if (target && target->kind() == ButtonLabel::Kind::Group) {
        const int waits = m.WaitsShown;
        group_DragOver(target->index(), m_dragSource);
        if (m.WaitsShown != waits) {
            afterDragWait();
        }
    }
}

void edit::cancelDrag() {
    if (m_dragSource && QWidget::mouseGrabber() == m_dragSource) {
        m_dragSource->releaseMouse();
    }
    m_dragSource = nullptr;
    m_outline->hide();
    m.holdMessages = false;
}

void edit::endDrag(QPoint global) {
    ButtonLabel* source = m_dragSource;
    cancelDrag();
    QWidget* target = dropTargetAt(global);
    if (auto* label = qobject_cast<ButtonLabel*>(target)) {
        switch (label->kind()) {
        case ButtonLabel::Kind::Group:
            group_DragDrop(label->index(), source);
            break;
        case ButtonLabel::Kind::Item:
            Item_DragDrop(label->index(), source);
            break;
        case ButtonLabel::Kind::Trans:
            Trans_DragDrop(label->index(), source);
            break;
        }
    } else if (auto* box = qobject_cast<NoteBox*>(target)) {
        txt_DragDrop(box->index(), source);
    } else if (target) {
        Del_DragDrop(source);
    }
    if (m.WaitsShown != m_waitsAtDragStart) {
        // The focus came back to the note from the dialog unseen: the
        // command buttons come back here.
        showdel(1);
    }
    // Whatever the drag met is told now, also when nothing took the drop.
    m.showMessages();
}

// The button, erase label or note box under the pointer, or none.
QWidget* edit::dropTargetAt(QPoint global) const {
    for (QWidget* w = m_client->childAt(m_client->mapFromGlobal(global)); w && w != m_client;
         w = w->parentWidget()) {
        if (qobject_cast<ButtonLabel*>(w) || qobject_cast<NoteBox*>(w)) {
            return w;
        }
        if (std::find(Del.begin(), Del.end(), w) != Del.end()) {
            return w;
        }
    }
    return nullptr;
}

// Dragging an item or a slot over a group button opens that group.
void edit::group_DragOver(int Index, ButtonLabel* /*Source*/) {
    if (DragKind == kGroup || m.AccessCheckAbandons(false)) {
        return;
    }
    if (Index != m.HighlightedGroup) {
        openGroup(Index);
        m.LoadNote();
    }
    m.CloseAllFiles();
}

bool edit::dropMayGoOn(ButtonLabel* Source) {
    if (m.AccessCheckAbandons(false)) {
        return false;
    }
    if (!sourceStillNamed(Source)) {
        m.CloseAllFiles();
        m.focusNote();
        return false;
    }
    setCursor(Qt::WaitCursor);
    return true;
}

// Under the lock: the source still holds the name that was dragged.
// Another copy may have moved it away and put its own note in its place.
// For the group on display the access check has just loaded its names into
// the buttons (and gone on when a wait met no other change); an item of
// another group, or a slot, is read from its index.
bool edit::sourceStillNamed(ButtonLabel* Source) {
    const bool otherGroup = DragKind == kItem && DragSourceGroup != m.S.CurrentGroup;
    if (m.S.NetworkMode != 1 || DragKind == kGroup) {
        return true;
    }
    const auto moved = [this] {
        m.reportMessage(
            QStringLiteral("\"%1\" was changed by another copy of Quillo Pad while you were "
                           "dragging it: it is no longer where you took it from. Nothing has "
                           "been moved, copied or erased.")
                .arg(DragCaption));
        return false;
    };
    if (!otherGroup && DragKind != kTrans) {
        return Source->text() == DragCaption || moved();
    }
    const int j = Source->index();
    const QString path = otherGroup ? m.itemIndexPath(DragSourceGroup) : m.transferIndexPath();
    const ReadResult r = FileLayer::readAll(path);
    if (!m.report(r.result)) {
        return false;
    }
    return NameIndex::decode(r.data, otherGroup ? 62 : 12).at(j) == DragCaption || moved();
}

// The target is chosen as by a left click, under the lock the drop holds.
void edit::selectAfterDrop(bool group, int Index) {
    LastButton = 1;
    m.LockAlreadyHeld = 1;
    if (group) {
        Group_Click(Index);
    } else {
        Item_Click(Index);
    }
    m.LockAlreadyHeld = 0;
}

// A step failed: everything is put back, the lock given back, and then the
// user is told which file could not be used and why.
void edit::abandonDrop(StoreTransaction& t) {
    t.rollBack();
    paintSelection();
    m.WriteSettings();
    unsetCursor();
    m.CloseAllFiles();
    m.focusNote();
}

void edit::group_DragDrop(int Index, ButtonLabel* Source) {
    const int j = Source->index();
    const int k = Index;
    if (DragKind != kGroup || !Group[k]->text().isEmpty() || j == k || !dropMayGoOn(Source)) {
        return;
    }
    const bool copy = LastButton == 2;
    StoreTransaction t(m);
    Group[k]->setText(Group[j]->text());
    m.S.CurrentItem.at(size_t(k)) = m.S.CurrentItem.at(size_t(j));
    if (!copy) {
        Group[j]->setText(QString());
        m.S.CurrentItem.at(size_t(j)) = 0;
    }
    for (int i = 0; i < 62; ++i) {
        t.carry(m.notePath(j, i), m.notePath(k, i), copy);
    }
    t.carry(m.itemIndexPath(j), m.itemIndexPath(k), copy);
    t.saveGroups();
    if (!t.ok()) {
        abandonDrop(t);
        return;
    }
    if (k == m.HighlightedGroup) {
        // The group on display was empty: show what it holds now.
        m.HighlightedGroup = m.S.CurrentGroup == 1 ? 2 : 1;
    }
    selectAfterDrop(true, k);
    m.CloseAllFiles();
}

void edit::Item_DragDrop(int Index, ButtonLabel* Source) {
    const int j = Source->index();
    const int k = Index;
    const int g = m.S.CurrentGroup;
    const int s = DragSourceGroup;
    const bool fromItem = DragKind == kItem && !(j == k && s == g);
    if ((!fromItem && DragKind != kTrans) || !Item[k]->text().isEmpty() || !dropMayGoOn(Source)) {
        return;
    }
    const bool copy = LastButton == 2;
    StoreTransaction t(m);
    Item[k]->setText(DragCaption);
    m.S.CurrentItem.at(size_t(g)) = static_cast<qint16>(k);
    if (fromItem) {
        if (!copy) {
            moveNameAway(t, s, j);
        }
        t.carry(m.notePath(s, j), m.notePath(g, k), copy);
    } else {
        t.carry(m.transferNotePath(j), m.notePath(g, k), true);
        if (!copy) {
            Trans[j]->setText(QString());
        }
    }
    t.saveItems();
    if (NameIndex::trimmed(Group[g]->text()).isEmpty()) {
        Group[g]->setText(QStringLiteral("Untitled"));
        t.saveGroups();
    }
    if (!fromItem && !copy && m.AppFolder == m.StoreFolder) {
        t.saveTransfers();
        t.remove(m.transferNotePath(j));
    } else if (!fromItem && !copy) {
        // The slot, private to this copy, lets its note go only once the
        // shared store holds it: at worst both keep it.
        m.opAfterCommit([this, j] {
            m.SaveTransferIndex();
            return !m.opFailed() && m.opRemove(m.transferNotePath(j));
        });
    }
    if (!t.ok()) {
        abandonDrop(t);
        return;
    }
    selectAfterDrop(false, k);
    m.CloseAllFiles();
}

// A moved item's name leaves its place; the group on display shows it at
// once (its note stays the chosen one there), another group's index loses it.
void edit::moveNameAway(StoreTransaction& t, int group, int j) {
    if (group == m.S.CurrentGroup) {
        Item[j]->setText(QString());
    } else {
        t.blankItemField(group, j);
        m.S.CurrentItem.at(size_t(group)) = 0;
    }
}

void edit::Trans_DragDrop(int Index, ButtonLabel* Source) {
    const int j = Source->index();
    const int k = Index;
    const int s = DragSourceGroup;
    if (DragKind != kItem || !Trans[k]->text().isEmpty() || !dropMayGoOn(Source)) {
        return;
    }
    const bool copy = LastButton == 2;
    StoreTransaction t(m);
    Trans[k]->setText(DragCaption);
    t.carry(m.notePath(s, j), m.transferNotePath(k), true);
    if (!copy) {
        moveNameAway(t, s, j);
    }
    t.saveTransfers();
    t.saveItems();
    if (!copy) {
        // The item's note goes only once it is safe in the slot.
        t.remove(m.notePath(s, j));
    }
    if (!t.ok()) {
        abandonDrop(t);
        return;
    }
    // The item chosen before the drop stays chosen (empty now, if it was
    // the one moved away).
    selectAfterDrop(false, m.S.currentItem());
    m.CloseAllFiles();
}

void edit::Del_DragDrop(ButtonLabel* Source) {
    if (!dropMayGoOn(Source)) {
        return;
    }
    // Kept first, for Undo Erase; what cannot be kept is not erased.
    const std::optional<Trash::Entry> kept =
        DragKind == kTrans ? std::nullopt : keepForUndo(DragKind == kGroup, Source->index());
    if (kept) {
        sealOnceErased(*kept);
        if (!(DragKind == kGroup ? eraseGroup(Source->index()) : eraseItem(Source->index()))) {
            m.trash.drop(*kept);
        }
    }
    m.CloseAllFiles();
    unsetCursor();
}

bool edit::eraseGroup(int j) {
    StoreTransaction t(m);
    m.historyWhat = History::What::Erased;
    Group[j]->setText(QString());
    m.S.CurrentItem.at(size_t(j)) = 0;
    t.remove(m.itemIndexPath(j));
    for (int i = 0; i < 62; ++i) {
        Item[i]->setText(QString());
        t.remove(m.notePath(j, i));
    }
    t.saveGroups();
    if (!t.ok()) {
        abandonDrop(t);
        return false;
    }
    m.WriteSettings();
    NoteText::set(Txt[0], QString());
    NoteText::set(Txt[1], QString());
    // The group on display is read again in full; it may be the one erased.
    m.HighlightedGroup = m.S.CurrentGroup == 1 ? 2 : 1;
    selectAfterDrop(true, m.S.CurrentGroup);
    return true;
}

bool edit::eraseItem(int j) {
    const int s = DragSourceGroup;
    const int g = m.S.CurrentGroup;
    StoreTransaction t(m);
    m.historyWhat = History::What::Erased;
    t.remove(m.notePath(s, j));
    if (s != g) {
        t.blankItemField(s, j);
    } else {
        Item[j]->setText(QString());
        t.saveItems();
    }
    if (!t.ok()) {
        abandonDrop(t);
        return false;
    }
    if (s == g && j == m.S.currentItem()) {
        // The note shown is gone: the empty box is no unsaved change.
        NoteText::set(Txt[0], QString());
        NoteText::set(Txt[1], QString());
        m.SavedText.clear();
    }
    return true;
}

// An item (or a slot) dropped on the note text inserts its stored text at
// the caret. A slot inserts its own note.
void edit::txt_DragDrop(int Index, ButtonLabel* Source) {
    if (DragKind == kGroup || m.AccessCheckAbandons(false)) {
        return;
    }
    const int j = Source->index();
    const QString path = DragKind == kItem ? m.notePath(DragSourceGroup, j) : m.transferNotePath(j);
    const ReadResult r = FileLayer::readAll(path);
    if (m.report(r.result) && r.data.size() >= 2) {
        QTextCursor caret = Txt[Index]->textCursor();
        caret.insertText(NoteFile::decode(r.data).text);
        Txt[Index]->setTextCursor(caret);
    }
    m.CloseAllFiles();
}

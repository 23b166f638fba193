// Naming and renaming groups and items in place, with an edit box laid over
// the button.

#include "core/filelayer.h"
#include "store/module1.h"
#include "core/nameindex.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/nameedit.h"

namespace {

void openOver(NameEdit* box, const QLabel* button) {
    const QRect g = button->geometry();
    box->setGeometry(g.left(), g.top(), g.width(), g.height());
    box->show();
    box->raise();
    box->setText(button->text().isEmpty() ? QStringLiteral("Untitled") : button->text());
    box->setSelection(0, static_cast<int>(box->text().size()));
    box->setFocus(Qt::OtherFocusReason);
}

} // namespace

void edit::Namegroup() {
    openOver(groupedit, Group[m.HighlightedGroup]);
}

void edit::NameItem() {
    openOver(ItemEdit, Item[m.HighlightedItem]);
}

void edit::dropNameEdit() {
    // EditMode first, so that losing the focus takes no name.
    EditMode = 0;
    groupedit->hide();
    ItemEdit->hide();
}

void edit::groupedit_GotFocus() {
    EditMode = 1;
}

void edit::ItemEdit_GotFocus() {
    EditMode = 2;
}

void edit::groupedit_LostFocus() {
    takeName(groupedit, Group[m.HighlightedGroup], true);
}

void edit::ItemEdit_LostFocus() {
    takeName(ItemEdit, Item[m.HighlightedItem], false);
}

void edit::takeName(NameEdit* box, QLabel* label, bool isGroup) {
    // Never inside another operation on the store: it holds the lock, and a
    // second check would wait for it forever. The box stays open, and
    // leaving it again takes the name.
    if (m.lockHeld() || m.AccessCheckAbandons(false)) {
        // Not taken: the box stays open with the typed text; leaving it
        // again tries again.
        return;
    }
    EditMode = 0;
    // Trailing blanks never reach the store, so the caption drops them too
    // and matches what other copies read back.
    label->setText(NameIndex::trimmed(box->text()));
    if (label->text().isEmpty()) {
        if (isGroup) {
            // A group that still holds items keeps a name.
            for (const ButtonLabel* item : Item) {
                if (!item->text().isEmpty()) {
                    label->setText(QStringLiteral("Untitled"));
                    break;
                }
            }
        } else {
            // An item with a note keeps a name; without one its position is
            // free, and an empty note file goes.
            bool hasNote = false;
            m.opRemove(m.currentNotePath(), &hasNote);
            if (hasNote) {
                label->setText(QStringLiteral("Untitled"));
            }
        }
    }
    box->hide();
    if (isGroup) {
        m.savegroups();
    } else {
        m.SaveItemIndex();
    }
    m.CloseAllFiles();
    m.focusNote();
}

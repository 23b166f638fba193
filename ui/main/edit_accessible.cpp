// What screen readers read in the main window. The group, item and slot
// buttons name themselves (AccessibleButton); the note boxes are named
// after the chosen note, and the controls without a caption of their own
// are named here.

#include "store/module1.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/dragoutline.h"
#include "ui/main/edit.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"

#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>

void edit::nameControls() {
    holdfocus->setAccessibleName(QStringLiteral("Note"));
    Frame1->setAccessibleName(QStringLiteral("Local or network notes"));
    ItemEdit->setAccessibleName(QStringLiteral("Item name"));
    groupedit->setAccessibleName(QStringLiteral("Group name"));
    m_outline->setAccessibleName(QStringLiteral("Dragged button"));
    menuBar()->setAccessibleName(QStringLiteral("Menu bar"));
    m_client->setAccessibleName(QStringLiteral("Quillo Pad"));
    for (QMenu* menu : {file, Fedit, Fsearch, Fhelp}) {
        menu->setAccessibleName(menu->title().remove(QLatin1Char('&')));
    }
    for (NoteBox* box : Txt) {
        box->horizontalScrollBar()->setAccessibleName(QStringLiteral("Note, sideways"));
        box->verticalScrollBar()->setAccessibleName(QStringLiteral("Note, up and down"));
    }
    nameNote();
}

// "Note of Recipes: Pancakes"; a group or an item without a name is told
// by its position: "Note of Group 1, item 3".
void edit::nameNote() {
    const int g = m.S.CurrentGroup;
    const int i = m.S.currentItem();
    if (g < 0 || g >= 31 || i < 0 || i >= 62) {
        return;
    }
    const QString group =
        ButtonLabel::oneLine(Group.at(static_cast<size_t>(g))->text(), QStringLiteral(" "));
    const QString item =
        ButtonLabel::oneLine(Item.at(static_cast<size_t>(i))->text(), QStringLiteral(" "));
    QString name = QStringLiteral("Note of ") +
                   (group.isEmpty() ? QStringLiteral("Group %1").arg(g + 1) : group);
    name += item.isEmpty() ? QStringLiteral(", item %1").arg(i + 1) : QStringLiteral(": ") + item;
    for (NoteBox* box : Txt) {
        if (box->accessibleName() != name) {
            box->setAccessibleName(name);
        }
    }
}

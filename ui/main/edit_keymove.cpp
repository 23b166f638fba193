// "Move To...", "Copy To..." and "Erase" from a button's menu. Each runs
// the drop a mouse drag would end in: the same press first (it saves a
// changed note), the drag state set as a drag sets it, the target group
// opened as a drag over its button opens it, then the same drop handler,
// so the files, the lock and the selection afterwards are the same.

#include "store/uiservices.h"
#include "core/filelayer.h"
#include "store/module1.h"
#include "core/nameindex.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/targetform.h"

#include <QGroupBox>

#include <vector>

namespace {

// The free places a button can go to, by area; for each area the group it
// lies in, or one of these.
constexpr int kSlots = -1;
constexpr int kGroups = -2;

struct Targets {
    QList<TargetForm::Area> areas;
    std::vector<int> group;
    int first = 0;
};

QString quoted(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString groupArea(const edit& w, int g) {
    const QString name = w.Group.at(static_cast<size_t>(g))->text();
    return QStringLiteral("Group %1, %2").arg(g + 1).arg(name.isEmpty() ? "no name" : name);
}

// The free group positions other than the source's own.
void addGroupPositions(const edit& w, int source, Targets& t) {
    TargetForm::Area area{QStringLiteral("Groups"), {}};
    for (int g = 0; g < 31; ++g) {
        const ButtonLabel* b = w.Group.at(static_cast<size_t>(g));
        if (g != source && b->text().isEmpty() && b->isVisibleTo(&w)) {
            area.places.append({g, QStringLiteral("Group %1").arg(g + 1)});
        }
    }
    if (!area.places.isEmpty()) {
        t.areas.append(area);
        t.group.push_back(kGroups);
    }
}

// The free items of every group the keyboard can reach. The group on
// display is read from its buttons, the others from their index files.
void addItemPositions(const edit& w, Module1& m, Targets& t) {
    for (int g = 0; g < 31; ++g) {
        if (!w.Group.at(static_cast<size_t>(g))->isVisibleTo(&w)) {
            continue;
        }
        QStringList names;
        if (g == m.S.CurrentGroup) {
            for (const ButtonLabel* b : w.Item) {
                names.append(b->text());
            }
        } else {
            const ReadResult r = FileLayer::readAll(m.itemIndexPath(g));
            if (!m.report(r.result)) {
                continue;
            }
            names = NameIndex::decode(r.data, 62);
        }
        TargetForm::Area area{groupArea(w, g), {}};
        for (int i = 0; i < 62; ++i) {
            if (names.at(i).isEmpty() && w.Item.at(static_cast<size_t>(i))->isVisibleTo(&w)) {
                area.places.append({i, QStringLiteral("Item %1").arg(i + 1)});
            }
        }
        if (!area.places.isEmpty()) {
            if (g == m.S.CurrentGroup) {
                t.first = static_cast<int>(t.areas.size());
            }
            t.areas.append(area);
            t.group.push_back(g);
        }
    }
}

void addSlots(const edit& w, Targets& t) {
    TargetForm::Area area{QStringLiteral("Transfer slots"), {}};
    for (const ButtonLabel* b : w.Trans) {
        if (b->text().isEmpty() && b->isVisibleTo(&w)) {
            area.places.append(
                {b->index(), QStringLiteral("Transfer slot %1").arg(b->index() + 1)});
        }
    }
    if (!area.places.isEmpty()) {
        t.areas.append(area);
        t.group.push_back(kSlots);
    }
}

} // namespace

// The drag state a drag of `source` begins with; no outline and no erase
// target, as nothing is dragged on screen.
void edit::beginKeyboardDrag(ButtonLabel* source, int button) {
    switch (source->kind()) {
    case ButtonLabel::Kind::Group:
        DragKind = QStringLiteral("group");
        break;
    case ButtonLabel::Kind::Item:
        DragKind = QStringLiteral("item");
        DragSourceGroup = m.S.CurrentGroup;
        DragCaption = source->text();
        break;
    case ButtonLabel::Kind::Trans:
        DragKind = QStringLiteral("trans");
        DragCaption = source->text();
        break;
    }
    LastButton = static_cast<qint16>(button);
    DragArmed = 0;
}

void edit::moveFromKeyboard(ButtonLabel* label, int button) {
    if (m_dragSource || EditMode != 0 || !pressFromKeyboard(label, button)) {
        return;
    }
    // The press is let go without a drag.
    DragArmed = 0;
    const QString what = label->text();
    if (what.isEmpty()) {
        return;
    }
    Targets t;
    if (label->kind() == ButtonLabel::Kind::Group) {
        addGroupPositions(*this, label->index(), t);
    } else {
        // Other groups' names come from the store: read under the lock.
        if (m.AccessCheckAbandons(false)) {
            return;
        }
        addItemPositions(*this, m, t);
        m.CloseAllFiles();
        if (label->kind() == ButtonLabel::Kind::Item) {
            addSlots(*this, t);
        }
    }
    const bool copy = button == 2;
    if (t.areas.isEmpty()) {
        m.services.showError(this, QStringLiteral("There is no free place to %1 %2 to.")
                                       .arg(copy ? "copy" : "move", quoted(what)));
        label->setFocus(Qt::OtherFocusReason);
        return;
    }
    TargetForm form(copy ? QStringLiteral("Copy To") : QStringLiteral("Move To"),
                    QStringLiteral("%1 %2 to:").arg(copy ? "Copy" : "Move", quoted(what)), t.areas,
                    t.first, this);
    if (m.services.execModal(form) != QDialog::Accepted || form.chosenPlace() < 0) {
        label->setFocus(Qt::OtherFocusReason);
        return;
    }
    dropFromKeyboard(label, button, t.group.at(static_cast<size_t>(form.chosenArea())),
                     form.chosenPlace());
}

void edit::dropFromKeyboard(ButtonLabel* label, int button, int group, int k) {
    beginKeyboardDrag(label, button);
    if (group == kGroups) {
        group_DragDrop(k, label);
        return;
    }
    if (group == kSlots) {
        Trans_DragDrop(k, label);
        return;
    }
    if (group != m.S.CurrentGroup) {
        // As on a drag's way: what opening the group meets is told after the drop.
        m.holdMessages = true;
        group_DragOver(group, label);
        m.holdMessages = false;
        if (group != m.S.CurrentGroup) {
            // The access check gave up.
            m.showMessages();
            return;
        }
    }
    if (!Item.at(static_cast<size_t>(k))->text().isEmpty()) {
        // Another copy took the place since the list was made.
        m.services.showError(this, QStringLiteral("Item %1 of %2 is no longer free. Nothing has "
                                                  "been moved or copied.")
                                       .arg(k + 1)
                                       .arg(groupArea(*this, group)));
        m.focusNote();
        m.showMessages();
        return;
    }
    Item_DragDrop(k, label);
    m.showMessages();
}

// A drag onto the erase target is seen on its way there and can be let go
// elsewhere; from the keyboard the erase is asked for first.
void edit::eraseFromKeyboard(ButtonLabel* label) {
    if (m_dragSource || EditMode != 0 || label->kind() == ButtonLabel::Kind::Trans ||
        label->text().isEmpty()) {
        return;
    }
    const bool group = label->kind() == ButtonLabel::Kind::Group;
    const QString question =
        group ? QStringLiteral("Erase the group %1 with all its items and their notes?")
                    .arg(quoted(label->text()))
              : QStringLiteral("Erase the item %1 and its note?").arg(quoted(label->text()));
    if (m.services.ask(this, question, {QStringLiteral("Erase"), QStringLiteral("Cancel")}) != 0) {
        label->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!pressFromKeyboard(label, 1)) {
        return;
    }
    DragArmed = 0;
    if (label->text().isEmpty()) {
        return;
    }
    beginKeyboardDrag(label, 1);
    Del_DragDrop(label);
}

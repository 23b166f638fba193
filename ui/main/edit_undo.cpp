// Undo Erase: what the erase target takes is first kept in the program
// folder's trash, and the last erase can be put back where it was while
// its place is still free.

#include "store/uiservices.h"
#include "core/filelayer.h"
#include "store/module1.h"
#include "core/nameindex.h"
#include "store/storetransaction.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace {

QString noteName(int group, int item) {
    return QStringLiteral("note.%1.%2").arg(group).arg(item);
}

QString what(const Trash::Entry& e) {
    return e.kind == Trash::Kind::Group
               ? QStringLiteral("the group \"%1\" (group %2)").arg(e.groupName).arg(e.group + 1)
               : QStringLiteral("the note \"%1\" (item %2 of group %3)")
                     .arg(e.itemName)
                     .arg(e.item + 1)
                     .arg(e.group + 1);
}

} // namespace

std::optional<Trash::Entry> edit::keepForUndo(bool group, int j) {
    Trash::Entry e;
    e.storeFolder = m.StoreFolder;
    Trash::Files files;
    if (group) {
        e.kind = Trash::Kind::Group;
        e.group = j;
        files.append({QStringLiteral("index"), m.itemIndexPath(j)});
        for (int i = 0; i < 62; ++i) {
            files.append({noteName(j, i), m.notePath(j, i)});
        }
    } else {
        e.group = DragSourceGroup;
        e.item = j;
        e.itemName =
            e.group == m.S.CurrentGroup
                ? Item[j]->text()
                : NameIndex::decode(FileLayer::readAll(m.itemIndexPath(e.group)).data, 62).at(j);
        files.append({noteName(e.group, j), m.notePath(e.group, j)});
    }
    e.groupName = Group[e.group]->text();
    const FileResult kept = m.trash.keep(e, files);
    if (!kept) {
        m.reportMessage(kept.message() +
                        QStringLiteral("\nNothing has been erased: what the erase would take "
                                       "could not be kept for Undo Erase."));
        return std::nullopt;
    }
    return e;
}

// The entry counts only once the erase stands: an erase put back leaves
// nothing to undo.
void edit::sealOnceErased(const Trash::Entry& e) {
    m.opAfterCommit([this, e] {
        const FileResult sealed = m.trash.seal(e);
        if (!sealed) {
            m.reportMessage(sealed.message() +
                            QStringLiteral("\nThe erase has been done, but it cannot be undone."));
        }
        return true;
    });
}

// Free when no name and no note is there now: read from the files, which
// another copy may have changed since the names on screen were read.
// Nothing when they cannot be read (the user is told why).
std::optional<bool> edit::placeIsFree(const Trash::Entry& e) {
    const ReadResult groups = FileLayer::readAll(m.groupIndexPath());
    const ReadResult items = FileLayer::readAll(m.itemIndexPath(e.group));
    if (!m.report(groups.result) || !m.report(items.result)) {
        return std::nullopt;
    }
    const QStringList itemNames = NameIndex::decode(items.data, 62);
    if (e.kind == Trash::Kind::Item) {
        return itemNames.at(e.item).isEmpty() && !QFileInfo::exists(m.notePath(e.group, e.item));
    }
    if (!NameIndex::decode(groups.data, 31).at(e.group).isEmpty()) {
        return false;
    }
    for (int i = 0; i < 62; ++i) {
        if (!itemNames.at(i).isEmpty() || QFileInfo::exists(m.notePath(e.group, i))) {
            return false;
        }
    }
    return true;
}

// Every kept file back in its place, byte for byte, as one operation.
bool edit::putBack(const Trash::Entry& e, StoreTransaction& t) {
    const auto back = [&](const QString& name, const QString& to) {
        if (!QFileInfo::exists(e.file(name))) {
            return true;
        }
        const ReadResult kept = FileLayer::readAll(e.file(name));
        return m.report(kept.result) && t.write(to, kept.data);
    };
    bool ok = true;
    if (e.kind == Trash::Kind::Group) {
        ok = back(QStringLiteral("index"), m.itemIndexPath(e.group));
        for (int i = 0; ok && i < 62; ++i) {
            ok = back(noteName(e.group, i), m.notePath(e.group, i));
        }
    } else {
        ok =
            back(noteName(e.group, e.item), m.notePath(e.group, e.item)) &&
            (e.group == m.S.CurrentGroup ? (Item[e.item]->setText(e.itemName), t.saveItems())
                                         : t.ok() && m.WriteItemField(e.group, e.item, e.itemName));
    }
    if (ok && Group[e.group]->text().isEmpty()) {
        Group[e.group]->setText(e.groupName.isEmpty() ? QStringLiteral("Untitled") : e.groupName);
        ok = t.saveGroups();
    }
    return ok && t.ok();
}

void edit::FundoErase_Click() {
    const std::optional<Trash::Entry> e = m.trash.last();
    if (!e || m_dragSource) {
        return;
    }
    if (e->storeFolder != m.StoreFolder) {
        m.services.showError(
            this, QStringLiteral("The last erase took %1 from the notes kept in %2, not from "
                                 "those now on screen. Switch to them with Local or Network, "
                                 "then choose Undo Erase again.")
                      .arg(what(*e), QDir::toNativeSeparators(e->storeFolder)));
        return;
    }
    if (!readyToMoveAway()) {
        return;
    }
    // A note saved on the way stands on its own, whatever comes of the undo.
    m.FinishOperation();
    const std::optional<bool> free = placeIsFree(*e);
    if (free == false) {
        m.reportMessage(QStringLiteral("Undo Erase cannot bring back %1: its place has been "
                                       "used since. Nothing has been changed. Move away what is "
                                       "there now, then choose Undo Erase again.")
                            .arg(what(*e)));
    }
    if (free != true) {
        m.CloseAllFiles();
        return;
    }
    setCursor(Qt::WaitCursor);
    StoreTransaction t(m);
    if (!putBack(*e, t)) {
        abandonDrop(t);
        return;
    }
    m.opAfterCommit([this, e] {
        m.trash.drop(*e);
        return true;
    });
    showPutBack(*e);
}

// What came back is chosen and shown, as a drop shows its target.
void edit::showPutBack(const Trash::Entry& e) {
    if (e.kind == Trash::Kind::Item) {
        m.S.CurrentItem.at(size_t(e.group)) = static_cast<qint16>(e.item);
    }
    if (e.group == m.HighlightedGroup) {
        // The group on display is read again in full.
        m.HighlightedGroup = e.group == 1 ? 2 : 1;
    }
    selectAfterDrop(true, e.group);
}

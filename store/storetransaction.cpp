#include "store/storetransaction.h"

#include "store/filelayer.h"
#include "store/module1.h"

#include <QLabel>

StoreTransaction::StoreTransaction(Module1& module)
    : m(module), m_currentGroup(module.S.CurrentGroup), m_currentItem(module.S.CurrentItem),
      m_highlightedGroup(module.HighlightedGroup), m_highlightedItem(module.HighlightedItem) {
    for (size_t k = 0; k < m_groups.size(); ++k) {
        m_groups[k] = m.controls.Group[k]->text();
    }
    for (size_t k = 0; k < m_items.size(); ++k) {
        m_items[k] = m.controls.Item[k]->text();
    }
    for (size_t k = 0; k < m_slots.size(); ++k) {
        m_slots[k] = m.controls.Trans[k]->text();
    }
}

bool StoreTransaction::step(bool succeeded) {
    m_ok = m_ok && succeeded;
    return m_ok;
}

bool StoreTransaction::remember(const QString& path) {
    if (m_remembered.contains(path)) {
        return true;
    }
    const ReadResult r = FileLayer::readAll(path);
    if (!m.report(r.result)) {
        return false;
    }
    m_remembered.append(path);
    if (r.exists) {
        m_undo.push_back({Undo::Kind::Restore, path, QString(), r.data});
    } else {
        m_undo.push_back({Undo::Kind::Remove, path, QString(), QByteArray()});
    }
    return true;
}

bool StoreTransaction::carry(const QString& from, const QString& to, bool byCopy) {
    if (!m_ok || !step(remember(to)) || !step(m.report(FileLayer::remove(to)))) {
        return false;
    }
    FileResult sizeResult;
    const qint64 length = FileLayer::size(from, &sizeResult);
    if (!step(m.report(sizeResult))) {
        return false;
    }
    if (length <= 0) {
        return remove(from);
    }
    if (byCopy) {
        return step(m.report(FileLayer::copy(from, to)));
    }
    if (!step(m.report(FileLayer::rename(from, to)))) {
        return false;
    }
    m_undo.push_back({Undo::Kind::RenameBack, from, to, QByteArray()});
    return true;
}

bool StoreTransaction::remove(const QString& path) {
    return m_ok && step(remember(path)) && step(m.report(FileLayer::remove(path)));
}

bool StoreTransaction::write(const QString& path, const QByteArray& bytes) {
    return m_ok && step(remember(path)) && step(m.report(FileLayer::writeAtomic(path, bytes)));
}

bool StoreTransaction::blankItemField(int group, int item) {
    return m_ok && step(remember(m.itemIndexPath(group))) && step(m.BlankItemField(group, item));
}

bool StoreTransaction::saveIndex(const QString& path, int which) {
    if (!m_ok || !step(remember(path))) {
        return false;
    }
    switch (which) {
    case 0:
        return step(m.saveIndexFrom(path, m.controls.Group.data(), 31));
    case 1:
        return step(m.saveIndexFrom(path, m.controls.Item.data(), 62));
    default:
        return step(m.saveIndexFrom(path, m.controls.Trans.data(), 12));
    }
}

bool StoreTransaction::saveGroups() {
    return saveIndex(m.groupIndexPath(), 0);
}

bool StoreTransaction::saveItems() {
    return saveIndex(m.itemIndexPath(m.S.CurrentGroup), 1);
}

bool StoreTransaction::saveTransfers() {
    return saveIndex(m.transferIndexPath(), 2);
}

void StoreTransaction::rollBack(bool tell) {
    bool whole = true;
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it) {
        FileResult r;
        switch (it->kind) {
        case Undo::Kind::Restore:
            r = FileLayer::writeAtomic(it->path, it->bytes);
            break;
        case Undo::Kind::Remove:
            r = FileLayer::remove(it->path);
            break;
        case Undo::Kind::RenameBack:
            r = FileLayer::rename(it->other, it->path);
            break;
        }
        whole = m.report(r) && whole;
    }
    m_undo.clear();
    m.S.CurrentGroup = m_currentGroup;
    m.S.CurrentItem = m_currentItem;
    m.HighlightedGroup = m_highlightedGroup;
    m.HighlightedItem = m_highlightedItem;
    for (size_t k = 0; k < m_groups.size(); ++k) {
        m.controls.Group[k]->setText(m_groups[k]);
    }
    for (size_t k = 0; k < m_items.size(); ++k) {
        m.controls.Item[k]->setText(m_items[k]);
    }
    for (size_t k = 0; k < m_slots.size(); ++k) {
        m.controls.Trans[k]->setText(m_slots[k]);
    }
    if (whole) {
        if (tell) {
            m.reportMessage(QStringLiteral("The drop was undone: nothing has changed."));
        }
        return;
    }
    // What is on disk is what the screen must show.
    m.LoadGroupIndex();
    m.LoadItemIndex();
    m.LoadTransferIndex();
    m.reportMessage(QStringLiteral("The drop could not be undone completely; the names shown are "
                                   "those now in the files."));
}

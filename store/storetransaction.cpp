#include "store/storetransaction.h"

#include "core/filelayer.h"
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

bool StoreTransaction::ok() const {
    return !m.opFailed();
}

bool StoreTransaction::carry(const QString& from, const QString& to, bool byCopy) {
    if (!m.opRemove(to)) {
        return false;
    }
    FileResult sizeResult;
    const qint64 length = FileLayer::size(from, &sizeResult);
    if (!m.opStep(sizeResult)) {
        return false;
    }
    if (length <= 0) {
        bool kept = false;
        if (!m.opRemove(from, &kept)) {
            return false;
        }
        if (!kept) {
            return true; // empty or missing: neither file stays
        }
        // It has content after all: it is carried.
    }
    return byCopy ? m.opCopy(from, to) : m.opRename(from, to);
}

bool StoreTransaction::remove(const QString& path) {
    return m.opRemove(path);
}

bool StoreTransaction::write(const QString& path, const QByteArray& bytes) {
    return m.opWrite(path, bytes);
}

bool StoreTransaction::blankItemField(int group, int item) {
    return ok() && m.BlankItemField(group, item);
}

bool StoreTransaction::saveGroups() {
    return ok() && m.saveIndexFrom(m.groupIndexPath(), m.controls.Group.data(), 31);
}

bool StoreTransaction::saveItems() {
    return ok() && m.saveIndexFrom(m.itemIndexPath(m.S.CurrentGroup), m.controls.Item.data(), 62);
}

bool StoreTransaction::saveTransfers() {
    return ok() && m.saveIndexFrom(m.transferIndexPath(), m.controls.Trans.data(), 12);
}

void StoreTransaction::rollBack(bool tell) {
    const bool whole = m.RollBackOperation(tell);
    m.S.CurrentGroup = m_currentGroup;
    m.S.CurrentItem = m_currentItem;
    m.HighlightedGroup = m_highlightedGroup;
    m.HighlightedItem = m_highlightedItem;
    if (!whole) {
        return; // the names on screen were read from the files
    }
    for (size_t k = 0; k < m_groups.size(); ++k) {
        m.controls.Group[k]->setText(m_groups[k]);
    }
    for (size_t k = 0; k < m_items.size(); ++k) {
        m.controls.Item[k]->setText(m_items[k]);
    }
    for (size_t k = 0; k < m_slots.size(); ++k) {
        m.controls.Trans[k]->setText(m_slots[k]);
    }
}

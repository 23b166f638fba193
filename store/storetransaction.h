#pragma once

#include <QString>

#include <array>

class Module1;

// The steps of one drop, on top of the operation's all-or-nothing file
// changes (see Module1::opWrite): the first step that fails stops the drop,
// and `rollBack` puts back every file it changed and the captions and
// selection as they were before it.
class StoreTransaction final {
public:
    explicit StoreTransaction(Module1& m);

    bool ok() const;
    // Carries `from` to `to` by renaming (or copying, keeping `from`); an
    // empty or missing source leaves neither file behind.
    bool carry(const QString& from, const QString& to, bool byCopy);
    bool remove(const QString& path);
    bool write(const QString& path, const QByteArray& bytes);
    // 40 blanks over entry `item` of items<group>.dir, the rest untouched.
    bool blankItemField(int group, int item);
    // The captions into their index files.
    bool saveGroups();
    bool saveItems();
    bool saveTransfers();
    // `tell` adds a line for the user saying nothing has changed.
    void rollBack(bool tell = true);

private:
    Module1& m;
    // The state the drop started from.
    std::array<QString, 31> m_groups;
    std::array<QString, 62> m_items;
    std::array<QString, 12> m_slots;
    qint16 m_currentGroup;
    std::array<qint16, 31> m_currentItem;
    qint16 m_highlightedGroup;
    qint16 m_highlightedItem;
};

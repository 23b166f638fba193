#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

class Module1;

// The file steps of one drop, each remembered with how to undo it. The
// first step that fails stops the drop: every later step does nothing, and
// `rollBack` puts back every file the drop changed, in reverse order, and
// the captions and selection as they were before it. Nothing is lost on the
// way: a source is deleted only after it was carried, and a file is put back
// from what it held. If a file cannot be put back (the folder is gone), the
// captions are read again from the files, so the screen shows what is on disk.
class StoreTransaction final {
public:
    explicit StoreTransaction(Module1& m);

    bool ok() const { return m_ok; }
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
    // `tell` adds a line for the user saying the drop was undone.
    void rollBack(bool tell = true);

private:
    struct Undo {
        enum class Kind { Restore, Remove, RenameBack } kind;
        QString path;
        QString other; // RenameBack: where the file is now
        QByteArray bytes;
    };
    bool step(bool succeeded);
    // Before the first change of `path`: how to get it back.
    bool remember(const QString& path);
    bool saveIndex(const QString& path, int which);

    Module1& m;
    bool m_ok = true;
    std::vector<Undo> m_undo;
    QStringList m_remembered;
    // The state the drop started from.
    std::array<QString, 31> m_groups;
    std::array<QString, 62> m_items;
    std::array<QString, 12> m_slots;
    qint16 m_currentGroup;
    std::array<qint16, 31> m_currentItem;
    qint16 m_highlightedGroup;
    qint16 m_highlightedItem;
};

#pragma once

#include "core/history.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The soak's model of a store: names and note files, changed by replaying
// the copies' log entries in order, one plain step after another as the
// operations are meant to act. It knows nothing of locks, labels or the
// program's code beyond the note file's encoding.
class SoakModel final {
public:
    SoakModel();
    // Applies one entry ("<copy>\t<operation>\t<arguments>..."); false for
    // an entry it does not know (an unexpected change was logged).
    bool apply(const QString& entry);
    // Every difference between the model and the store folder (and each
    // listed copy's program folder), in words; empty when they agree.
    QStringList compare(const QString& store, const QMap<int, QString>& programFolders) const;
    // Every difference between the earlier texts the store's history holds
    // and those the operations replaced or removed, in order.
    QStringList compareHistory(const QString& store) const;
    qsizetype keptCount() const { return m_kept.size(); }

private:
    struct Slots {
        std::array<QString, 12> names;
        QMap<int, QByteArray> notes;
    };
    using Index = std::optional<QStringList>;
    QString note(int g, int i) const { return QStringLiteral("quil%1.%2").arg(g).arg(i); }
    QStringList& items(int g);
    void carry(const QString& from, const QString& to, bool byCopy);
    void untitled(int g);
    // The note's text, if any, goes into the history with the names it had
    // before the operation.
    void keep(int g, int i, History::What what);

    QStringList m_groups;
    QMap<int, Index> m_items;
    QMap<QString, QByteArray> m_notes; // every quil file that exists
    QMap<int, Slots> m_slots;          // per copy
    QStringList m_groupsBefore;        // the names as the operation found them
    QMap<int, Index> m_itemsBefore;
    QList<History::Entry> m_kept; // what each entry must say, oldest first
    QList<QByteArray> m_keptText;
};

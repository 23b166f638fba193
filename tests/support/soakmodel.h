#pragma once

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

    QStringList m_groups;
    QMap<int, Index> m_items;
    QMap<QString, QByteArray> m_notes; // every quil file that exists
    QMap<int, Slots> m_slots;          // per copy
};

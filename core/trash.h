#pragma once

#include "core/fileresult.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// What the erase target took, kept in the program folder (never in the
// shared store) so that "Undo Erase" can put it back: "trash/<n>/", one
// folder per erase, the highest number the latest. Each holds the erased
// files byte for byte and a "manifest" naming where they came from.
// Entries last for the run that made them and the next one: each start
// counts a run ("trash/run") and clears entries older than the last run.
class Trash final {
public:
    enum class Kind { Item, Group };
    struct Entry {
        Kind kind = Kind::Item;
        QString storeFolder;
        int group = 0;
        int item = 0;
        QString groupName;
        QString itemName;
        QString folder; // where its files are kept
        int run = 0;

        QString file(const QString& name) const { return folder + name; }
    };
    // A kept file: its name in the entry and the store file it copies.
    using Files = QList<std::pair<QString, QString>>;

    explicit Trash(const QString& appFolder);
    void startRun();
    // Copies the files that exist (a missing one is left out); fills
    // `e.folder`. The entry counts only once `seal` has written its
    // manifest: one without is no entry, and the next start clears it.
    FileResult keep(Entry& e, const Files& files);
    FileResult seal(const Entry& e) const;
    std::optional<Entry> last() const;
    void drop(const Entry& e) const;

private:
    QList<int> numbers() const;

    QString m_folder;
    int m_run = 0;
    bool m_usable = false; // a private folder of this account's own
};

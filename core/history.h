#pragma once

#include "core/filelayer.h"

#include <QList>
#include <QStringList>
#include <QString>

#include <functional>

// A history folder opened once, never through a link: a name removed
// through it is removed in the folder that was opened, even when another
// account has since put a link in that folder's place.
class HistoryFolder final {
public:
    explicit HistoryFolder(const QString& folder); // ends with the separator
    ~HistoryFolder();
    HistoryFolder(const HistoryFolder&) = delete;
    HistoryFolder& operator=(const HistoryFolder&) = delete;
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    FileResult remove(const QString& name) const;

private:
    QString m_folder;
    int m_fd = -1;
};

// Earlier texts of a store: every note text a save, a drop or an erase
// replaced or removed, kept in the hidden folder ".quillo-history/" of the
// store folder, which every copy sharing the store shares too.
//
// An entry is two files named after its id (a 15-digit time in ms since the
// epoch, a dash and six random letters or digits, so that ids in name order
// are in time order):
//
//   <id>.txt   the text, byte for byte as the note file held it (a second
//              name of the old note file where the file system allows, so
//              nothing is copied)
//   <id>.ent   what it was, in lines: "QHIST1", the time, the account (percent-
//              encoded UTF-8), what happened ("saved-over", "moved-away",
//              "erased", "restored"), "<group> <item>", the group name and
//              the item name (percent-encoded UTF-8)
//
// The ".txt" comes first, the ".ent" last: an entry without its ".ent" is
// none, and pruning clears it. A copy that knows nothing of the history
// never looks into the folder.
//
// The folder belongs to a shared folder: every name in it is untrusted. A
// link (the folder itself included) is never followed, only regular files
// are read, and new files are made under names that were free.
class History final {
public:
    enum class What { SavedOver, MovedAway, Erased, Restored };
    struct Entry {
        QString id;        // the entry's own name in the history folder: unique, and
                           // ordering ids as strings orders entries by time
        qint64 timeMs = 0; // when it was replaced, ms since the epoch, UTC
        QString account;   // the account (user name) that replaced it: read back, the
                           // owner of the description, unless that is this account or root
        What what = What::SavedOver;
        int group = -1; // 0..30; -1 for a transfer slot
        int item = -1;  // 0..61, or the transfer slot 0..11 when group is -1
        QString groupName; // the names the indexes gave them at that time
        QString itemName;
    };
    struct Limits {
        qint64 maxAgeMs = 30LL * 24 * 3600 * 1000;
        qint64 maxBytes = 64LL * 1024 * 1024;
        int maxEntries = 10000;
        // Entry files whose size pruning looks up per call (see prune).
        int sizesPerCall = 16;
    };

    static constexpr const char* FolderName = ".quillo-history";

    // The hidden history folder of a store folder (which ends with the separator);
    // the result ends with the separator too.
    static QString folderOf(const QString& storeFolder);
    explicit History(const QString& storeFolder);
    // Every sound entry, newest first. An entry that is not a regular file, is
    // damaged, too big, or names an impossible place is skipped, never trusted.
    QList<Entry> entries() const;
    // The kept text, byte for byte (raw note bytes, in the note files' code page).
    ReadResult text(const Entry& e) const;
    // Keeps `noteFile`'s present content as a new entry described by `meta`
    // (its id and time are filled in here). Used by the store's operations and
    // by tests; the store's operations call it (or its journaled variant)
    // inside their all-or-nothing operation, under the lock.
    FileResult keep(const QString& noteFile, Entry meta);
    // The journaled variant: `beforeCreate` is told the paths of both the
    // entry's files, once, before either is made (the journal records them,
    // so that undoing the operation removes them), and a failure there stops
    // the entry. A missing or empty note file is no text worth keeping:
    // nothing is made. `made` (if given) gets the entry's id, or stays empty.
    // `size` is the note file's size when the caller has just looked (under
    // the lock, nothing else changes it), -1 to look here.
    FileResult keep(const QString& noteFile, Entry meta,
                    const std::function<FileResult(const QStringList& paths)>& beforeCreate,
                    QString* made = nullptr, qint64 size = -1);

    // The folder is there (made now, as open to others as the store folder
    // it is in) and this account may make files in it. Once it has said so,
    // this object's `keep` trusts it and looks at the folder no more: an
    // operation under the lock checks its history once.
    FileResult ready() const;

    // Removes at most `atMost` entries: those older than the age limit
    // first, then the oldest while the history passes its size or count
    // limit. Only call it under the lock. The folder is listed again at
    // most once a minute (per store, per copy), by names only; the sizes of
    // new files are looked up a few per call, and until all are known the
    // size limit counts those known. A history at its limit costs each
    // operation a few deletions. Returns how many went.
    int prune(int atMost);

    // True for a file name an entry may have ("<id>.txt" or "<id>.ent").
    static bool isEntryFileName(const QString& name);
    static bool isId(const QString& id);
    // The user name of the account this program runs as.
    static QString account();
    static QString whatName(What what);

    // For tests and the bench: the limits, the clock (ms since the epoch),
    // and a switch that makes the store's operations keep nothing.
    static Limits& limits();
    static std::function<qint64()>& clock();
    static bool& enabled();

private:
    // The folder is there (made if `create`) and is a folder, not a link.
    FileResult usable(bool create) const;
    QString m_folder;
    mutable bool m_ready = false;  // `ready` said so
    mutable bool m_sticky = false; // the folder is sticky (as `ready` saw it)
    mutable QString m_noteFolder;  // the folder of the notes `keep` kept, and
    mutable bool m_noteFolderSticky = false; // whether it is sticky
};

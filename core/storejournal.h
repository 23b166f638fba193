#pragma once

#include "core/filelayer.h"
#include "core/fileresult.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Makes one operation on the store folder all or nothing, even when the
// program dies half-way (a kill, a crash, a power cut).
//
// Before each change of a file in its folder, the journal "quillo.jnl" in
// that folder gets a line saying how to undo it, synced to disk:
//
//   QJNL1                       first line
//   B <name> <backup>           <name> had the content now in <backup>
//   N <name>                    <name> did not exist
//   M <from> <to>               <from> was moved to <to>
//
// (fields separated by a tab). A name is a plain name in the folder, or,
// for an `N` line only, a name in its history folder (".quillo-history/<name>"),
// so that an undone operation leaves none of the earlier texts it kept. A file that is replaced or removed first goes
// to a hidden backup beside it. `commit` deletes the journal, which makes the
// operation stand, then the backups. A journal found later (only ever under
// the lock, or at start-up in the program's own folder) was left by a copy
// that died: `recover` undoes its lines from the last to the first.
class StoreJournal final {
public:
    static constexpr const char* FileName = "quillo.jnl";

    // The folder (ending with the separator) whose files the journal keeps.
    void setFolder(const QString& folder);
    const QString& folder() const { return m_folder; }
    bool covers(const QString& path) const;
    // True once a change has been recorded and not yet committed or undone.
    bool active() const { return !m_undo.empty(); }

    FileResult write(const QString& path, const QByteArray& bytes);
    // With `keptContent`, only an empty file goes; one with content is kept
    // and `*keptContent` says so.
    FileResult remove(const QString& path, bool* keptContent = nullptr);
    // `to` must not exist.
    FileResult rename(const QString& from, const QString& to);
    // `to` must not exist.
    FileResult copy(const QString& from, const QString& to);

    // `path` (in the folder or its history folder) is about to be made by
    // the operation: undoing it removes the file.
    FileResult recordNew(const QString& path);
    // The same for several paths, in one line each but one write.
    FileResult recordNew(const QStringList& paths);
    // What `path` held before this operation changed it (empty for a file
    // the operation made); nothing when the operation has not changed it.
    std::optional<ReadResult> original(const QString& path) const;

    FileResult commit();
    // Undoes every recorded change; false when a file could not be put back.
    bool rollBack();
    // Undoes what a journal left in `folder` records; false when there was
    // none. `problem` gets what stopped it: a journal this account cannot
    // read, a file it could not put back, or a journal it could not remove.
    static bool recover(const QString& folder, FileResult* problem = nullptr);
    static bool isBackupName(const QString& name);
    // A name a journal line may give (read back from a journal, it is untrusted).
    static bool isJournalName(const QString& name, char kind);

private:
    struct Undo {
        char kind; // 'B', 'N' or 'M'
        QString name;
        QString other;
    };
    FileResult record(const Undo& undo);
    FileResult record(const std::vector<Undo>& undo);
    FileResult backupOf(const QString& name, QString* backup, bool byMove);
    static FileResult undoOne(const QString& folder, const Undo& undo);
    static FileResult putBack(const QString& folder, const QString& backup, const QString& name);
    // The folder refused to rename or delete `path`: another account's file
    // in a sticky folder.
    static bool refusedByFolder(const FileResult& r, const QString& path);
    QString journalPath() const { return m_folder + QLatin1String(FileName); }

    QString m_folder;
    std::vector<Undo> m_undo;
    QStringList m_backups;
    bool m_created = false; // this operation made the journal file
};

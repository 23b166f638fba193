#pragma once

#include "core/fileresult.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <sys/types.h>

struct ReadResult final {
    FileResult result;
    QByteArray data;
    bool exists = false; // a missing file reads as ok, empty and not existing
};

// Every read, write, copy, rename and delete of the program's files goes
// through here, and every outcome comes back as a value.
//
// Other accounts may write into a shared folder, so every name is
// untrusted: a file is opened only if it is a regular file (never through a
// link, never waiting on a pipe or a device), a link, a pipe, a device or a
// folder is refused as an unreadable file is, and new files (temporaries,
// backups, the journal) are made under names that did not exist.
//
// Whole-file writes are atomic: the bytes go to a hidden temporary file in
// the same folder (".<name>.XXXXXX"), which is flushed and synced (every
// result checked), renamed over the target, and the folder is synced. A
// crash, a kill, a power cut or a full disk therefore leaves either the old
// file or the new one, never a torn one; at worst a temporary stays behind,
// which `removeLeftovers` clears.
class FileLayer final {
public:
    static ReadResult readAll(const QString& path);
    // A new file gets `mode` (or 0666 less the umask); an existing one keeps
    // its permissions unless `mode` is given.
    static FileResult writeAtomic(const QString& path, const QByteArray& data,
                                  std::optional<mode_t> mode = std::nullopt);
    // Like writeAtomic, but only where `path` does not exist yet: the name
    // is never taken over from whatever another account put there.
    static FileResult writeNew(const QString& path, const QByteArray& data);
    // Rewrites the existing regular file itself, for a file the folder will
    // not let this account replace (another account's file in a sticky
    // folder). Not atomic: only for a file whose old content is kept elsewhere.
    static FileResult writeInPlace(const QString& path, const QByteArray& data);
    // Copies atomically to a new file: `to` is the whole source or is not there.
    static FileResult copy(const QString& from, const QString& to);
    // A second name for `from`'s content that a later rewrite of `from` leaves
    // alone: a hard link where the file system has them, else a copy.
    // `sync` false leaves syncing the link's folder to the caller.
    static FileResult keepCopy(const QString& from, const QString& to, bool sync = true);
    // keepCopy and writeNew for a new file `name` in the folder open as
    // `folderFd`, not in whatever now has that folder's name; `path` names the
    // file in messages. Not atomic: a file cut short stays behind, for a caller
    // to whom it is nothing until a later file says otherwise. `mayLink` false
    // always copies; `sync` waits until the file is on disk.
    static FileResult keepCopyAt(const QString& from, int folderFd, const QString& name,
                                 const QString& path, bool mayLink, bool sync);
    static FileResult writeNewAt(int folderFd, const QString& name, const QString& path,
                                 const QByteArray& data, bool sync);
    // Adds `data` at the end of the file; `create` makes it, and fails
    // where the name exists. `sync` waits until it is on disk.
    static FileResult append(const QString& path, const QByteArray& data, bool sync = true,
                             bool create = false);
    // Replaces `to` by `from` in one step; `sync` waits until the folder
    // holds the change on disk (a journaled operation syncs once, at its end).
    static FileResult rename(const QString& from, const QString& to, bool sync = true);
    // Waits until the folder's entries (renames, new and deleted files) are on disk.
    static void syncFolder(const QString& folder);
    // Deleting a missing file is not an error.
    static FileResult remove(const QString& path);
    // Deletes `name` in the folder open as `folderFd`, not in whatever now
    // has that folder's name; `path` names the file in messages.
    static FileResult removeAt(int folderFd, const QString& name, const QString& path);
    // -1 for a missing file, and for anything but a regular file (with a failure).
    static qint64 size(const QString& path, FileResult* result = nullptr);
    // The same look; `stamp` gets what tells this file apart from any other
    // content under the name (device, inode, size, change and modify times),
    // empty when there is no regular file.
    static qint64 size(const QString& path, FileResult* result, QByteArray* stamp);
    static bool isFolder(const QString& path);
    // True for another account's file in a sticky folder, which only its
    // owner (or the folder's) may rename or delete.
    static bool keptBySticky(const QString& path);
    // Deletes the temporaries that a crash between writing and renaming left
    // in `folder` (which ends with the separator), and backups of finished
    // operations. Only call it where no other copy can be writing (the
    // program folder at start-up, or the store folder under the lock) and
    // after a journal left there has been recovered. Returns how many went.
    static int removeLeftovers(const QString& folder);
    // True for the name of a temporary of one of the program's own files.
    static bool isLeftoverName(const QString& name);
    // Six characters drawn from `letters`: the part of a new name that
    // another copy making a name at the same moment is unlikely to choose.
    static QString randomLetters(QLatin1String letters);
};

// Test-only: every system call of the file layer first passes a checkpoint
// named after its step ("open", "read", "write", "sync", "close", "rename",
// "syncdir", "unlink", "stat", "chmod", "mktemp"). A test can make one
// checkpoint fail with a chosen error, or watch them all. Nothing is armed
// in the program.
class FileFaults final {
public:
    // The n-th checkpoint from now (1 is the next) fails with `error`.
    static void failNth(int n, int error);
    // The next `times` checkpoints of `step` on a path ending in `suffix` fail.
    static void failStep(const QString& step, const QString& suffix, int error, int times = 1);
    static void setObserver(std::function<void(const char* step, const QString& path)> observer);
    // Disarms everything and restarts the count.
    static void reset();
    static int passed();
    static int injected();
    // The step and file of the last failure made ("write quil0.1").
    static QString lastInjected();
};

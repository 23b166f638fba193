#include "core/storejournal.h"

#include "core/filelayer.h"
#include "core/history.h"

#include <QFileInfo>

#include <QRegularExpression>
#include <cerrno>
#include <sys/stat.h>

namespace {

const QByteArray kHeader = QByteArrayLiteral("QJNL1\n");

QString randomSuffix() {
    return FileLayer::randomLetters(
        QLatin1String("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"));
}

} // namespace

void StoreJournal::setFolder(const QString& folder) {
    m_folder = folder;
}

bool StoreJournal::covers(const QString& path) const {
    return !m_folder.isEmpty() && path.startsWith(m_folder) &&
           !path.mid(m_folder.size()).contains(QLatin1Char('/'));
}

bool StoreJournal::isBackupName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral(R"(^\.quillo-undo\.[A-Za-z0-9]{6}$)"));
    return pattern.match(name).hasMatch();
}

bool StoreJournal::isJournalName(const QString& name, char kind) {
    const qsizetype slash = name.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        return !name.isEmpty() && !name.startsWith(QLatin1String(".."));
    }
    // Only what the history keeps, and only one level down.
    return kind == 'N' && name.left(slash) == QLatin1String(History::FolderName) &&
           History::isEntryFileName(name.mid(slash + 1));
}

FileResult StoreJournal::recordNew(const QString& path) {
    return recordNew(QStringList{path});
}

FileResult StoreJournal::recordNew(const QStringList& paths) {
    std::vector<Undo> undo;
    for (const QString& path : paths) {
        const QString name = path.mid(m_folder.size());
        if (m_folder.isEmpty() || !path.startsWith(m_folder) || !isJournalName(name, 'N')) {
            return FileResult::failure(QStringLiteral("keep"), path, EINVAL);
        }
        undo.push_back({'N', name, QString()});
    }
    return record(undo);
}

std::optional<ReadResult> StoreJournal::original(const QString& path) const {
    if (!covers(path)) {
        return std::nullopt;
    }
    const QString name = path.mid(m_folder.size());
    for (const Undo& u : m_undo) {
        if (u.name == name && u.kind != 'M') {
            if (u.kind != 'B') {
                return ReadResult();
            }
            const ReadResult r = FileLayer::readAll(m_folder + u.other);
            // The backup is there while the operation runs: "missing" is
            // made sure of by a second look.
            return r.exists ? r : FileLayer::readAll(m_folder + u.other);
        }
    }
    return std::nullopt;
}

FileResult StoreJournal::record(const Undo& undo) {
    return record(std::vector<Undo>{undo});
}

FileResult StoreJournal::record(const std::vector<Undo>& undo) {
    QByteArray line;
    if (m_undo.empty()) {
        line = kHeader;
    }
    for (const Undo& u : undo) {
        line += QByteArray(1, u.kind) + '\t' + QFile::encodeName(u.name);
        if (!u.other.isEmpty()) {
            line += '\t' + QFile::encodeName(u.other);
        }
        line += '\n';
    }
    // The line is in the file before the change it undoes is made. It is not
    // synced: on the file systems the store lives on, a later change to the
    // folder does not reach the disk before an earlier append; `commit`
    // syncs the whole operation once.
    // The first line makes the journal, never through a name that is there:
    // one left by a copy whose change could not be undone stops this change.
    const FileResult r = FileLayer::append(journalPath(), line, false, !m_created);
    if (r) {
        m_created = true;
        m_undo.insert(m_undo.end(), undo.begin(), undo.end());
    }
    return r;
}

// A hidden copy of `name` beside it (by a move when the file is to go).
FileResult StoreJournal::backupOf(const QString& name, QString* backup, bool byMove) {
    *backup = QStringLiteral(".quillo-undo.") + randomSuffix();
    if (const FileResult r = record({'B', name, *backup}); !r) {
        return r;
    }
    m_backups.append(*backup);
    const QString from = m_folder + name;
    const QString to = m_folder + *backup;
    if (!byMove) {
        return FileLayer::keepCopy(from, to);
    }
    const FileResult moved = FileLayer::rename(from, to, false);
    if (moved || !refusedByFolder(moved, from)) {
        return moved;
    }
    // A sticky folder lets only its owner move another account's file: it
    // is copied and emptied instead, and an empty note or index is none.
    if (const FileResult r = FileLayer::copy(from, to); !r) {
        return r;
    }
    return FileLayer::writeInPlace(from, QByteArray());
}

bool StoreJournal::refusedByFolder(const FileResult& r, const QString& path) {
    return !r && (r.error() == EPERM || r.error() == EACCES) && FileLayer::keptBySticky(path);
}

// Puts a backup's content back under its name: by a rename, or, where the
// folder refuses that (the name is another account's), by rewriting the file.
FileResult StoreJournal::putBack(const QString& folder, const QString& backup,
                                 const QString& name) {
    const FileResult moved = FileLayer::rename(folder + backup, folder + name);
    if (moved || !refusedByFolder(moved, folder + name)) {
        return moved;
    }
    const ReadResult kept = FileLayer::readAll(folder + backup);
    if (!kept.result) {
        return kept.result;
    }
    // A file that could not be written at all is as it was already.
    if (FileLayer::readAll(folder + name).data != kept.data) {
        if (const FileResult r = FileLayer::writeInPlace(folder + name, kept.data); !r) {
            return r;
        }
    }
    return FileLayer::remove(folder + backup);
}

FileResult StoreJournal::write(const QString& path, const QByteArray& bytes) {
    const QString name = path.mid(m_folder.size());
    FileResult exists;
    const bool existed = FileLayer::size(path, &exists) >= 0;
    if (existed) {
        QString backup;
        if (const FileResult r = backupOf(name, &backup, false); !r) {
            return r;
        }
    } else if (!exists) {
        return exists;
    } else if (const FileResult r = record({'N', name, QString()}); !r) {
        return r;
    }
    const FileResult r = FileLayer::writeAtomic(path, bytes);
    if (existed && refusedByFolder(r, path)) {
        // A sticky folder will not let the new file replace another
        // account's: it is rewritten in place, its old content in the backup.
        return FileLayer::writeInPlace(path, bytes);
    }
    return r;
}

FileResult StoreJournal::remove(const QString& path, bool* keptContent) {
    // Only the program's own files are set aside, never a folder or a link:
    // the size of anything but a regular file is a failure.
    FileResult exists;
    qint64 length = FileLayer::size(path, &exists);
    if (length < 0 && exists) {
        // "Missing" is made sure of by a second look: a file taken for gone
        // that is still there would outlive the name that was its reason.
        const ReadResult r = FileLayer::readAll(path);
        length = r.exists ? r.data.size() : -1;
    }
    if (length < 0) {
        if (keptContent) {
            *keptContent = false;
        }
        return exists; // already gone, or the failure to look
    }
    // The look that decides is the look that acts: a file found with
    // content where only an empty one may go is kept.
    if (keptContent) {
        *keptContent = length > 0;
        if (length > 0) {
            return FileResult::success();
        }
    }
    QString backup;
    return backupOf(path.mid(m_folder.size()), &backup, true);
}

FileResult StoreJournal::rename(const QString& from, const QString& to) {
    if (const FileResult r = record({'M', from.mid(m_folder.size()), to.mid(m_folder.size())});
        !r) {
        return r;
    }
    const FileResult moved = FileLayer::rename(from, to, false);
    if (moved || !refusedByFolder(moved, from)) {
        return moved;
    }
    // Another account's note in a sticky folder: copied, then emptied.
    if (const FileResult r = copy(from, to); !r) {
        return r;
    }
    return remove(from);
}

FileResult StoreJournal::copy(const QString& from, const QString& to) {
    if (const FileResult r = record({'N', to.mid(m_folder.size()), QString()}); !r) {
        return r;
    }
    return FileLayer::copy(from, to);
}

FileResult StoreJournal::commit() {
    if (m_undo.empty()) {
        return FileResult::success();
    }
    // Every change on disk first; then deleting the journal is the moment
    // the operation stands.
    // Earlier texts kept by the operation are not synced here: one more
    // folder sync would cost each save a fifth more. A kill or a crash of the
    // program loses none (the system has them); a power cut in the moments
    // after a save may, the store itself as safe as ever.
    FileLayer::syncFolder(m_folder);
    const FileResult r = FileLayer::remove(journalPath());
    if (!r) {
        return r;
    }
    FileLayer::syncFolder(m_folder);
    m_undo.clear();
    m_created = false;
    for (const QString& backup : m_backups) {
        FileLayer::remove(m_folder + backup);
    }
    m_backups.clear();
    return r;
}

FileResult StoreJournal::undoOne(const QString& folder, const Undo& undo) {
    const QString path = folder + undo.name;
    switch (undo.kind) {
    case 'B':
        // No backup: the change it guards was never made.
        if (FileLayer::size(folder + undo.other) < 0) {
            return FileResult::success();
        }
        return putBack(folder, undo.other, undo.name);
    case 'N': {
        FileResult r;
        if (undo.name.contains(QLatin1Char('/'))) {
            // Never through a link put in place of the history folder, then
            // or while the file is removed.
            const HistoryFolder kept(History::folderOf(folder));
            if (!kept.isOpen()) {
                return FileResult::success();
            }
            r = kept.remove(undo.name.section(QLatin1Char('/'), 1));
        } else {
            r = FileLayer::remove(path);
        }
        // Another account's file a sticky folder keeps: emptied, it is none.
        return refusedByFolder(r, path) ? FileLayer::writeInPlace(path, QByteArray()) : r;
    }
    case 'M':
        if (FileLayer::size(folder + undo.other) < 0 || FileLayer::size(path) >= 0) {
            return FileResult::success(); // the move never happened
        }
        return FileLayer::rename(folder + undo.other, path);
    default:
        return FileResult::success();
    }
}

bool StoreJournal::rollBack() {
    bool whole = true;
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it) {
        whole = undoOne(m_folder, *it).ok() && whole;
    }
    if (whole && m_created) {
        FileLayer::remove(journalPath());
        for (const QString& backup : m_backups) {
            FileLayer::remove(m_folder + backup);
        }
    }
    // What could not be put back stays recorded for the next holder of the
    // lock; this copy's part is over either way.
    m_undo.clear();
    m_backups.clear();
    m_created = false;
    return whole;
}

bool StoreJournal::recover(const QString& folder, FileResult* problem) {
    const QString path = folder + QLatin1String(FileName);
    const ReadResult r = FileLayer::readAll(path);
    if (!r.result) {
        // There, but no journal this account can read (another account's,
        // or a link, a pipe, a folder): it is told, and the name stops every
        // change until it is gone.
        if (problem) {
            *problem = r.result;
        }
        return false;
    }
    if (!r.exists) {
        return false;
    }
    std::vector<Undo> undo;
    const QList<QByteArray> lines = r.data.split('\n');
    // Every whole line after the header; a line cut short by the crash was
    // never followed by its change.
    for (qsizetype k = 1; k + 1 < lines.size(); ++k) {
        const QList<QByteArray> f = lines.at(k).split('\t');
        if (f.size() < 2 || f.at(0).size() != 1 || !QByteArray("BNM").contains(f.at(0).at(0))) {
            continue;
        }
        const QString name = QFile::decodeName(f.at(1));
        const QString other = f.size() > 2 ? QFile::decodeName(f.at(2)) : QString();
        // Only plain names in this folder, or kept texts in its history
        // folder: the journal may come from anywhere.
        if (!isJournalName(name, f.at(0).at(0)) || other.contains(QLatin1Char('/'))) {
            continue;
        }
        undo.push_back({f.at(0).at(0), name, other});
    }
    FileResult failed;
    for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
        if (const FileResult done = undoOne(folder, *it); !done && failed) {
            failed = done;
        }
    }
    if (failed) {
        failed = FileLayer::remove(path);
        if (refusedByFolder(failed, path)) {
            // Another account's journal in a sticky folder: emptied, it
            // undoes nothing twice, but its name still stops every change.
            FileLayer::writeInPlace(path, QByteArray());
        }
    }
    if (problem) {
        *problem = failed;
    }
    return true;
}

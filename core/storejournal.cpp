#include "core/storejournal.h"

#include "core/filelayer.h"

#include <QFileInfo>

#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>

namespace {

const QByteArray kHeader = QByteArrayLiteral("QJNL1\n");

QString randomSuffix() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString s;
    for (int k = 0; k < 6; ++k) {
        s.append(QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]));
    }
    return s;
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

FileResult StoreJournal::record(const Undo& undo) {
    QByteArray line;
    if (m_undo.empty()) {
        line = kHeader;
    }
    line += QByteArray(1, undo.kind) + '\t' + QFile::encodeName(undo.name);
    if (!undo.other.isEmpty()) {
        line += '\t' + QFile::encodeName(undo.other);
    }
    line += '\n';
    // The line is in the file before the change it undoes is made. It is not
    // synced: on the file systems the store lives on, a later change to the
    // folder does not reach the disk before an earlier append; `commit`
    // syncs the whole operation once.
    const FileResult r = FileLayer::append(journalPath(), line, false);
    if (r) {
        m_undo.push_back(undo);
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
    return byMove ? FileLayer::rename(from, to, false) : FileLayer::keepCopy(from, to);
}

FileResult StoreJournal::write(const QString& path, const QByteArray& bytes) {
    const QString name = path.mid(m_folder.size());
    FileResult exists;
    if (FileLayer::size(path, &exists) >= 0) {
        QString backup;
        if (const FileResult r = backupOf(name, &backup, false); !r) {
            return r;
        }
    } else if (!exists) {
        return exists;
    } else if (const FileResult r = record({'N', name, QString()}); !r) {
        return r;
    }
    return FileLayer::writeAtomic(path, bytes);
}

FileResult StoreJournal::remove(const QString& path, bool* keptContent) {
    if (FileLayer::isFolder(path)) {
        // Only the program's own files are set aside, never a folder.
        return FileResult::failure(QStringLiteral("delete"), path, EISDIR);
    }
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
    return FileLayer::rename(from, to, false);
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
    FileLayer::syncFolder(m_folder);
    const FileResult r = FileLayer::remove(journalPath());
    if (!r) {
        return r;
    }
    FileLayer::syncFolder(m_folder);
    m_undo.clear();
    for (const QString& backup : m_backups) {
        FileLayer::remove(m_folder + backup);
    }
    m_backups.clear();
    return r;
}

bool StoreJournal::undoOne(const QString& folder, const Undo& undo) {
    const QString path = folder + undo.name;
    switch (undo.kind) {
    case 'B':
        // No backup: the change it guards was never made.
        return FileLayer::size(folder + undo.other) < 0 ||
               FileLayer::rename(folder + undo.other, path).ok();
    case 'N':
        return FileLayer::remove(path).ok();
    case 'M':
        if (FileLayer::size(folder + undo.other) < 0 || FileLayer::size(path) >= 0) {
            return true; // the move never happened
        }
        return FileLayer::rename(folder + undo.other, path).ok();
    default:
        return true;
    }
}

bool StoreJournal::rollBack() {
    bool whole = true;
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it) {
        whole = undoOne(m_folder, *it) && whole;
    }
    if (whole) {
        FileLayer::remove(journalPath());
        for (const QString& backup : m_backups) {
            FileLayer::remove(m_folder + backup);
        }
    }
    // What could not be put back stays recorded for the next holder of the
    // lock; this copy's part is over either way.
    m_undo.clear();
    m_backups.clear();
    return whole;
}

bool StoreJournal::recover(const QString& folder) {
    const ReadResult r = FileLayer::readAll(folder + QLatin1String(FileName));
    if (!r.exists || !r.result) {
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
        // Only plain names in this folder: the journal may come from anywhere.
        if (name.contains(QLatin1Char('/')) || other.contains(QLatin1Char('/')) || name.isEmpty() ||
            name.startsWith(QLatin1String(".."))) {
            continue;
        }
        undo.push_back({f.at(0).at(0), name, other});
    }
    bool whole = true;
    for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
        whole = undoOne(folder, *it) && whole;
    }
    if (whole) {
        FileLayer::remove(folder + QLatin1String(FileName));
    }
    return true;
}

// One user action's changes to files, all of them or none.

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "store/module1.h"

#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cstring>

bool Module1::opStep(const FileResult& result) {
    if (!result) {
        report(result);
        m_opFailed = true;
    }
    return result.ok();
}

// An operation whose end never reaches CloseAllFiles still stands once the
// program is idle and not holding the lock.
void Module1::postFinish() {
    if (m_finishPosted) {
        return;
    }
    m_finishPosted = true;
    QTimer::singleShot(0, this, [this] {
        m_finishPosted = false;
        if (!m_lock.isHeld()) {
            FinishOperation();
            showMessages();
        }
    });
}

// The first step of an operation starts its journal; after a failed step
// no further step runs.
bool Module1::opBegin() {
    if (m_opFailed) {
        return false;
    }
    if (operationLostStore()) {
        // Begun in another store before a wait: nothing is written for it.
        m_opFailed = true;
        return false;
    }
    if (!m_journal.active()) {
        m_journal.setFolder(StoreFolder);
    }
    postFinish();
    return true;
}

// A file of the program folder while the store is elsewhere: what it held is
// remembered, once, so a failure later in the operation can put it back.
bool Module1::rememberPrivate(const QString& path) {
    if (m_privateRemembered.contains(path)) {
        return true;
    }
    const ReadResult old = FileLayer::readAll(path);
    if (!opStep(old.result)) {
        return false;
    }
    m_privateRemembered.append(path);
    m_privateUndo.push_back({path, old.exists, old.data});
    return true;
}

// The name an index gave before this operation changed it; false (and the
// name blank) when the index cannot be read.
bool Module1::originalName(const QString& indexPath, int count, int index, QString* name) {
    QByteArray bytes;
    if (const auto before = m_journal.original(indexPath)) {
        if (!before->result) {
            return false;
        }
        bytes = before->data;
    } else {
        const auto it = std::find_if(m_privateUndo.begin(), m_privateUndo.end(),
                                     [&](const PrivateUndo& u) { return u.path == indexPath; });
        if (it != m_privateUndo.end()) {
            bytes = it->bytes;
        } else {
            // Under the lock nothing else changes the file: a file with the
            // stamp of the one read before holds what it held.
            QByteArray stamp;
            FileResult look;
            FileLayer::size(indexPath, &look, &stamp);
            const auto known = m_knownIndexes.find(indexPath);
            if (!stamp.isEmpty() && known != m_knownIndexes.end() && known->second.stamp == stamp) {
                bytes = known->second.bytes;
            } else {
                ReadResult r = FileLayer::readAll(indexPath);
                if (r.result && !r.exists) {
                    // "Missing" is made sure of by a second look: names taken
                    // for blank would be lost from the entry for good.
                    r = FileLayer::readAll(indexPath);
                }
                if (!r.result) {
                    return false;
                }
                bytes = r.data;
                if (!stamp.isEmpty()) {
                    m_knownIndexes[indexPath] = {stamp, bytes};
                } else {
                    m_knownIndexes.erase(indexPath);
                }
            }
        }
    }
    *name = NameIndex::decode(bytes, count).value(index);
    return true;
}

// A note's text is kept before the operation replaces or removes it, by the
// operation itself: undone with it, and standing with it.
bool Module1::keepEarlier(const QString& path, History::What what, const QByteArray* replacement) {
    if (!History::enabled()) {
        return true;
    }
    static const QRegularExpression note(QStringLiteral(R"(^quil(\d{1,2})\.(\d{1,2})$)"));
    static const QRegularExpression slot(QStringLiteral(R"(^trans\.(\d{1,2})$)"));
    History::Entry meta;
    meta.what = what;
    QRegularExpressionMatch found;
    const bool isNote = path.startsWith(StoreFolder) &&
                        (found = note.match(path.mid(StoreFolder.size()))).hasMatch();
    if (isNote) {
        meta.group = found.captured(1).toInt();
        meta.item = found.captured(2).toInt();
    } else if (path.startsWith(AppFolder) &&
               (found = slot.match(path.mid(AppFolder.size()))).hasMatch()) {
        meta.item = found.captured(1).toInt();
    } else {
        return true; // an index: its names are no text of the user's
    }
    if (meta.group > 30 || meta.item > (isNote ? 61 : 11)) {
        return true;
    }
    m_keptPath = path;
    FileResult look;
    QByteArray stamp;
    qint64 size = FileLayer::size(path, &look, &stamp);
    if (size < 0 && look) {
        size = FileLayer::size(path, &look, &stamp); // "missing" made sure of, as above
    }
    if (!opStep(look)) {
        return false;
    }
    if (size <= 0) {
        return true; // nothing to lose
    }
    const QString folder = isNote ? StoreFolder : AppFolder;
    // The names only label the entry: an index that cannot be read (another
    // account's, or something else under its name) leaves them blank and
    // stops no change; only a text that cannot be kept does.
    if (isNote) {
        originalName(groupIndexPath(), 31, meta.group, &meta.groupName);
        originalName(itemIndexPath(meta.group), 62, meta.item, &meta.itemName);
    } else {
        originalName(transferIndexPath(), 12, meta.item, &meta.itemName);
    }
    if (replacement && replacement->size() == size) {
        // The file this copy wrote last, unchanged since, and other bytes
        // than these: no need to read it back. Otherwise it is compared.
        const bool knownOther = m_writtenPath == path && m_written.stamp == stamp &&
                                !stamp.isEmpty() && m_written.bytes != *replacement;
        if (!knownOther && FileLayer::readAll(path).data == *replacement) {
            return true; // saved as it was: nothing is replaced
        }
    }
    // The history folder is checked once per operation.
    auto checked = m_opHistories.find(folder);
    if (checked == m_opHistories.end()) {
        History fresh(folder);
        const FileResult ready = fresh.ready();
        checked = m_opHistories.emplace(folder, std::make_pair(fresh, ready)).first;
    }
    History& history = checked->second.first;
    if (const FileResult ready = checked->second.second; !ready) {
        // A history folder this account cannot use (another account's, or
        // something else under its name) does not stop the store's work.
        if (!m_historyProblemTold) {
            m_historyProblemTold = true;
            reportMessage(QStringLiteral("Earlier texts cannot be kept in the folder \"%1\" "
                                         "(%2). Your changes are saved, but the texts they "
                                         "replace are not kept.")
                              .arg(History::folderOf(folder),
                                   QString::fromLocal8Bit(std::strerror(ready.error()))));
        }
        return true;
    }
    const bool journaled = m_journal.covers(path);
    const FileResult kept = history.keep(
        path, meta,
        [&](const QStringList& made) {
            if (journaled) {
                return m_journal.recordNew(made);
            }
            for (const QString& file : made) {
                m_privateUndo.push_back({file, false, QByteArray()});
            }
            return FileResult::success();
        },
        nullptr, size);
    if (kept) {
        ++m_keptThisOp;
    }
    return opStep(kept);
}

// A little at a time, under the lock, after an operation that changed the store.
void Module1::pruneHistory() {
    if (!History::enabled()) {
        return;
    }
    const int atMost = 4 + 2 * m_keptThisOp;
    History(StoreFolder).prune(atMost);
    if (AppFolder != StoreFolder) {
        History(AppFolder).prune(atMost);
    }
}

// What an operation knew of the history folders is not trusted by the next.
void Module1::endHistoryOp() {
    m_opHistories.clear();
    m_keptThisOp = 0;
    m_keptPath.clear();
}

bool Module1::opWrite(const QString& path, const QByteArray& bytes) {
    if (!opBegin() || !keepEarlier(path, historyWhat.value_or(History::What::SavedOver), &bytes)) {
        return false;
    }
    const bool written = m_journal.covers(path)
                             ? opStep(m_journal.write(path, bytes))
                             : rememberPrivate(path) && opStep(FileLayer::writeAtomic(path, bytes));
    if (written && m_keptPath == path) {
        // Its stamp now, for the next save over it (a failed look only
        // means that one reads it back).
        m_writtenPath = path;
        FileLayer::size(path, nullptr, &m_written.stamp);
        m_written.bytes = bytes;
    }
    return written;
}

bool Module1::opRemove(const QString& path, bool* keptContent) {
    // With `keptContent` only an empty file goes: nothing to keep.
    if (!opBegin() ||
        (!keptContent && !keepEarlier(path, historyWhat.value_or(History::What::MovedAway)))) {
        return false;
    }
    if (m_journal.covers(path)) {
        return opStep(m_journal.remove(path, keptContent));
    }
    if (!m_privateRemembered.contains(path) && keptContent) {
        // The same look decides and remembers: a note found with content stays.
        const ReadResult old = FileLayer::readAll(path);
        if (!opStep(old.result)) {
            return false;
        }
        *keptContent = !old.data.isEmpty();
        if (*keptContent) {
            return true;
        }
        m_privateRemembered.append(path);
        m_privateUndo.push_back({path, old.exists, old.data});
    }
    return rememberPrivate(path) && opStep(FileLayer::remove(path));
}

bool Module1::opRename(const QString& from, const QString& to) {
    if (!opBegin()) {
        return false;
    }
    if (m_journal.covers(from) && m_journal.covers(to)) {
        return keepEarlier(from, historyWhat.value_or(History::What::MovedAway)) &&
               opStep(m_journal.rename(from, to));
    }
    // Between folders a note is copied and its source removed.
    return opCopy(from, to) && opRemove(from);
}

bool Module1::opCopy(const QString& from, const QString& to) {
    if (!opBegin()) {
        return false;
    }
    if (m_journal.covers(to)) {
        return opStep(m_journal.copy(from, to));
    }
    const ReadResult src = FileLayer::readAll(from);
    if (!opStep(src.result)) {
        return false;
    }
    return opWrite(to, src.data);
}

void Module1::opAfterCommit(std::function<bool()> step) {
    m_afterCommit.push_back(std::move(step));
    postFinish();
}

bool Module1::RollBackOperation(bool tell) {
    bool whole = m_journal.rollBack();
    for (auto it = m_privateUndo.rbegin(); it != m_privateUndo.rend(); ++it) {
        whole = report(it->existed ? FileLayer::writeAtomic(it->path, it->bytes)
                                   : FileLayer::remove(it->path)) &&
                whole;
    }
    m_privateUndo.clear();
    m_privateRemembered.clear();
    m_afterCommit.clear();
    m_opFailed = false;
    historyWhat.reset();
    endHistoryOp();
    m_writtenPath.clear();
    // The names on screen are those in the files again.
    LoadGroupIndex();
    LoadItemIndex();
    LoadTransferIndex();
    if (!whole) {
        reportMessage(QStringLiteral("Some files could not be put back as they were; the names "
                                     "shown are those now in the files."));
    } else if (tell) {
        reportMessage(QStringLiteral("Nothing has been changed."));
    }
    return whole;
}

void Module1::FinishOperation() {
    if (m_opFailed) {
        RollBackOperation();
        return;
    }
    if (!m_journal.active() && m_privateUndo.empty() && m_afterCommit.empty()) {
        historyWhat.reset();
        endHistoryOp();
        return;
    }
    if (beforeCommit) {
        beforeCommit();
        if (m_opFailed) {
            RollBackOperation();
            return;
        }
    }
    if (!opStep(m_journal.commit())) {
        // The journal that would undo the operation cannot be deleted:
        // undo it now rather than let the next holder of the lock do it.
        RollBackOperation();
        return;
    }
    m_privateUndo.clear();
    m_privateRemembered.clear();
    std::vector<std::function<bool()>> after;
    after.swap(m_afterCommit);
    for (const auto& step : after) {
        // Each step keeps a copy until the next one is done: stop at a failure.
        if (!step()) {
            break;
        }
    }
    if (m_opFailed) {
        // The operation stands; what followed it is put back.
        RollBackOperation(false);
        return;
    }
    opStep(m_journal.commit());
    m_opFailed = false;
    m_privateUndo.clear();
    m_privateRemembered.clear();
    pruneHistory();
    historyWhat.reset();
    endHistoryOp();
}

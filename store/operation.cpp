// One user action's changes to files, all of them or none.

#include "core/filelayer.h"
#include "store/module1.h"

#include <QTimer>

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

bool Module1::opWrite(const QString& path, const QByteArray& bytes) {
    if (!opBegin()) {
        return false;
    }
    if (m_journal.covers(path)) {
        return opStep(m_journal.write(path, bytes));
    }
    return rememberPrivate(path) && opStep(FileLayer::writeAtomic(path, bytes));
}

bool Module1::opRemove(const QString& path, bool* keptContent) {
    if (!opBegin()) {
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
        return opStep(m_journal.rename(from, to));
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
}

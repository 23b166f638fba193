// The access check that brackets every operation on the network store.

#include "store/module1.h"

#include "core/filelayer.h"
#include "core/sharecheck.h"
#include "store/uiservices.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

bool Module1::tryLockOnce(QString* reason) {
    int error = 0;
    const StoreLock::Outcome outcome = m_lock.attempt(lockPath(), &error);
    if (reason) {
        *reason = outcome == StoreLock::Outcome::Refused ? StoreLock::reason(error) : QString();
    }
    return outcome == StoreLock::Outcome::Held;
}

void Module1::CloseAllFiles() {
    FinishOperation();
    m_lock.release();
    showMessages();
}

// Under the lock no other copy is writing, so what a copy that died left
// half-way in the shared folder is undone, and its temporaries go.
void Module1::tookLock() {
    RecoverJournal();
    FileLayer::removeLeftovers(StoreFolder);
}

// Shows the Waiting dialog until the lock is held (true) or the user cancels
// and agrees to leave the network store (false).
bool Module1::waitForLock() {
    ++WaitsShown;
    for (;;) {
        if (services.waitForAccess(
                controls.window, [this](QString* reason) { return tryLockOnce(reason); },
                lockRetryMs) ||
            lockHeld()) {
            return true;
        }
        if (mayLeaveUnsavedText()) {
            return false;
        }
    }
}

// Cancel replaces the note on screen by the local store's. Changed text is
// never dropped without the user's word: it can go to the clipboard first,
// or the program goes back to waiting.
bool Module1::mayLeaveUnsavedText() {
    if (!noteChanged()) {
        return true;
    }
    const int answer = services.ask(
        controls.window,
        QStringLiteral("The note you changed has not been saved to the network folder.\n\n"
                       "Returning to the local store replaces it on screen. Put the changed "
                       "text on the clipboard first, or keep waiting for access?"),
        {QStringLiteral("Copy to Clipboard and Use Local Store"), QStringLiteral("Keep Waiting")});
    if (answer != 0) {
        return false;
    }
    QApplication::clipboard()->setText(noteText());
    return true;
}

void Module1::AcquireAccess() {
    StoreChanged = 0;
    QElapsedTimer waited;
    waited.start();
    bool held = false;
    for (int attempt = 0; attempt < quickAttempts && !held; ++attempt) {
        held = tryLockOnce();
    }
    if (!held && !waitForLock()) {
        RevertToLocalStore();
        return;
    }
    LongestLockWaitMs = std::max(LongestLockWaitMs, waited.elapsed());
    tookLock();
    const bool groupsDiffer = loadIndexInto(groupIndexPath(), controls.Group.data(), 31);
    const bool itemsDiffer = loadIndexInto(itemIndexPath(S.CurrentGroup), controls.Item.data(), 62);
    if (groupsDiffer || itemsDiffer) {
        StoreChanged = 1;
        CloseAllFiles();
    }
}

void Module1::AcquireAccessToLoad() {
    for (int tries = 0; tries < 10; ++tries) {
        AcquireAccess();
        if (S.NetworkMode != 1 || StoreChanged == 0) {
            return;
        }
    }
}

bool Module1::TakeLockQuickly() {
    for (int attempt = 0; attempt < quickAttempts; ++attempt) {
        if (tryLockOnce()) {
            // Nothing half done is shown as the store's state.
            RecoverJournal();
            return true;
        }
    }
    return false;
}

void Module1::CheckShare() {
    if (m_shareChecked || S.NetworkMode != 1) {
        return;
    }
    m_shareChecked = true;
    const QString folder = QFileInfo(NetFolder).canonicalFilePath();
    const std::optional<MountEntry> mount = MountTable::containing(mountTable(), folder);
    const QString risk = mount ? ShareCheck::risk(*mount) : QString();
    if (!risk.isEmpty()) {
        reportMessage(ShareCheck::warning(NetFolder.chopped(1), risk));
    }
}

bool Module1::AccessCheckAbandons(bool skipWhenHeld) {
    beginOperation();
    if (operationLostStore()) {
        // What this action knows (a source, a target, a name) is of the
        // store it began in: it is not run in another.
        focusNote();
        return true;
    }
    if (S.NetworkMode != 1 || (skipWhenHeld && LockAlreadyHeld == 1)) {
        return false;
    }
    AcquireAccess();
    if (S.NetworkMode == 0 || StoreChanged == 1) {
        focusNote();
        return true;
    }
    return false;
}

void Module1::beginOperation() {
    if (m_opPlace) {
        return;
    }
    m_opPlace = storePlace();
    m_opLoopLevel = QThread::currentThread()->loopLevel();
    endOperationWhenDone();
}

void Module1::endOperation() {
    m_opPlace.reset();
}

void Module1::operationFollowsStore() {
    if (m_opPlace) {
        m_opPlace = storePlace();
    }
}

// Checked from the event loop: inside a nested one (a wait, a dialog) or
// while the mouse still carries the action, the action goes on.
void Module1::endOperationWhenDone(int afterMs) {
    if (m_opEndPosted) {
        return;
    }
    m_opEndPosted = true;
    QTimer::singleShot(afterMs, this, [this] {
        m_opEndPosted = false;
        if (!m_opPlace) {
            return;
        }
        if (QThread::currentThread()->loopLevel() > m_opLoopLevel ||
            (userActionUnderWay && userActionUnderWay())) {
            endOperationWhenDone(20);
            return;
        }
        m_opPlace.reset();
    });
}

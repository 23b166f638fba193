#pragma once

#include "core/fileresult.h"
#include "core/history.h"
#include "core/mounttable.h"
#include "core/recoveryfile.h"
#include "core/settingsrecord.h"
#include "core/storejournal.h"
#include "core/storelock.h"
#include "core/trash.h"
#include "store/storecontrols.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class UiServices;

// The program-wide state and the store procedures. One object per running
// program; tests build as many independent ones as they need.
//
// Procedures take no arguments and report their outcome through this
// state, as the callers expect: `NetworkMode` and `StoreChanged` after
// `AcquireAccess`, `SaveFailed` after `SaveNote`.
class Module1 final : public QObject {
    Q_OBJECT
public:
    Module1(UiServices& services, const QString& appFolder, QObject* parent = nullptr);

    // --- state ---
    SettingsRecord S;  // the settings record, held for the whole run
    QString AppFolder; // each folder ends with the separator
    QString NetFolder;
    QString StoreFolder;
    QString HelpFile; // the help file shown by F1; start-up may point it elsewhere
    qint16 HighlightedGroup = 0;
    qint16 HighlightedItem = 0;
    QString SavedText; // the note as last loaded, or saved while shown
    qint16 StoreChanged = 0;
    qint16 LockAlreadyHeld = 0;
    bool SaveFailed = false; // the last SaveNote could not write the note
    StoreControls controls;
    UiServices& services;
    int lockRetryMs = 25; // pacing of the Waiting dialog's attempts
    int quickAttempts = 50;
    Trash trash{AppFolder}; // what the erase target took, for Undo Erase
    History history() const { return History(StoreFolder); }

    static QString withSeparator(const QString& folder);

    // --- settings ---
    // Reads "quillo.ini"; anything but 366 bytes gives the defaults, written at once.
    // With `writeDefaults` false (start-up) the defaults wait for
    // WriteDefaultSettings, so that the window is not held up by a synced write.
    void ReadSettings(bool writeDefaults = true);
    void WriteDefaultSettings();
    void WriteSettings();
    QString settingsPath() const { return AppFolder + QStringLiteral("quillo.ini"); }

    // --- store ---
    void LoadGroupIndex();
    void savegroups();
    void LoadItemIndex();
    void SaveItemIndex();
    void LoadNote();
    void SaveNote();
    void LoadTransferIndex();
    void SaveTransferIndex();
    void EnterStoreFolder();
    void RevertToLocalStore();

    QString groupIndexPath() const { return StoreFolder + QStringLiteral("group.dir"); }
    QString itemIndexPath(int group) const;
    QString notePath(int group, int item) const;
    QString transferIndexPath() const { return AppFolder + QStringLiteral("trans.dir"); }
    QString transferNotePath(int slot) const;
    QString currentNotePath() const { return notePath(S.CurrentGroup, S.currentItem()); }

    // --- one operation's changes to files: all of them or none ---
    // Every change a user action makes to files goes through these. Changes
    // in the store folder are journaled (see StoreJournal), so a copy that
    // dies half-way leaves nothing half done; others are undone from memory.
    // The first failure is told to the user and stops the operation: later
    // steps do nothing, and CloseAllFiles (or RollBackOperation) puts every
    // file back. Otherwise CloseAllFiles commits the operation.
    bool opWrite(const QString& path, const QByteArray& bytes);
    // With `keptContent`, only an empty or missing file goes; one found
    // with content is kept, and `*keptContent` says so.
    bool opRemove(const QString& path, bool* keptContent = nullptr);
    // `to` must not exist.
    bool opRename(const QString& from, const QString& to);
    bool opCopy(const QString& from, const QString& to);
    // Runs once the operation stands (the slot's own file goes only then).
    void opAfterCommit(std::function<bool()> step);
    bool opFailed() const { return m_opFailed; }
    // Tells the failure and stops the operation; true when there was none.
    bool opStep(const FileResult& result);
    // Puts every changed file back and reads the names on screen again.
    bool RollBackOperation(bool tell = true);
    // Commits the operation, or rolls it back after a failure. Tests and the
    // soak see each operation's end through this hook, just before it
    // stands: it may add changes of its own.
    void FinishOperation();
    std::function<void()> beforeCommit;
    // What the current operation does to the notes it replaces or removes,
    // as their earlier texts record it: by default a write saves over, a
    // removal or a move moves away. Cleared when the operation ends.
    std::optional<History::What> historyWhat;

    // Removes an empty note or index found in the store, as loading does: a
    // sticky folder may keep another account's, which is no failure.
    void tidyEmpty(const QString& path);

    // Writes 40 blanks over entry `item` of items<group>.dir, leaving the rest.
    bool BlankItemField(int group, int item);
    bool WriteItemField(int group, int item, const QString& name);

    // The visible note box and its text.
    QPlainTextEdit* noteBox() const;
    QString noteText() const;
    bool noteChanged() const { return noteText() != SavedText; }
    void focusNote() const;
    // Shows Txt(WordWrap), hides the other and sets the check box to match.
    void showNoteBox() const;

    // --- unsaved text kept against a crash ---
    // Writes the note on screen to the recovery file while it holds text not
    // in its note, and removes the file once it does not. False when an
    // operation on the store is under way: it must be tried again later.
    bool KeepRecovery();
    // The note was saved or its changes given up: no file is needed. Only the
    // file this run wrote goes, unless the one a past run `leftOver` must;
    // then it has gone when this returns.
    void DropRecovery(bool leftOver = false);
    QString recoveryPath() const;
    // Returns once the recovery file holds what was last asked of it (it is
    // written and removed off the window's thread).
    void SettleRecovery() { m_recovery.settle(); }
    // The text the note's file holds, as far as this copy knows: as last
    // loaded, saved or taken from the store by the refresh.
    const QString& storedText() const { return m_storedText; }
    void setStoredText(const QString& text) {
        m_storedText = text;
        SavedText = text;
    }

    // --- shared-access lock ---
    void AcquireAccess();
    // The access check before loading a whole store (start-up, the switch to
    // network mode): labels that differ from the store are no reason to
    // abandon, so the check is repeated until it holds the lock.
    void AcquireAccessToLoad();
    // The refresh's quick attempts, without the Waiting dialog.
    bool TakeLockQuickly();
    // Tells the user, once per run, when the network folder's file system
    // cannot keep copies on different machines apart.
    void CheckShare();
    std::function<QList<MountEntry>()> mountTable = &MountTable::current;
    // The longest this copy has waited for the lock in this run, and how
    // many half-done operations of other copies it has undone.
    qint64 LongestLockWaitMs = 0;
    int JournalsRecovered = 0;
    // Undoes what a copy that died left half done in the store folder; what
    // stops that (another account's journal) is told.
    void RecoverJournal();
    // Ends an operation on the store: every file is closed, the lock given back.
    void CloseAllFiles();
    // The access check of every store operation: true when it must be
    // abandoned, also when the store changed since the user action began.
    bool AccessCheckAbandons(bool skipWhenHeld);

    // --- an operation belongs to the store it began in ---
    // The first access check of a user action notes the store (mode and
    // folder). A wait for the lock can end in the local store; every later
    // check of that action then abandons it, and no file is changed for it
    // in either store. The action ends once the program is back in the event
    // loop it began in and the window has no press or drag under way.
    struct StorePlace {
        qint16 mode = 0;
        QString folder;
        bool operator==(const StorePlace&) const = default;
    };
    StorePlace storePlace() const { return {S.NetworkMode, StoreFolder}; }
    void beginOperation();
    // Start-up is one action, begun before the program's event loop runs:
    // it ends here, not in that loop.
    void endOperation();
    // The store was changed on purpose (the Local/Network switch): the
    // action goes on in the store it chose.
    void operationFollowsStore();
    bool operationLostStore() const { return m_opPlace && !(*m_opPlace == storePlace()); }
    // Set by the window: a press or a drag of it is under way.
    std::function<bool()> userActionUnderWay;
    int WaitsShown = 0; // Waiting dialogs shown in this run
    bool lockHeld() const { return m_lock.isHeld(); }
    QString lockPath() const { return NetFolder + QStringLiteral("quillo.loc"); }

    // A failed file operation is told to the user, but only once every file
    // is closed and the lock given back (no other copy waits on a message
    // nobody reads): it is queued here and shown by CloseAllFiles, or as
    // soon as the program is idle and not holding the lock. True when the
    // operation succeeded.
    bool report(const FileResult& result);
    void reportMessage(const QString& message);
    // Takes the queued messages, joined, without showing them.
    QString takeMessages();
    // Shows the queued messages in one dialog, unless the lock is held or
    // they are held back (during a drag, until its drop).
    void showMessages();
    bool holdMessages = false;

signals:
    // The program fell back to its local store: whatever was being edited
    // against the network store is dropped, not saved into the local one.
    void revertedToLocalStore();
    // Another note (or the same one afresh) is being put on screen.
    void noteLoaded();

private:
    friend class StoreTransaction;
    // Reads an index into labels, setting only captions that differ.
    // Returns whether any caption changed; a read failure counts as a change.
    bool loadIndexInto(const QString& path, QLabel* const* labels, int count);
    bool saveIndexFrom(const QString& path, QLabel* const* labels, int count);
    bool tryLockOnce(QString* reason = nullptr);
    bool waitForLock();
    bool mayLeaveUnsavedText();
    // A file that could not be read is never overwritten with what the
    // program did not see: these say whether that save may go ahead.
    bool mayOverwriteIndex(const QString& path, QLabel* const* labels, int count);
    bool mayOverwriteNote(const QString& path);
    void tookLock();

    void postFinish();
    bool opBegin();
    bool rememberPrivate(const QString& path);
    // Keeps the text of the note or slot file `path` in the history before
    // the operation replaces it by `replacement` (or removes it, when null).
    bool keepEarlier(const QString& path, History::What what,
                     const QByteArray* replacement = nullptr);
    bool originalName(const QString& indexPath, int count, int index, QString* name);
    void pruneHistory();
    void endHistoryOp();
    int m_keptThisOp = 0;
    bool m_historyProblemTold = false;
    // The history folders this operation has checked, and what the check said.
    std::map<QString, std::pair<History, FileResult>> m_opHistories;
    // Index files as last read, with the stamp of the file read: a name is
    // read again only when the file has changed.
    struct Known {
        QByteArray stamp;
        QByteArray bytes;
    };
    std::map<QString, Known> m_knownIndexes;
    // The note or slot file this copy wrote last, and the stamp it had then:
    // a save over it with other bytes needs no reading back to know them
    // different.
    QString m_writtenPath;
    Known m_written;
    QString m_keptPath; // the note or slot file keepEarlier looked at last

    void endOperationWhenDone(int afterMs = 0);
    std::optional<StorePlace> m_opPlace;
    int m_opLoopLevel = 0;
    bool m_opEndPosted = false;

    StoreLock m_lock;
    StoreJournal m_journal;
    struct PrivateUndo {
        QString path;
        bool existed;
        QByteArray bytes;
    };
    std::vector<PrivateUndo> m_privateUndo; // files outside the journal's folder
    QStringList m_privateRemembered;
    std::vector<std::function<bool()>> m_afterCommit;
    bool m_opFailed = false;
    bool m_finishPosted = false;
    bool m_settingsFailureShown = false;
    bool m_settingsKept = false; // the settings file could not be read: never written over
    bool m_defaultsPending = false; // defaults read at start-up, not yet written
    QString m_journalProblem;    // what stops the store's journal being undone, as told
    bool m_shareChecked = false;
    bool m_recoveryWritten = false;
    RecoveryWriter m_recovery{recoveryPath()};
    QString m_storedText;
    quint64 m_noteLoads = 0; // notes put on screen by LoadNote
    QStringList m_messages;
    bool m_messagesPosted = false;
    QSet<QString> m_unreadable; // files whose last read failed
};

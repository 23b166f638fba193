#include "store/module1.h"

#include "store/uiservices.h"
#include "core/filelayer.h"
#include "store/notetext.h"
#include "core/recoveryfile.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>

#include <cerrno>

Module1::Module1(UiServices& uiServices, const QString& appFolder, QObject* parent)
    : QObject(parent), AppFolder(withSeparator(appFolder)), StoreFolder(AppFolder),
      HelpFile(AppFolder + QStringLiteral("quillo.hlp")), services(uiServices) {}

QString Module1::withSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

void Module1::ReadSettings(bool writeDefaults) {
    const ReadResult r = FileLayer::readAll(settingsPath());
    if (const auto record = SettingsRecord::fromBytes(r.data); r.result && record) {
        S = *record;
        return;
    }
    S = SettingsRecord::defaults(services.availableSizeTwips());
    if (!r.result && r.result.error() != ENOTDIR) {
        // There but unreadable (not this account's, or not a file at all):
        // it may hold the folder and password someone relies on, so it is
        // left alone for this run, and the user is told.
        m_settingsKept = true;
        reportMessage(r.result.message() +
                      QStringLiteral("\nThe program runs with its default settings and leaves "
                                     "that file as it is; changes to the settings last only "
                                     "while it runs."));
        return;
    }
    // A missing file, or one of the wrong length, gives the defaults, written
    // at once; if that fails, WriteSettings tells the user.
    m_defaultsPending = true;
    if (writeDefaults) {
        WriteDefaultSettings();
    }
}

void Module1::WriteDefaultSettings() {
    if (m_defaultsPending) {
        m_defaultsPending = false;
        WriteSettings();
    }
}

void Module1::WriteSettings() {
    if (m_settingsKept) {
        return;
    }
    // The record holds the change password in plain text: owner only.
    const FileResult r = FileLayer::writeAtomic(settingsPath(), S.toBytes(), 0600);
    if (!r && !m_settingsFailureShown) {
        // Told once: the settings stay in memory and every later change
        // tries the file again.
        m_settingsFailureShown = true;
        reportMessage(r.message() + QStringLiteral("\nYour settings are kept while the program "
                                                   "runs but may not be there next time."));
    } else if (r) {
        m_settingsFailureShown = false;
    }
}

QString Module1::itemIndexPath(int group) const {
    return StoreFolder + QStringLiteral("items%1.dir").arg(group);
}

QString Module1::notePath(int group, int item) const {
    return StoreFolder + QStringLiteral("quil%1.%2").arg(group).arg(item);
}

QString Module1::transferNotePath(int slot) const {
    return AppFolder + QStringLiteral("trans.%1").arg(slot);
}

QPlainTextEdit* Module1::noteBox() const {
    return controls.Txt.at(S.WordWrap != 0 ? 1 : 0);
}

QString Module1::noteText() const {
    return NoteText::get(noteBox());
}

void Module1::focusNote() const {
    QPlainTextEdit* box = noteBox();
    if (box && box->isVisible()) {
        box->setFocus(Qt::OtherFocusReason);
    }
}

QString Module1::recoveryPath() const {
    return AppFolder + QLatin1String(RecoveryNote::FileName);
}

bool Module1::KeepRecovery() {
    if (m_lock.isHeld() || m_journal.active()) {
        return false; // not inside an operation on the store: later
    }
    const QString text = noteText();
    if (text == SavedText || text == m_storedText) {
        DropRecovery();
        return true;
    }
    RecoveryNote note;
    note.storeFolder = StoreFolder;
    note.group = S.CurrentGroup;
    note.item = S.currentItem();
    note.wordWrap = S.WordWrap;
    note.base = m_storedText;
    note.text = text;
    m_recoveryWritten = true; // a failed write may leave an older file to remove
    m_recovery.write(std::move(note));
    return true;
}

void Module1::DropRecovery(bool leftOver) {
    if (m_recoveryWritten || (leftOver && QFileInfo::exists(recoveryPath()))) {
        m_recovery.remove();
        m_recoveryWritten = false;
    }
    if (leftOver) {
        // Quitting, or an answer about a past run's text: the file is gone
        // before anything goes on.
        m_recovery.settle();
    }
}

void Module1::RecoverJournal() {
    FileResult problem;
    JournalsRecovered += StoreJournal::recover(StoreFolder, &problem) ? 1 : 0;
    // Told once, not at every refresh; each save it stops says so itself.
    const QString told = problem ? QString() : problem.message();
    if (told != m_journalProblem) {
        m_journalProblem = told;
    } else {
        return;
    }
    if (!problem) {
        reportMessage(QStringLiteral("A change left half done in \"%1\" by another copy or "
                                     "another account could not be undone, and nothing can be "
                                     "saved there until it is: %2 Ask whoever owns that file "
                                     "to remove it.")
                          .arg(StoreFolder.chopped(1), problem.message()));
    }
}

bool Module1::report(const FileResult& result) {
    if (!result) {
        reportMessage(result.message());
    }
    return result.ok();
}

void Module1::reportMessage(const QString& message) {
    // One failure is told once, however many steps ran into it.
    if (!m_messages.contains(message)) {
        m_messages.append(message);
    }
    if (!m_messagesPosted) {
        // A path that never closes its files still gets its messages shown.
        m_messagesPosted = true;
        QTimer::singleShot(0, this, [this] {
            m_messagesPosted = false;
            showMessages();
        });
    }
}

QString Module1::takeMessages() {
    const QString joined = m_messages.join(QStringLiteral("\n\n"));
    m_messages.clear();
    return joined;
}

void Module1::showMessages() {
    if (m_messages.isEmpty() || m_lock.isHeld() || holdMessages) {
        return;
    }
    services.showError(controls.window, takeMessages());
}

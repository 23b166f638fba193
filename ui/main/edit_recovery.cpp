// Typed text that a crash or a power cut kept from its note: written to the
// recovery file while typing goes on, and offered back at the next start.

#include "store/uiservices.h"
#include "core/filelayer.h"
#include "store/module1.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "store/notetext.h"
#include "core/recoveryfile.h"
#include "core/textfile.h"
#include "ui/main/edit.h"
#include "ui/main/notebox.h"

#include <QDir>
#include <QTimer>

namespace {

// Often enough to lose at most a moment's typing, seldom enough that the
// write never slows the typing itself.
constexpr int kRecoveryDelayMs = 1500;

const QString kSaveAs = QStringLiteral("Save as Text File...");
const QString kDiscard = QStringLiteral("Discard It");

// What start-up found of the note the text belongs to.
struct Found {
    bool sameStore = false;    // among the notes now on screen
    bool changedSince = false; // its file no longer holds what the changes began from
    QString name;
};

QString recoveryQuestion(const RecoveryNote& r, const Found& f) {
    const QString place = QStringLiteral("item %1 in group %2").arg(r.item + 1).arg(r.group + 1);
    const QString lost =
        QStringLiteral("When Quillo Pad last ended, %1 had changes that were not saved.")
            .arg(f.name.isEmpty() ? QStringLiteral("the note of ") + place
                                  : QStringLiteral("the note \"%1\" (%2)").arg(f.name, place));
    if (!f.sameStore) {
        return lost + QStringLiteral(" That note is among the notes kept in %1, not among those "
                                     "now on screen, so the text can only be saved as a text "
                                     "file.")
                          .arg(QDir::toNativeSeparators(r.storeFolder));
    }
    if (f.changedSince) {
        return lost + QStringLiteral(" That note has been changed since, so restoring the text "
                                     "would put it in place of the note as it is now. You can "
                                     "save it as a text file to compare the two first.");
    }
    return lost + QStringLiteral(" You can put that text back into its note, where you can "
                                 "look it over and keep it, or save it as a text file.");
}

} // namespace

void edit::keepRecoveryWhileTyping() {
    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setSingleShot(true);
    m_recoveryTimer->setInterval(kRecoveryDelayMs);
    connect(m_recoveryTimer, &QTimer::timeout, this, [this] {
        if (!m.KeepRecovery()) {
            m_recoveryTimer->start();
        }
    });
    for (NoteBox* box : Txt) {
        // Started by the first change and not restarted by later ones, so
        // that steady typing is kept too, not only the pause after it.
        connect(box, &QPlainTextEdit::textChanged, this, [this] {
            if (!m_recoveryTimer->isActive()) {
                m_recoveryTimer->start();
            }
        });
    }
}

std::optional<FileResult> edit::saveAsTextFile(const QString& text) {
    const QString path =
        m.services.saveFileName(this, QStringLiteral("Save as Text File"), QDir::homePath(),
                                QStringLiteral("Text Files (*.txt);;All Files (*)"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return FileLayer::writeAtomic(path, TextFile::encode(text));
}

void edit::OfferRecovery() {
    const ReadResult read = FileLayer::readAll(m.recoveryPath());
    const std::optional<RecoveryNote> r =
        read.exists ? RecoveryNote::decode(read.data) : std::nullopt;
    if (!r) {
        return;
    }
    Found found;
    if (r->storeFolder == m.StoreFolder) {
        const ReadResult stored = FileLayer::readAll(m.notePath(r->group, r->item));
        const QString now = NoteFile::decode(stored.data).text;
        if (stored.result && now == r->text) {
            // The note holds that text already: nothing to offer.
            m.DropRecovery(true);
            return;
        }
        found.changedSince = !stored.result || now != r->base;
        found.name =
            NameIndex::decode(FileLayer::readAll(m.itemIndexPath(r->group)).data, 62).at(r->item);
    }
    const QString restore = QStringLiteral("Restore It");
    for (;;) {
        // Asked afresh each time: a restore whose wait was cancelled may
        // have left the notes of another folder on screen.
        found.sameStore = r->storeFolder == m.StoreFolder;
        // The last answer is what Enter and Escape give: nothing is lost by
        // it (restored text can still be given up, a file dialog cancelled).
        const QStringList answers = !found.sameStore     ? QStringList{kDiscard, kSaveAs}
                                    : found.changedSince ? QStringList{kDiscard, restore, kSaveAs}
                                                         : QStringList{kSaveAs, kDiscard, restore};
        const int answer = m.services.ask(this, recoveryQuestion(*r, found), answers);
        const QString chosen = answer < 0 ? QString() : answers.at(answer);
        if (chosen == kDiscard) {
            m.DropRecovery(true);
            return;
        }
        if (chosen == kSaveAs) {
            const std::optional<FileResult> written = saveAsTextFile(r->text);
            if (written && *written) {
                m.DropRecovery(true);
                return;
            }
            if (written) {
                m.services.showError(this, written->message());
            }
            continue;
        }
        // Closed without an answer: the file waits for the next start.
        if (answer < 0) {
            return;
        }
        if (found.sameStore && restoreRecovered(*r)) {
            return;
        }
    }
}

bool edit::restoreRecovered(const RecoveryNote& r) {
    // A check abandoned because another copy changed names tries once more.
    if (m.AccessCheckAbandons(false) &&
        (r.storeFolder != m.StoreFolder || m.AccessCheckAbandons(false))) {
        return false;
    }
    const bool otherGroup = r.group != m.S.CurrentGroup;
    m.S.CurrentGroup = static_cast<qint16>(r.group);
    m.S.CurrentItem.at(static_cast<size_t>(r.group)) = static_cast<qint16>(r.item);
    if (otherGroup) {
        m.LoadItemIndex();
    }
    m.LoadNote();
    m.HighlightedGroup = m.S.CurrentGroup;
    m.HighlightedItem = m.S.currentItem();
    paintSelection();
    m.WriteSettings();
    m.CloseAllFiles();
    m.S.WordWrap = r.wordWrap == 0 ? 0 : 1;
    m.showNoteBox();
    // Unsaved on screen, as it was: the next click or Unload saves it.
    NoteText::set(Txt[0], r.text);
    NoteText::set(Txt[1], r.text);
    m.KeepRecovery();
    m.focusNote();
    return true;
}

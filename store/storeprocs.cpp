// The store procedures: they copy names and notes between the store's files
// and the main window's controls.

#include "store/module1.h"

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "store/notetext.h"
#include "store/vbcolor.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

#include <cerrno>

#include <unistd.h>

void Module1::showNoteBox() const {
    const bool wrapped = S.WordWrap != 0;
    QPlainTextEdit* shown = controls.Txt[wrapped ? 1 : 0];
    QPlainTextEdit* hidden = controls.Txt[wrapped ? 0 : 1];
    const bool hadFocus = hidden->hasFocus();
    controls.Wordwrapcheck->setChecked(wrapped);
    shown->setVisible(true);
    hidden->setVisible(false);
    // The keyboard stays in the note when its other box takes its place.
    if (hadFocus) {
        shown->setFocus(Qt::OtherFocusReason);
    }
}

// A sticky folder keeps another account's empty file: it means no note and
// no names all the same, so only other failures are told.
void Module1::tidyEmpty(const QString& path) {
    const FileResult r = FileLayer::remove(path);
    if (r.error() != EPERM && r.error() != EACCES) {
        report(r);
    }
}

bool Module1::loadIndexInto(const QString& path, QLabel* const* labels, int count) {
    const ReadResult r = FileLayer::readAll(path);
    if (!r.result) {
        // Names that cannot be read show empty (never another group's), and
        // nothing is saved over this file until it has been read again.
        m_unreadable.insert(path);
        report(r.result);
        for (int k = 0; k < count; ++k) {
            labels[k]->setText(QString());
        }
        return true;
    }
    m_unreadable.remove(path);
    if (r.exists && r.data.isEmpty()) {
        // An empty file means the same as a missing one and is not kept.
        tidyEmpty(path);
    }
    const QStringList names = NameIndex::decode(r.data, count);
    bool changed = false;
    for (int k = 0; k < count; ++k) {
        if (labels[k]->text() != names.at(k)) {
            labels[k]->setText(names.at(k));
            changed = true;
        }
    }
    return changed;
}

bool Module1::mayOverwriteIndex(const QString& path, QLabel* const* labels, int count) {
    if (!m_unreadable.contains(path)) {
        return true;
    }
    // Saving now would put blank or stale names over names nobody has seen.
    // Read it again instead, so that the screen shows what it holds.
    m_opFailed = true;
    loadIndexInto(path, labels, count);
    reportMessage(
        QStringLiteral("The names in \"%1\" could not be read before, so they were not "
                       "overwritten. %2")
            .arg(path, m_unreadable.contains(path)
                           ? QStringLiteral("The file still cannot be read; your change is "
                                            "not saved.")
                           : QStringLiteral("They have now been read again: please repeat your "
                                            "change.")));
    return false;
}

// Every field is cut to 40 characters; only group captions can be longer.
bool Module1::saveIndexFrom(const QString& path, QLabel* const* labels, int count) {
    if (!mayOverwriteIndex(path, labels, count)) {
        return false;
    }
    QStringList names;
    for (int k = 0; k < count; ++k) {
        names.append(labels[k]->text());
    }
    return opWrite(path, NameIndex::encode(names));
}

void Module1::LoadGroupIndex() {
    loadIndexInto(groupIndexPath(), controls.Group.data(), 31);
}

void Module1::savegroups() {
    saveIndexFrom(groupIndexPath(), controls.Group.data(), 31);
}

void Module1::LoadItemIndex() {
    loadIndexInto(itemIndexPath(S.CurrentGroup), controls.Item.data(), 62);
}

void Module1::SaveItemIndex() {
    saveIndexFrom(itemIndexPath(S.CurrentGroup), controls.Item.data(), 62);
}

void Module1::LoadTransferIndex() {
    loadIndexInto(transferIndexPath(), controls.Trans.data(), 12);
}

void Module1::SaveTransferIndex() {
    saveIndexFrom(transferIndexPath(), controls.Trans.data(), 12);
}

void Module1::LoadNote() {
    ++m_noteLoads;
    emit noteLoaded();
    const QString path = currentNotePath();
    const ReadResult r = FileLayer::readAll(path);
    if (r.result) {
        m_unreadable.remove(path);
    }
    if (!r.result || r.data.isEmpty()) {
        // A note that was never written, or one that cannot be read, shows
        // empty; the failure is reported, the file left as it is and not
        // saved over until it has been read.
        if (!r.result) {
            m_unreadable.insert(path);
            report(r.result);
        } else if (r.exists) {
            tidyEmpty(path);
        }
        NoteText::set(controls.Txt[0], QString());
        NoteText::set(controls.Txt[1], QString());
        SavedText.clear();
        m_storedText.clear();
        DropRecovery();
        return;
    }
    const NoteFile::Content note = NoteFile::decode(r.data);
    NoteText::set(controls.Txt[0], note.text);
    NoteText::set(controls.Txt[1], note.text);
    SavedText = NoteText::get(controls.Txt[0]);
    m_storedText = SavedText;
    DropRecovery();
    if (note.wordWrap) {
        S.WordWrap = *note.wordWrap == 1 ? 1 : 0;
        showNoteBox();
    }
}

bool Module1::mayOverwriteNote(const QString& path) {
    if (S.NetworkMode == 1 && path == currentNotePath()) {
        // Under the lock: another copy may have saved this note, or moved its
        // item away and put a note of its own here, since this copy loaded
        // or stored it. That note is not written over; the refresh keeps
        // this copy's text as a note of its own and shows the other one.
        const ReadResult r = FileLayer::readAll(path);
        if (r.result && !r.data.isEmpty() && NoteFile::decode(r.data).text != m_storedText) {
            m_opFailed = true;
            return false;
        }
    }
    if (!m_unreadable.contains(path)) {
        return true;
    }
    // A note that now reads as empty or missing has nothing to lose.
    const ReadResult r = FileLayer::readAll(path);
    if (r.result && r.data.isEmpty()) {
        m_unreadable.remove(path);
        return true;
    }
    m_opFailed = true;
    reportMessage(QStringLiteral("The note \"%1\" could not be read when it was opened, so it is "
                                 "not overwritten: it may hold text you have not seen. Your "
                                 "typed text is still on screen; copy it elsewhere, then clear "
                                 "it to show the stored note.")
                      .arg(path));
    return false;
}

void Module1::SaveNote() {
    const QString text = noteText();
    if (mayOverwriteNote(currentNotePath())) {
        opWrite(currentNotePath(), NoteFile::encode(text, S.WordWrap));
    }
    QLabel* item = controls.Item.at(static_cast<size_t>(HighlightedItem));
    if (!m_opFailed && item->text().isEmpty()) {
        // Named after the text as the file holds it (line breaks as CR LF):
        // leading blanks, tabs and line breaks go, then at most 40
        // characters, a line break among them kept.
        QString saved = text;
        saved.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        qsizetype start = 0;
        while (start < saved.size() && saved.at(start).unicode() <= 32) {
            ++start;
        }
        // Blanks at the end of the cut do not reach the index either.
        item->setText(NameIndex::trimmed(saved.mid(start, NameIndex::FieldSize)));
        SaveItemIndex();
    }
    QLabel* group = controls.Group.at(static_cast<size_t>(HighlightedGroup));
    if (!m_opFailed && group->text().isEmpty()) {
        group->setText(QStringLiteral("Untitled"));
        savegroups();
    }
    // All or nothing: the text stays on screen and still counts as unsaved.
    SaveFailed = m_opFailed;
    if (SaveFailed) {
        RollBackOperation(false);
    } else {
        // Only a save that stands lets the recovery file go, and only while
        // the saved note is still the one shown: the stored text is then
        // the text on screen, and the refresh finds nothing new in it.
        opAfterCommit([this, text, loads = m_noteLoads] {
            if (loads == m_noteLoads) {
                m_storedText = text;
                SavedText = text;
            }
            DropRecovery();
            return true;
        });
    }
    focusNote();
}

void Module1::EnterStoreFolder() {
    // The folder must exist and be enterable. A blank folder setting names no
    // network store at all, so it counts as unreachable too.
    const QString folder = NetFolder.size() > 1 ? NetFolder.chopped(1) : NetFolder;
    const bool reachable = !NameIndex::trimmed(S.NetworkFolder).isEmpty() &&
                           FileLayer::isFolder(folder) &&
                           ::access(QFile::encodeName(folder).constData(), X_OK) == 0;
    if (!reachable) {
        RevertToLocalStore();
    }
}

void Module1::RevertToLocalStore() {
    emit revertedToLocalStore();
    // No refresh tick may read the local store while holding the network lock.
    if (controls.refreshtimer) {
        controls.refreshtimer->stop();
    }
    StoreFolder = AppFolder;
    S.NetworkMode = 0;
    if (controls.NetOption[0]) {
        controls.NetOption[0]->setChecked(true);
    }
    S.CurrentGroup = 0;
    S.CurrentItem.fill(0);
    // Unsaved text of the network note stays in the recovery file: the
    // clipboard it was also put on ends with the program.
    m_recoveryWritten = false;
    VbColor::paint(controls.Item.at(static_cast<size_t>(HighlightedItem)), S.ItemColor);
    VbColor::paint(controls.Item[0], VbColor::Highlight);
    VbColor::paint(controls.Group.at(static_cast<size_t>(HighlightedGroup)), S.GroupColor);
    VbColor::paint(controls.Group[0], VbColor::Highlight);
    HighlightedItem = 0;
    HighlightedGroup = 0;
    WriteSettings();
    LoadGroupIndex();
    LoadItemIndex();
    LoadNote();
}

bool Module1::BlankItemField(int group, int item) {
    return WriteItemField(group, item, QString());
}

bool Module1::WriteItemField(int group, int item, const QString& name) {
    // The index is rewritten whole with this one field changed, so the file
    // is never torn and another user account's file can be replaced too.
    const QString path = itemIndexPath(group);
    const ReadResult r = FileLayer::readAll(path);
    if (!opStep(r.result)) {
        return false;
    }
    if (!r.exists && name.isEmpty()) {
        // The name to blank was there when the operation began: an index
        // gone since is no index of blanks to write.
        return opStep(FileResult::failure(QStringLiteral("read"), path, ENOENT));
    }
    QByteArray bytes = r.data;
    const qsizetype at = qsizetype(item) * NameIndex::FieldSize;
    // A short index is filled with blanks up to the field, never with zeros.
    if (bytes.size() < at + NameIndex::FieldSize) {
        bytes.append(at + NameIndex::FieldSize - bytes.size(), ' ');
    }
    bytes.replace(at, NameIndex::FieldSize, NameIndex::field(name));
    return opWrite(path, bytes);
}

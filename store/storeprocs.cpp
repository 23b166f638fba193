// The store procedures: they copy names and notes between the store's files
// and the main window's controls.

#include "store/module1.h"

#include "store/filelayer.h"
#include "store/nameindex.h"
#include "store/notefile.h"
#include "store/notetext.h"
#include "store/vbcolor.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

#include <unistd.h>

void Module1::showNoteBox() const {
    const bool wrapped = S.WordWrap != 0;
    controls.Wordwrapcheck->setChecked(wrapped);
    controls.Txt[1]->setVisible(wrapped);
    controls.Txt[0]->setVisible(!wrapped);
}

bool Module1::loadIndexInto(const QString& path, QLabel* const* labels, int count) {
    const ReadResult r = FileLayer::readAll(path);
    bool changed = !r.result.ok();
    if (!r.result) {
        report(r.result);
    } else if (r.exists && r.data.isEmpty()) {
        // An empty file means the same as a missing one and is not kept.
        report(FileLayer::remove(path));
    }
    const QStringList names = NameIndex::decode(r.data, count);
    for (int k = 0; k < count; ++k) {
        if (labels[k]->text() != names.at(k)) {
            labels[k]->setText(names.at(k));
            changed = true;
        }
    }
    return changed;
}

// Every field is cut to 40 characters; only group captions can be longer.
bool Module1::saveIndexFrom(const QString& path, QLabel* const* labels, int count) {
    QStringList names;
    for (int k = 0; k < count; ++k) {
        names.append(labels[k]->text());
    }
    return report(FileLayer::writeAtomic(path, NameIndex::encode(names)));
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
    const QString path = currentNotePath();
    const ReadResult r = FileLayer::readAll(path);
    if (!r.result || r.data.isEmpty()) {
        // A note that was never written, or one that cannot be read, shows
        // empty; the failure is reported, the file left as it is.
        if (!r.result) {
            report(r.result);
        } else if (r.exists) {
            report(FileLayer::remove(path));
        }
        NoteText::set(controls.Txt[0], QString());
        NoteText::set(controls.Txt[1], QString());
        SavedText.clear();
        return;
    }
    const NoteFile::Content note = NoteFile::decode(r.data);
    NoteText::set(controls.Txt[0], note.text);
    NoteText::set(controls.Txt[1], note.text);
    SavedText = NoteText::get(controls.Txt[0]);
    if (note.wordWrap) {
        S.WordWrap = *note.wordWrap == 1 ? 1 : 0;
        showNoteBox();
    }
}

void Module1::SaveNote() {
    const QString text = noteText();
    SaveFailed =
        !report(FileLayer::writeAtomic(currentNotePath(), NoteFile::encode(text, S.WordWrap)));
    if (SaveFailed) {
        // The text stays on screen and still counts as unsaved.
        focusNote();
        return;
    }
    QLabel* item = controls.Item.at(static_cast<size_t>(HighlightedItem));
    if (item->text().isEmpty()) {
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
    if (group->text().isEmpty()) {
        group->setText(QStringLiteral("Untitled"));
        savegroups();
    }
    focusNote();
}

void Module1::EnterStoreFolder() {
    // The folder must exist and be enterable. A blank folder setting names no
    // network store at all, so it counts as unreachable too.
    const QString folder = NetFolder.chopped(1);
    const bool reachable = !folder.isEmpty() && FileLayer::isFolder(folder) &&
                           ::access(QFile::encodeName(folder).constData(), X_OK) == 0;
    if (!reachable) {
        RevertToLocalStore();
    }
}

void Module1::RevertToLocalStore() {
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

bool Module1::DeleteStoreFile(const QString& path) {
    return report(FileLayer::remove(path));
}

bool Module1::CarryFile(const QString& from, const QString& to, bool byCopy) {
    if (!DeleteStoreFile(to)) {
        return false;
    }
    FileResult sizeResult;
    const qint64 length = FileLayer::size(from, &sizeResult);
    if (!report(sizeResult)) {
        return false;
    }
    if (length <= 0) {
        return DeleteStoreFile(from);
    }
    return report(byCopy ? FileLayer::copy(from, to) : FileLayer::rename(from, to));
}

bool Module1::BlankItemField(int group, int item) {
    const QString path = itemIndexPath(group);
    FileResult sizeResult;
    const qint64 length = FileLayer::size(path, &sizeResult);
    if (!report(sizeResult)) {
        return false;
    }
    // A short index is filled with blanks up to the field, never with zeros.
    const qint64 at = qint64(item) * NameIndex::FieldSize;
    const qint64 from = qMin(qMax<qint64>(length, 0), at);
    return report(
        FileLayer::writeAt(path, from, QByteArray(int(at - from) + NameIndex::FieldSize, ' ')));
}

// Earlier Texts: a text kept when a note was saved over, moved away or
// erased (by this copy or another sharing the store) is found in a list and
// put back into a free place, never over a note.

#include "core/filelayer.h"
#include "core/history.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "store/module1.h"
#include "store/notetext.h"
#include "store/storetransaction.h"
#include "store/uiservices.h"
#include "ui/dialogs/earliertexts.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>

namespace {

QString whatWords(History::What what) {
    switch (what) {
    case History::What::SavedOver:
        return QStringLiteral("saved over");
    case History::What::MovedAway:
        return QStringLiteral("moved away");
    case History::What::Erased:
        return QStringLiteral("erased");
    case History::What::Restored:
        return QStringLiteral("restored");
    }
    return {};
}

// A name on one line, as the buttons show it.
QString oneLine(QString name) {
    name.replace(QStringLiteral("\r\n"), QStringLiteral("\u00b6"));
    name.replace(QLatin1Char('\r'), QChar(0x00b6));
    name.replace(QLatin1Char('\n'), QChar(0x00b6));
    return name;
}

EarlierTexts::Row rowOf(const edit::KeptText& k) {
    const History::Entry& e = k.entry;
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(e.timeMs).toLocalTime();
    EarlierTexts::Row r;
    r.when = QLocale().toString(at.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
             at.time().toString(QStringLiteral("HH:mm:ss"));
    r.account = e.account.isEmpty() ? QStringLiteral("unknown") : e.account;
    if (e.group < 0) {
        r.group = QStringLiteral("Transfer slots");
        r.item = e.itemName.isEmpty() ? QStringLiteral("Transfer slot %1").arg(e.item + 1)
                                      : oneLine(e.itemName);
    } else {
        r.group = e.groupName.isEmpty() ? QStringLiteral("Group %1").arg(e.group + 1)
                                        : oneLine(e.groupName);
        r.item = e.itemName.isEmpty() ? QStringLiteral("Item %1").arg(e.item + 1)
                                      : oneLine(e.itemName);
    }
    r.what = whatWords(e.what);
    r.here = k.here;
    return r;
}

// The name a save gives an unnamed item: its text as the file holds it,
// leading blanks and line breaks gone, at most 40 characters.
QString nameAfterText(const QByteArray& note) {
    QString text = NoteFile::decode(note).text;
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    qsizetype start = 0;
    while (start < text.size() && text.at(start).unicode() <= 32) {
        ++start;
    }
    return NameIndex::trimmed(text.mid(start, NameIndex::FieldSize));
}

// No name, and no note file with anything in it.
bool noFile(const QString& path) {
    FileResult r;
    return FileLayer::size(path, &r) <= 0 && r.ok();
}

} // namespace

// The texts kept in the store (and, with the store elsewhere, those of
// this copy's own transfer slots), newest first; those of the note on
// screen first of all.
QList<edit::KeptText> edit::keptTexts() const {
    QList<KeptText> all;
    for (const History::Entry& e : History(m.StoreFolder).entries()) {
        all.append({e, m.StoreFolder, false});
    }
    if (m.AppFolder != m.StoreFolder) {
        for (const History::Entry& e : History(m.AppFolder).entries()) {
            if (e.group < 0) {
                all.append({e, m.AppFolder, false});
            }
        }
    }
    std::stable_sort(all.begin(), all.end(), [](const KeptText& a, const KeptText& b) {
        return a.entry.id > b.entry.id;
    });
    for (KeptText& k : all) {
        k.here = k.folder == m.StoreFolder && k.entry.group == m.S.CurrentGroup &&
                 k.entry.item == m.S.currentItem();
    }
    std::stable_partition(all.begin(), all.end(), [](const KeptText& k) { return k.here; });
    return all;
}

void edit::FearlierTexts_Click() {
    if (m_dragSource) {
        return;
    }
    // A name being edited is taken first, as when the user turns away from it.
    if (EditMode != 0) {
        m.focusNote();
    }
    if (EditMode != 0 || m.AccessCheckAbandons(false)) {
        return;
    }
    const QList<KeptText> kept = keptTexts();
    // Nobody waits on a dialog while this copy holds the lock.
    m.CloseAllFiles();
    QList<EarlierTexts::Row> rows;
    for (const KeptText& k : kept) {
        rows.append(rowOf(k));
    }
    EarlierTexts dialog(rows, [&kept](int row) {
        const KeptText& k = kept.at(row);
        const ReadResult r = History(k.folder).text(k.entry);
        if (!r.result) {
            return EarlierTexts::Preview{
                false, QStringLiteral("This text can no longer be read: %1").arg(r.result.message())};
        }
        return EarlierTexts::Preview{true, NoteFile::decode(r.data).text};
    }, this);
    m.services.execModal(dialog);
    if (dialog.chosen() < 0) {
        m.focusNote();
        return;
    }
    restoreKept(kept.at(dialog.chosen()));
}

// Where a restored text goes: the place of the note on screen if it is
// free, else the first free item of the group on screen, else the first
// free transfer slot; only places the window shows. -1 when none is free.
edit::RestorePlace edit::freePlaceForRestore() const {
    const int g = m.S.CurrentGroup;
    const auto itemFree = [&](int i) {
        const ButtonLabel* b = Item.at(size_t(i));
        return b->text().isEmpty() && b->isVisibleTo(this) && noFile(m.notePath(g, i));
    };
    if (itemFree(m.S.currentItem())) {
        return {false, m.S.currentItem()};
    }
    for (int i = 0; i < 62; ++i) {
        if (itemFree(i)) {
            return {false, i};
        }
    }
    for (int k = 0; k < 12; ++k) {
        const ButtonLabel* b = Trans.at(size_t(k));
        if (b->text().isEmpty() && b->isVisibleTo(this) && noFile(m.transferNotePath(k))) {
            return {true, k};
        }
    }
    return {false, -1};
}

void edit::restoreKept(const KeptText& k) {
    // A changed note is saved first, and stands on its own whatever comes
    // of the restore.
    if (m_dragSource || !readyToMoveAway()) {
        return;
    }
    m.FinishOperation();
    const ReadResult kept = History(k.folder).text(k.entry);
    if (!m.report(kept.result)) {
        m.CloseAllFiles();
        return;
    }
    const RestorePlace to = freePlaceForRestore();
    if (to.index < 0) {
        m.reportMessage(QStringLiteral(
            "There is no room to put this text back: the note on screen is not empty, the "
            "group on screen has no free item the window shows, and no transfer slot is free. "
            "Nothing has been changed. Free an item or a slot, then choose Restore again."));
        m.CloseAllFiles();
        return;
    }
    const QString name = k.entry.itemName.isEmpty() ? nameAfterText(kept.data) : k.entry.itemName;
    const int g = m.S.CurrentGroup;
    setCursor(Qt::WaitCursor);
    StoreTransaction t(m);
    const QString path = to.slot ? m.transferNotePath(to.index) : m.notePath(g, to.index);
    t.write(path, kept.data);
    if (to.slot) {
        Trans.at(size_t(to.index))->setText(name);
        t.saveTransfers();
    } else {
        Item.at(size_t(to.index))->setText(name);
        t.saveItems();
        if (NameIndex::trimmed(Group.at(size_t(g))->text()).isEmpty()) {
            Group.at(size_t(g))->setText(k.entry.group >= 0 && !k.entry.groupName.isEmpty()
                                             ? k.entry.groupName
                                             : QStringLiteral("Untitled"));
            t.saveGroups();
        }
    }
    if (!t.ok()) {
        abandonDrop(t);
        return;
    }
    keepRestored(path, to, name);
    // What came back is shown as a drop shows its target; a slot's shows
    // in its caption, the note on screen staying where it was.
    selectAfterDrop(false, to.slot ? m.S.currentItem() : to.index);
    unsetCursor();
}

// The restore is itself a change, kept in the history as "restored" once
// it stands: who put which text back where. It replaced nothing, so a
// restore that cannot be noted there has still lost nothing.
void edit::keepRestored(const QString& path, RestorePlace to, const QString& name) {
    if (!History::enabled()) {
        return;
    }
    History::Entry meta;
    meta.account = History::account();
    meta.what = History::What::Restored;
    meta.group = to.slot ? -1 : m.S.CurrentGroup;
    meta.item = to.index;
    meta.groupName = to.slot ? QString() : Group.at(size_t(m.S.CurrentGroup))->text();
    meta.itemName = name;
    const QString folder = to.slot ? m.AppFolder : m.StoreFolder;
    m.opAfterCommit([this, path, meta, folder] {
        const FileResult kept = History(folder).keep(path, meta);
        if (!kept) {
            m.reportMessage(kept.message() + QStringLiteral("\nThe text has been put back, but "
                                                            "Earlier Texts does not list it."));
        }
        return true;
    });
}

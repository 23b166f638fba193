// The switch between the local store and the network store, and the
// periodic refresh that shows what other copies changed.

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "store/module1.h"
#include "store/notetext.h"
#include "store/storetransaction.h"
#include "store/uiservices.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/notebox.h"

#include <QApplication>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <array>

// The user released the mouse over `NetOption(k)`, or chose it from the
// keyboard. A change of the option made by the program never comes here.
void edit::NetOption_MouseUp(int k) {
    const auto done = [this] {
        NetOption.at(m.S.NetworkMode == 1 ? 1 : 0)->setChecked(true);
        m.focusNote();
    };
    if (m.noteChanged()) {
        if (m.AccessCheckAbandons(false)) {
            done();
            return;
        }
        m.SaveNote();
        if (m.SaveFailed) {
            // The edit stays on screen and the mode as it is.
            m.CloseAllFiles();
            done();
            return;
        }
    }
    m.CloseAllFiles();
    if (NameIndex::trimmed(m.S.NetworkFolder).isEmpty()) {
        if (m.S.NetworkMode == 1) {
            // Never leave the network store's names on screen over the
            // local store: go back to it in full.
            switchStore(0);
        } else {
            m.S.NetworkMode = 0;
            m.WriteSettings();
            m.StoreFolder = m.AppFolder;
            m.operationFollowsStore();
            done();
        }
        if (k == 1) {
            // Not a silent refusal: the user learns why, and where to fix it.
            m.services.showError(
                this, QStringLiteral("No network folder is set, so Quillo Pad stays with your "
                                     "local notes.\n\nTo choose one, click Options and then "
                                     "\"Set Network Folder\"."));
            m.focusNote();
        }
        return;
    }
    if (k == m.S.NetworkMode) {
        done();
        return;
    }
    switchStore(k);
}

void edit::switchStore(int k) {
    m.S.NetworkMode = static_cast<qint16>(k);
    if (k == 1) {
        // A folder chosen while in network mode is entered here.
        m.NetFolder = Module1::withSeparator(NameIndex::trimmed(m.S.NetworkFolder));
        m.EnterStoreFolder();
    }
    m.StoreFolder = m.S.NetworkMode == 1 ? m.NetFolder : m.AppFolder;
    m.S.CurrentGroup = 0;
    m.S.CurrentItem.fill(0);
    m.WriteSettings();
    refreshtimer->stop();
    if (m.S.NetworkMode == 1) {
        m.AcquireAccessToLoad();
        if (m.S.NetworkMode == 0) {
            m.operationFollowsStore();
            m.focusNote();
            return;
        }
        refreshtimer->start();
    }
    m.LoadGroupIndex();
    m.LoadItemIndex();
    m.LoadNote();
    m.CloseAllFiles();
    m.HighlightedGroup = m.S.CurrentGroup;
    m.HighlightedItem = m.S.currentItem();
    paintSelection();
    NetOption.at(m.S.NetworkMode == 1 ? 1 : 0)->setChecked(true);
    m.operationFollowsStore();
    m.focusNote();
    m.CheckShare();
}

// A tick never runs inside another operation on the store (a wait for the
// lock, a drop, a dialog, a name being edited, a press under way) and never
// waits itself: it is skipped, and the next tick tries again.
bool edit::refreshMayRun() const {
    return m.S.NetworkMode == 1 && !m.lockHeld() && EditMode == 0 && DragArmed == 0 &&
           !m_dragSource && !QApplication::activeModalWidget() &&
           !QApplication::activePopupWidget();
}

void edit::refreshit() {
    if (!refreshMayRun() || !m.TakeLockQuickly()) {
        return;
    }
    m.LoadGroupIndex();
    m.LoadItemIndex();
    const QString path = m.currentNotePath();
    const ReadResult r = FileLayer::readAll(path);
    if (!m.report(r.result)) {
        // What cannot be read changes nothing on screen.
    } else if (r.data.isEmpty()) {
        if (r.exists) {
            m.tidyEmpty(path);
        }
        if (!m.storedText().isEmpty()) {
            takeStoredNote(QString(), std::nullopt);
        }
    } else {
        // Compared with what this copy last stored or loaded: its own save
        // is no news, whatever was loaded before it.
        const NoteFile::Content stored = NoteFile::decode(r.data);
        if (stored.text != m.storedText()) {
            takeStoredNote(stored.text, stored.wordWrap);
        }
    }
    m.CloseAllFiles();
}

// Another copy saved this note: its text is shown. If this copy holds an
// unsaved edit of it, that edit is kept as a note of its own first.
void edit::takeStoredNote(const QString& text, std::optional<qint16> wordWrap) {
    // The text on screen is no longer the one opened or saved as a text file.
    TextFileName.clear();
    const QString mine = m.noteText();
    if (mine != m.storedText() && mine != text && !keepOwnText(mine)) {
        // Nowhere to keep it: it stays on screen, now an edit of the new text.
        m.setStoredText(text);
        return;
    }
    // The caret stays where it was, as far as the new text reaches.
    std::array<int, 2> caret{};
    for (int i = 0; i < 2; ++i) {
        caret.at(size_t(i)) = Txt.at(size_t(i))->textCursor().position();
    }
    NoteText::set(Txt[0], text);
    NoteText::set(Txt[1], text);
    for (int i = 0; i < 2; ++i) {
        QTextCursor c = Txt.at(size_t(i))->textCursor();
        c.setPosition(std::min(caret.at(size_t(i)),
                               int(Txt.at(size_t(i))->document()->characterCount() - 1)));
        Txt.at(size_t(i))->setTextCursor(c);
    }
    m.setStoredText(NoteText::get(Txt[0]));
    if (wordWrap) {
        m.S.WordWrap = *wordWrap == 1 ? 1 : 0;
        m.showNoteBox();
    }
}

// Saves `mine` as a new note named after the item with " (mine)": in a
// free position of this group, else in a free transfer slot; a place the
// window shows comes first (the small window hides some of both). Runs
// under the lock the refresh holds.
bool edit::keepOwnText(const QString& mine) {
    const QString item = Item[m.HighlightedItem]->text();
    const QString base = item.isEmpty() ? QStringLiteral("Untitled") : item;
    const QString suffix = QStringLiteral(" (mine)");
    const QString name = base.left(NameIndex::FieldSize - suffix.size()) + suffix;
    const QByteArray bytes = NoteFile::encode(mine, m.S.WordWrap);
    const int g = m.S.CurrentGroup;
    // Free only where nothing at all is found: a link or a pipe another
    // account put there is no place to write, and no reason to give up.
    const auto isFree = [](const QString& path) {
        FileResult found;
        return FileLayer::size(path, &found) < 0 && found.ok();
    };
    StoreTransaction t(m);
    QString where;
    for (const bool visible : {true, false}) {
        for (int k = 0; k < 62 && where.isEmpty(); ++k) {
            if (k != m.HighlightedItem && Item[k]->text().isEmpty() &&
                Item[k]->isVisibleTo(this) == visible && isFree(m.notePath(g, k))) {
                t.write(m.notePath(g, k), bytes);
                Item[k]->setText(name);
                t.saveItems();
                if (NameIndex::trimmed(Group[g]->text()).isEmpty()) {
                    Group[g]->setText(QStringLiteral("Untitled"));
                    t.saveGroups();
                }
                where =
                    QStringLiteral("as the note \"%1\", item %2 of this group%3")
                        .arg(name)
                        .arg(k + 1)
                        .arg(visible ? QString() : QStringLiteral(" (shown in the large window)"));
            }
        }
        for (int n = 0; n < 12 && where.isEmpty(); ++n) {
            if (Trans[n]->text().isEmpty() && Trans[n]->isVisibleTo(this) == visible) {
                t.write(m.transferNotePath(n), bytes);
                Trans[n]->setText(name);
                t.saveTransfers();
                where =
                    QStringLiteral("in transfer slot %1 as \"%2\"%3")
                        .arg(n + 1)
                        .arg(name)
                        .arg(visible ? QString() : QStringLiteral(" (shown in the large window)"));
            }
        }
        if (!where.isEmpty()) {
            break;
        }
    }
    const QString what =
        QStringLiteral("Another copy of Quillo Pad saved a different text of the note \"%1\" "
                       "while you were changing it. Its text is shown now.")
            .arg(base);
    if (!where.isEmpty() && t.ok()) {
        m.reportMessage(what + QStringLiteral(" Your own text was kept %1.").arg(where));
        return true;
    }
    t.rollBack(false);
    m.reportMessage(
        QStringLiteral("Another copy of Quillo Pad saved a different text of the note \"%1\" "
                       "while you were changing it. Your own text could not be kept elsewhere "
                       "and stays on screen: saving it will replace the other copy's text.")
            .arg(base));
    return false;
}

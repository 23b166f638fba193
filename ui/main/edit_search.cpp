// Finding a text in the notes of every named group: the Find dialog, Find
// Next, and the window brought to where the walk through the store stops.

#include "store/uiservices.h"
#include "store/module1.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/notebox.h"
#include "ui/main/searchform.h"
#include "ui/main/searchwalk.h"

#include <QLineEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace {

SearchWalk::Start startOf(const edit& w, const Module1& m) {
    SearchWalk::Start start;
    for (size_t k = 0; k < start.groups.size(); ++k) {
        start.groups.at(k) = w.Group.at(k)->text();
    }
    for (size_t k = 0; k < start.items.size(); ++k) {
        start.items.at(k) = w.Item.at(k)->text();
    }
    start.note = m.noteText();
    start.group = m.S.CurrentGroup;
    start.currentItem = m.S.CurrentItem;
    start.wordWrap = m.S.WordWrap;
    return start;
}

QString selectedText(const QPlainTextEdit* box) {
    QString text = box->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void select(QPlainTextEdit* box, qsizetype start, qsizetype length) {
    const int last = box->document()->characterCount() - 1;
    const int from = qBound(0, static_cast<int>(start), last);
    QTextCursor cursor(box->document());
    cursor.setPosition(from);
    cursor.setPosition(qBound(from, static_cast<int>(start + length), last),
                       QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
}

// The window catches up with the walk: the word-wrap choice the notes on the
// way left, the names of the group it stopped in, and that note, shown from
// its start.
void showWhereStopped(edit& w, Module1& m, const SearchWalk::Result& r, bool settingsFirst) {
    m.S.WordWrap = r.wordWrap;
    m.showNoteBox();
    if (settingsFirst) {
        m.WriteSettings();
    }
    if (r.steppedGroup) {
        m.LoadItemIndex();
    }
    m.LoadNote();
    for (NoteBox* box : w.Txt) {
        select(box, 0, 0);
    }
}

void highlightCurrent(edit& w, Module1& m) {
    m.HighlightedItem = m.S.currentItem();
    m.HighlightedGroup = m.S.CurrentGroup;
    w.paintSelection();
}

} // namespace

void edit::Ffind_Click() {
    SearchState& s = searchState;
    SearchForm form(this);
    if (s.NoMoreMatches != 0) {
        m.services.beep();
    }
    form.setTall(s.NoMoreMatches != 0);
    form.Form_Load(frameGeometry().topLeft(), s.NoMoreMatches, s.SearchText,
                   selectedText(m.noteBox()));
    if (m.services.execModal(form) == QDialog::Accepted) {
        // Search: a new pass from the beginning of the note on display.
        s.SearchText = form.Txt->text();
        s.SearchPos = 1;
        s.SearchStartGroup = m.S.CurrentGroup;
        s.SearchStartItem = m.S.currentItem();
        s.NoMoreMatches = 0;
        s.GroupScanned = 0;
        s.ItemStepped = 0;
        s.GroupStepped = 0;
    } else {
        // Cancel, Esc or the close box: there is no search to continue.
        s.SearchText.clear();
        s.NoMoreMatches = 0;
    }
    if (s.SearchText.isEmpty()) {
        m.focusNote();
        return;
    }
    search();
}

void edit::Ffindnext_Click() {
    if (!searchState.SearchText.isEmpty()) {
        search();
    }
}

// Before the window moves away from the note on screen: a name being
// edited is taken for the button it lies over, the lock is held, and a
// changed note is saved. False when one of them cannot be (the typed text
// then stays on screen, and the lock is given back).
bool edit::readyToMoveAway() {
    if (EditMode != 0) {
        m.focusNote();
        if (EditMode != 0) {
            return false;
        }
    }
    if (m.AccessCheckAbandons(false)) {
        return false;
    }
    if (m.noteChanged()) {
        m.SaveNote();
        if (m.SaveFailed) {
            m.CloseAllFiles();
            return false;
        }
    }
    return true;
}

void edit::search() {
    SearchState& s = searchState;
    // A drop still to come would land in whatever group the search shows.
    if (s.SearchText.isEmpty() || m_dragSource) {
        return;
    }
    if (!readyToMoveAway()) {
        return;
    }
    SearchWalk walk(m, s);
    const SearchWalk::Result r = walk.run(startOf(*this, m));
    m.S.CurrentGroup = r.group;
    m.S.CurrentItem = r.currentItem;
    if (r.stop == SearchWalk::Stop::Match) {
        if (r.steppedItem || r.steppedGroup) {
            showWhereStopped(*this, m, r, false);
        }
        select(m.noteBox(), r.matchAt, s.SearchText.size());
        highlightCurrent(*this, m);
        m.WriteSettings();
        m.CloseAllFiles();
        m.focusNote();
        return;
    }
    // Back where it started without a further match: the settings are
    // stored as the pass left them, the starting note is shown again and,
    // with the lock given back, the dialog asks again.
    showWhereStopped(*this, m, r, true);
    s.NoMoreMatches = 1;
    highlightCurrent(*this, m);
    m.CloseAllFiles();
    Ffind_Click();
}

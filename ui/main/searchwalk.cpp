#include "ui/main/searchwalk.h"

#include "core/codepage.h"
#include "core/filelayer.h"
#include "store/module1.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "store/notetext.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <functional>

namespace {

constexpr int Groups = 31;
constexpr int Items = 62;

// Characters that are the same in upper case share a class; comparing the
// classes of two characters is comparing them each turned to upper case on
// its own. Every character a note can hold has one.
class CaseClasses final {
public:
    CaseClasses() {
        for (int b = 0; b < 256; ++b) {
            const QChar c = CodePage::decode(QByteArray(1, static_cast<char>(b))).at(0);
            const char16_t up = c.toUpper().unicode();
            if (!m_ofUpper.contains(up)) {
                m_ofUpper.insert(up, static_cast<char>(m_ofUpper.size()));
            }
            m_ofByte.at(static_cast<size_t>(b)) = m_ofUpper.value(up);
        }
        Q_ASSERT(m_ofUpper.size() < 255);
    }
    char of(QChar c) const { return m_ofUpper.value(c.toUpper().unicode(), SearchWalk::Unheld); }
    char ofByte(char b) const { return m_ofByte.at(static_cast<unsigned char>(b)); }

private:
    QHash<char16_t, char> m_ofUpper;
    std::array<char, 256> m_ofByte{};
};

const CaseClasses& classes() {
    static const CaseClasses c;
    return c;
}

} // namespace

QByteArray SearchWalk::fold(QStringView text) {
    const CaseClasses& cc = classes();
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (const QChar c : text) {
        *dst++ = cc.of(c);
    }
    return out;
}

QByteArray SearchWalk::foldNoteBytes(const QByteArray& fileText) {
    if (fileText.contains('\r')) {
        // Line breaks as the box makes them; rare enough to go the long way.
        return fold(NoteText::shown(NoteFile::fromFileText(fileText)));
    }
    // Otherwise one byte is one character.
    const CaseClasses& cc = classes();
    QByteArray out(fileText.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (const char b : fileText) {
        *dst++ = cc.ofByte(b);
    }
    return out;
}

// The steps are those of the window's walk; only "show item" reads the note
// instead of loading it into the window.
SearchWalk::Result SearchWalk::run(const Start& start) {
    enum class Step { Scan, NoMatch, NextItem, NextGroup, ShowItem };
    Result r;
    r.group = start.group;
    r.currentItem = start.currentItem;
    r.wordWrap = start.wordWrap;
    m_items = start.items;
    m_note = fold(start.note);
    const QByteArray needle = fold(s.SearchText);
    const bool canMatch = !needle.isEmpty() && !needle.contains(Unheld);
    const std::boyer_moore_horspool_searcher searcher(needle.cbegin(), needle.cend());
    const auto find = [&](qsizetype from) -> qsizetype {
        from = qMax<qsizetype>(from, 0);
        if (!canMatch || from + needle.size() > m_note.size()) {
            return -1;
        }
        const char* at = std::search(m_note.cbegin() + from, m_note.cend(), searcher);
        return at == m_note.cend() ? -1 : at - m_note.cbegin();
    };
    qint16& g = r.group;
    const auto item = [&r]() -> qint16& { return r.currentItem.at(static_cast<size_t>(r.group)); };
    Step step = Step::Scan;
    for (;;) {
        switch (step) {
        case Step::Scan:
            // Back at the starting item of a group already scanned: on to the next group.
            if (item() == s.SearchStartItem && s.GroupScanned == 1 && s.SearchPos == 1) {
                step = Step::NextGroup;
                break;
            }
            s.GroupScanned = 1;
            r.matchAt = find(s.SearchPos - 1);
            if (r.matchAt >= 0) {
                // Find Next resumes one character on, so matches may overlap.
                s.SearchPos = static_cast<qint32>(r.matchAt + 2);
                r.stop = Stop::Match;
                return r;
            }
            step = Step::NoMatch;
            break;
        case Step::NoMatch:
            s.SearchPos = 1;
            step = item() == s.SearchStartItem && s.ItemStepped == 1 ? Step::NextGroup
                                                                     : Step::NextItem;
            break;
        case Step::NextItem:
            s.ItemStepped = 1;
            item() = static_cast<qint16>((item() + 1) % Items);
            r.steppedItem = true;
            step = Step::ShowItem;
            break;
        case Step::NextGroup:
            g = static_cast<qint16>((g + 1) % Groups);
            r.steppedGroup = true;
            if (g == s.SearchStartGroup && s.GroupStepped == 1) {
                r.stop = Stop::PassComplete;
                return r;
            }
            s.GroupStepped = 1;
            s.GroupScanned = 0;
            s.ItemStepped = 0;
            // Every group passed, named or not, remembers the starting item.
            item() = s.SearchStartItem;
            if (!start.groups.at(static_cast<size_t>(g)).isEmpty()) {
                readItems(g);
                step = Step::ShowItem;
            }
            break;
        case Step::ShowItem:
            if (m_items.at(static_cast<size_t>(item())).isEmpty()) {
                // A free position has no note to read.
                step = Step::NoMatch;
                break;
            }
            readNote(g, item(), r.wordWrap);
            step = Step::Scan;
            break;
        }
    }
}

void SearchWalk::readItems(int group) {
    const QString path = m.itemIndexPath(group);
    const ReadResult r = FileLayer::readAll(path);
    if (!m.report(r.result)) {
        // Names that cannot be read cannot be searched: the group is passed over.
        m_items.fill(QString());
        return;
    }
    if (r.exists && r.data.isEmpty()) {
        // An empty index means no names and is not kept, as when it is loaded.
        m.tidyEmpty(path);
    }
    const QStringList names = NameIndex::decode(r.data, Items);
    std::copy(names.begin(), names.end(), m_items.begin());
}

// The note as the window would load it: its text as a note box holds it, and
// its word-wrap flag taken over where it has one.
void SearchWalk::readNote(int group, int item, qint16& wordWrap) {
    const QString path = m.notePath(group, item);
    const ReadResult r = FileLayer::readAll(path);
    m_note.clear();
    if (!m.report(r.result)) {
        return;
    }
    if (r.data.isEmpty()) {
        if (r.exists) {
            m.tidyEmpty(path);
        }
        return;
    }
    if (const auto flag = NoteFile::wordWrapOf(r.data)) {
        wordWrap = *flag == 1 ? 1 : 0;
    }
    m_note = foldNoteBytes(NoteFile::textBytes(r.data));
}

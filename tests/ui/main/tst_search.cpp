#include "dialogscript.h"
#include "holder.h"
#include "mainwindowfixture.h"

#include "core/filelayer.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"
#include "ui/main/searchform.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTextCursor>

#include <deque>

class Search : public MainWindowFixture {
protected:
    // Every Find dialog is answered in turn: Search with the next text, or
    // Cancel for an empty one or once none are left. What each showed is kept.
    void answerFind(std::deque<QString> texts) {
        answers = std::move(texts);
        ui.onModal = [this](QDialog& d) {
            auto& f = static_cast<SearchForm&>(d);
            shown.append({f.height(), f.Label2->isVisibleTo(&f), f.Txt->text(), ui.beeps});
            const QString text = answers.empty() ? QString() : answers.front();
            if (!answers.empty()) {
                answers.pop_front();
            }
            f.Txt->setText(text);
            ui.modalResult = text.isEmpty() ? QDialog::Rejected : QDialog::Accepted;
            return true;
        };
    }
    // Two named items, the second holding "the target".
    void startWithTarget() {
        dir.write("items0.dir", names({"first", "second"}, 62));
        dir.write("quil0.1", storedNote("the target"));
        start();
    }
    std::pair<int, int> selection() const {
        const QTextCursor c = m->noteBox()->textCursor();
        return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
    }

    struct Shown {
        int height;
        bool noMoreMatches;
        QString text;
        int beepsBefore;
    };
    QList<Shown> shown;
    std::deque<QString> answers;
};

// The dialog shown for real: filled with the selected text, Enter searches
// (a held key's repeat does not), an empty text searches nothing.
TEST_F(Search, TheFindDialog) {
    dir.write("items0.dir", names({"one"}, 62));
    dir.write("quil0.0", storedNote("find me here"));
    start();
    QTextCursor c = m->noteBox()->textCursor();
    c.setPosition(5);
    c.setPosition(7, QTextCursor::KeepAnchor);
    m->noteBox()->setTextCursor(c);
    DialogScript script(ui);
    script.then([](QDialog& d) {
        auto& f = static_cast<SearchForm&>(d);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(f.Txt, &repeat);
        EXPECT_TRUE(f.isVisible()) << "a repeat from a key held before";
        EXPECT_EQ(f.Txt->selectedText(), QStringLiteral("me")) << "filled with the selection";
        f.Txt->setText(QStringLiteral("HERE"));
        QTest::keyClick(f.Txt, Qt::Key_Return);
    });
    w->Ffind_Click();
    EXPECT_EQ(selection(), std::make_pair(8, 4));

    int opened = 0;
    FileFaults::setObserver([&opened](const char*, const QString&) { ++opened; });
    const qsizetype dialogs = ui.modalsShown.size();
    ui.onModal = [&](QDialog& d) {
        static_cast<SearchForm&>(d).Txt->clear();
        // Search the first time; Cancel should a pass end and ask again.
        ui.modalResult =
            ui.modalsShown.size() == dialogs + 1 ? QDialog::Accepted : QDialog::Rejected;
        return true;
    };
    w->Ffind_Click();
    EXPECT_EQ(ui.modalsShown.size(), dialogs + 1);
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(selection(), std::make_pair(8, 4));
}

TEST_F(Search, UnsavedTextIsSavedBeforeTheSearchMovesOn) {
    startWithTarget();
    type("draft");
    answerFind({QStringLiteral("target")});
    w->Ffind_Click();
    EXPECT_EQ(dir.read("quil0.0"), storedNote("draft"));
    expectChosen(0, 1);
    EXPECT_EQ(selection(), std::make_pair(4, 6));

    // A save that fails keeps the typed text on screen and the search where it was.
    type("x");
    FileFaults::failStep("mktemp", "quil0.1", ENOSPC, 5);
    w->Ffindnext_Click();
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains(dir.file("quil0.1")));
    EXPECT_EQ(note(), QStringLiteral("the x"));
    expectChosen(0, 1);
    EXPECT_EQ(w->searchState.SearchPos, 6);
}

// Find while a name is being edited: the name goes to the button it lies
// over, not to the one the search stops at.
TEST_F(Search, ANameBeingEditedIsTakenBeforeTheSearchMoves) {
    startWithTarget();
    click(w->Item[0], Qt::RightButton);
    ASSERT_EQ(w->EditMode, 2);
    type("renamed");
    answerFind({QStringLiteral("target")});
    w->Ffind_Click();
    EXPECT_EQ(w->EditMode, 0);
    EXPECT_EQ(dir.read("items0.dir"), names({"renamed", "second"}, 62));
    expectChosen(0, 1);
}

// The lock is taken once, held while every file is read and given back at
// the stop; messages and the reopened dialog come only after that.
TEST_F(Search, InNetworkModeTheLockIsHeldForTheWalkOnly) {
    const QString net = useNetworkFolder(dir);
    FileLayer::writeAtomic(net + "items0.dir", names({"a", "b", "c"}, 62));
    FileLayer::writeAtomic(net + "quil0.0", storedNote("start"));
    FileLayer::writeAtomic(net + "quil0.2", storedNote("the mark"));
    QDir(net).mkdir("quil0.1"); // cannot be read
    const QString lock = net + "quillo.loc";
    start();
    QStringList seen;
    FileFaults::setObserver([&](const char* step, const QString& path) {
        if (qstrcmp(step, "open") == 0) {
            seen.append(QFileInfo(path).fileName() + ":" + tryLockElsewhere(lock));
        }
    });
    QStringList lockWhenTold;
    ui.onError = [&](const QString&) { lockWhenTold.append(tryLockElsewhere(lock)); };
    answerFind({QStringLiteral("MARK")});
    w->Ffind_Click();
    EXPECT_EQ(selection(), std::make_pair(4, 4));
    EXPECT_EQ(seen.filter("group.dir").size(), 1) << "one access check";
    EXPECT_TRUE(seen.contains("quil0.2:busy")) << seen.join(' ').toStdString();
    EXPECT_EQ(seen.filter(":busy").size(), seen.size()) << seen.join(' ').toStdString();
    EXPECT_EQ(tryLockElsewhere(lock), "held");
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains(net + "quil0.1"));
    EXPECT_EQ(lockWhenTold, QStringList({"held"}));

    QString lockWhenAsked;
    ui.onModal = [&](QDialog&) {
        lockWhenAsked = tryLockElsewhere(lock);
        return true;
    };
    ui.modalResult = QDialog::Rejected;
    w->Ffindnext_Click();
    EXPECT_EQ(lockWhenAsked, "held");
    expectChosen(0, 0);
}

namespace {

QString upperEach(QString text) {
    for (QChar& c : text) {
        c = c.toUpper();
    }
    return text;
}

// The store's bytes, read here without the program's own readers: a name
// index is 40-byte fields, blank padded; a note is its text with CR LF line
// ends, then a 2-byte word-wrap flag. Windows-1252 is taken as Latin-1:
// these stores hold no byte from 0x80 to 0x9F, where they differ.
QString nameAt(const QByteArray& index, int k) {
    return QString::fromLatin1(index.mid(k * 40, 40)).trimmed();
}

// A lone CR breaks the line as CR LF does, as in the note box.
QString noteTextOf(const QByteArray& bytes) {
    const QByteArray raw = bytes.size() < 2 ? bytes : bytes.chopped(2);
    QString text;
    for (qsizetype k = 0; k < raw.size(); ++k) {
        if (raw[k] != '\r') {
            text.append(QChar(uchar(raw[k])));
            continue;
        }
        text.append(QLatin1Char('\n'));
        if (k + 1 < raw.size() && raw[k + 1] == '\n') {
            ++k;
        }
    }
    return text;
}

QString noteName(int group, int item) {
    return QStringLiteral("quil%1.%2").arg(group).arg(item);
}

struct Stop {
    int group;
    int item;
    int at;
};

// Where Find and every Find Next stop, in order, as the search is meant to
// walk: every match (overlapping ones too) in the note shown from its
// start, then in each further named item of its group, round to it; then
// in each named group after it, round the groups, in the named items from
// the start item's position round to it.
std::vector<Stop> stopsOf(const TestFolder& dir, const QString& store, const QString& needle,
                          int startGroup, int startItem) {
    std::vector<Stop> stops;
    const QByteArray groups = dir.read(store + "group.dir");
    for (int n = 0; n < 31; ++n) {
        const int g = (startGroup + n) % 31;
        if (n > 0 && nameAt(groups, g).isEmpty()) {
            continue;
        }
        const QByteArray index = dir.read(store + QStringLiteral("items%1.dir").arg(g));
        for (int k = 0; k < 62; ++k) {
            const int i = (startItem + k) % 62;
            if ((n > 0 || k > 0) && nameAt(index, i).isEmpty()) {
                continue;
            }
            const QString text = upperEach(noteTextOf(dir.read(store + noteName(g, i))));
            for (qsizetype at = text.indexOf(upperEach(needle)); at >= 0;
                 at = text.indexOf(upperEach(needle), at + 1)) {
                stops.push_back({g, i, int(at)});
            }
        }
    }
    return stops;
}

// The letters a search text is made of, each with its other case.
const QString kLetters = QString::fromUtf8("abßéÿ");
const QString kOtherCase = QString::fromUtf8("ABßÉŸ");

QString randomCase(QRandomGenerator& rnd, QString text) {
    for (QChar& c : text) {
        const qsizetype k = kLetters.indexOf(c);
        if (k >= 0 && rnd.bounded(2) == 1) {
            c = kOtherCase.at(k);
        }
    }
    return text;
}

// Names with gaps, short notes of filler with the text here and there (in
// free positions and free groups too), word-wrap flags that differ, lone CRs,
// damaged 1-byte and empty files, and a random place to start from.
void writeRandomStore(QRandomGenerator& rnd, const TestFolder& dir, const QString& store,
                      const QString& needle) {
    const QString filler = QStringLiteral("xyz1 -\n");
    QByteArray groups;
    for (int g = 0; g < 31; ++g) {
        groups += field(rnd.bounded(2) ? "G" + QByteArray::number(g) : "");
        QByteArray items;
        for (int i = 0; i < 62; ++i) {
            const bool named = rnd.bounded(100) < 15;
            items += field(named ? "I" + QByteArray::number(i) : "");
            if (rnd.bounded(100) >= (named ? 70 : 10)) {
                continue;
            }
            QString text;
            for (int n = int(rnd.bounded(12)); n > 0; --n) {
                text.append(filler.at(rnd.bounded(filler.size())));
                if (rnd.bounded(100) < 4) {
                    text.append(randomCase(rnd, needle));
                    // Its tail again: where the text begins as it ends,
                    // two matches overlap.
                    if (rnd.bounded(2) == 1) {
                        text.append(randomCase(rnd, needle.mid(1)));
                    }
                }
            }
            QByteArray bytes = text.toLatin1().replace("\n", "\r\n");
            if (!bytes.isEmpty() && rnd.bounded(4) == 0) {
                bytes.insert(rnd.bounded(bytes.size()), '\r');
            }
            const int kind = int(rnd.bounded(20));
            bytes = kind == 0   ? bytes.left(1)
                    : kind == 1 ? QByteArray()
                                : bytes + QByteArray(1, char(rnd.bounded(3))) + QByteArray(1, 0);
            dir.write(store + noteName(g, i), bytes);
        }
        if (!items.trimmed().isEmpty()) {
            dir.write(store + QStringLiteral("items%1.dir").arg(g), items);
        }
    }
    dir.write(store + "group.dir", groups);
    SettingsRecord r;
    r.CurrentGroup = qint16(rnd.bounded(31));
    for (qint16& i : r.CurrentItem) {
        i = qint16(rnd.bounded(62));
    }
    r.WordWrap = qint16(rnd.bounded(2));
    dir.write(store + "quillo.ini", r.toBytes());
}

} // namespace

using SearchWalk = Search;

// On random stores: each press (Find, then F3) stops where the walk over the
// files says (one character on from the last match: matches may overlap),
// with that note and its names shown, its word-wrap, and the place kept in
// the settings file; the pass ends with a beep and the dialog again, back
// at the note it began from, which every group then shows.
TEST_F(SearchWalk, EachPressStopsWhereTheWalkOverTheFilesSays) {
    for (quint32 seed = 1; seed <= 12 && !HasFailure(); ++seed) {
        SCOPED_TRACE(seed);
        QRandomGenerator rnd(seed);
        QString needle;
        for (int n = 1 + int(rnd.bounded(3)); n > 0; --n) {
            needle.append(kLetters.at(rnd.bounded(kLetters.size())));
        }
        if (seed % 2 == 0) {
            needle.append(needle.front()); // so that matches may overlap
        }
        const QString store = QStringLiteral("store%1/").arg(seed);
        dir.mkdir(store);
        writeRandomStore(rnd, dir, store, needle);
        restart(dir.file(store));
        const int g0 = m->S.CurrentGroup;
        const int i0 = m->S.currentItem();
        const std::vector<Stop> stops = stopsOf(dir, store, needle, g0, i0);
        answerFind({randomCase(rnd, needle)});
        const int beeps = ui.beeps;
        const auto expectShown = [&](int g, int i) {
            expectChosen(g, i);
            const QByteArray index = dir.read(store + QStringLiteral("items%1.dir").arg(g));
            for (int k = 0; k < 62; ++k) {
                EXPECT_EQ(w->Item[k]->text(), nameAt(index, k)) << k;
            }
            const QByteArray bytes = dir.read(store + noteName(g, i));
            EXPECT_EQ(note(), noteTextOf(bytes));
            EXPECT_FALSE(m->noteChanged());
            if (bytes.size() >= 2) {
                EXPECT_TRUE(
                    w->Txt.at(bytes.endsWith(QByteArray("\x01\x00", 2)) ? 1 : 0)->isVisible());
            }
        };
        for (size_t k = 0; k < stops.size() && !HasFailure(); ++k) {
            SCOPED_TRACE(k);
            // F3 is Find Next.
            if (k == 0) {
                w->Ffind_Click();
            } else {
                QTest::keyClick(w->windowHandle(), Qt::Key_F3);
            }
            const Stop& s = stops[k];
            expectShown(s.group, s.item);
            EXPECT_EQ(selection(), std::make_pair(s.at, int(needle.size())));
            const auto saved = SettingsRecord::fromBytes(dir.read(store + "quillo.ini"));
            ASSERT_TRUE(saved);
            EXPECT_EQ(saved->CurrentGroup, s.group);
            EXPECT_EQ(saved->CurrentItem.at(size_t(s.group)), s.item);
        }
        EXPECT_EQ(ui.beeps, beeps);
        if (stops.empty()) {
            w->Ffind_Click();
        } else {
            w->Ffindnext_Click();
        }
        expectShown(g0, i0);
        EXPECT_EQ(selection(), std::make_pair(0, 0));
        for (int g = 0; g < 31; ++g) {
            EXPECT_EQ(m->S.CurrentItem.at(size_t(g)), i0) << "group " << g;
        }
        EXPECT_EQ(ui.beeps - beeps, 1);
        // The beep, then the dialog again, tall enough for "No More Matches !".
        ASSERT_EQ(shown.size(), 2);
        EXPECT_EQ(shown[1].beepsBefore - beeps, 1);
        EXPECT_TRUE(shown[1].noMoreMatches);
        EXPECT_EQ(shown[1].height, 126);
        shown.clear();
    }
}

#include "holder.h"
#include "mainwindowfixture.h"

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"
#include "ui/main/searchform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTimer>

#include <deque>
#include <tuple>

namespace {

// A note file: Latin-1 text with CR LF line ends, then the word-wrap flag.
QByteArray noteBytes(const QString& text, char wrap = 1) {
    return text.toLatin1().replace("\n", "\r\n") + QByteArray(1, wrap) + QByteArray(1, '\0');
}

std::pair<int, int> selectionOf(const QPlainTextEdit* box) {
    const QTextCursor c = box->textCursor();
    return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
}

} // namespace

class Search : public MainWindowFixture {
protected:
    void TearDown() override {
        FileFaults::reset();
        MainWindowFixture::TearDown();
    }
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
        dir.write("quil0.1", noteBytes(QStringLiteral("the target")));
        start();
    }
    std::pair<int, int> selection() const { return selectionOf(m->noteBox()); }
    void expectHighlight(int group, int item) {
        EXPECT_EQ(m->S.CurrentGroup, group);
        EXPECT_EQ(m->S.currentItem(), item);
        for (int g = 0; g < 31; ++g) {
            EXPECT_EQ(VbColor::of(w->Group[g]), g == group ? 0xFF : m->S.GroupColor) << g;
        }
        for (int i = 0; i < 62; ++i) {
            EXPECT_EQ(VbColor::of(w->Item[i]), i == item ? 0xFF : m->S.ItemColor) << i;
        }
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

TEST_F(Search, ComparesEachCharacterInUpperCaseAndMatchesMayOverlap) {
    dir.write("group.dir", names({"Words"}, 31));
    dir.write("items0.dir", names({"mixed", "letters", "short", "breaks"}, 62));
    dir.write("quil0.0", noteBytes(QStringLiteral("Straße STRASSE wOrLd world ßx")));
    dir.write("quil0.1", noteBytes(QStringLiteral("aaa")));
    dir.write("quil0.2", noteBytes(QStringLiteral("WOR")));
    // A lone CR is a line break of its own, as in the box; positions follow the box.
    dir.write("quil0.3", QByteArray("a\rb\r\r\nc\r\nWorld\x01\x00", 16));
    start();

    answerFind({QStringLiteral("WORLD")});
    w->Ffind_Click();
    EXPECT_EQ(selection(), std::make_pair(15, 5)) << "lower and mixed case found";
    QTest::keyClick(w->windowHandle(), Qt::Key_F3);
    EXPECT_EQ(selection(), std::make_pair(21, 5));
    w->Ffindnext_Click(); // past "aaa", and "WOR", shorter than the text
    expectHighlight(0, 3);
    EXPECT_EQ(selection(), std::make_pair(7, 5));

    // "ß" is one character in upper case too: positions do not shift.
    w->Item_Click(0);
    answerFind({QString::fromUtf8("ßX")});
    w->Ffind_Click();
    EXPECT_EQ(selection(), std::make_pair(27, 2));

    // Three equal letters: found at 1, then at 2.
    w->Item_Click(1);
    answerFind({QStringLiteral("AA")});
    w->Ffind_Click();
    EXPECT_EQ(selection(), std::make_pair(0, 2));
    w->Ffindnext_Click();
    EXPECT_EQ(selection(), std::make_pair(1, 2));
    EXPECT_EQ(ui.beeps, 0);
}

// The dialog shown for real: filled with the selected text, Enter searches
// (a held key's repeat does not), an empty text searches nothing.
TEST_F(Search, TheFindDialog) {
    dir.write("items0.dir", names({"one"}, 62));
    dir.write("quil0.0", noteBytes(QStringLiteral("find me here")));
    start();
    QTextCursor c = m->noteBox()->textCursor();
    c.setPosition(5);
    c.setPosition(7, QTextCursor::KeepAnchor);
    m->noteBox()->setTextCursor(c);
    ui.onModal = [](QDialog& d) {
        QTimer::singleShot(0, &d, [&d] {
            auto& f = static_cast<SearchForm&>(d);
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(f.Txt, &repeat);
            EXPECT_TRUE(f.isVisible()) << "a repeat from a key held before";
            EXPECT_EQ(f.Txt->selectedText(), QStringLiteral("me")) << "filled with the selection";
            f.Txt->setText(QStringLiteral("HERE"));
            QTest::keyClick(f.Txt, Qt::Key_Return);
            if (f.isVisible()) {
                ADD_FAILURE() << "Enter did not close the dialog";
                f.reject();
            }
        });
        return false;
    };
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
    EXPECT_EQ(dir.read("quil0.0"), noteBytes(QStringLiteral("draft")));
    expectHighlight(0, 1);
    EXPECT_EQ(selection(), std::make_pair(4, 6));

    // A save that fails keeps the typed text on screen and the search where it was.
    type("x");
    FileFaults::failStep("mktemp", "quil0.1", ENOSPC, 5);
    w->Ffindnext_Click();
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains(dir.file("quil0.1")));
    EXPECT_EQ(note(), QStringLiteral("the x"));
    expectHighlight(0, 1);
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
    EXPECT_EQ(NameIndex::decode(dir.read("items0.dir"), 62).mid(0, 2),
              QStringList({"renamed", "second"}));
    expectHighlight(0, 1);
}

// The lock is taken once, held while every file is read and given back at
// the stop; messages and the reopened dialog come only after that.
TEST_F(Search, InNetworkModeTheLockIsHeldForTheWalkOnly) {
    const QString net = dir.mkdir("net");
    writeSettings(dir, [&](SettingsRecord& r) {
        r.NetworkMode = 1;
        r.setNetworkFolder(net.chopped(1));
    });
    FileLayer::writeAtomic(net + "items0.dir", names({"a", "b", "c"}, 62));
    FileLayer::writeAtomic(net + "quil0.0", noteBytes(QStringLiteral("start")));
    FileLayer::writeAtomic(net + "quil0.2", noteBytes(QStringLiteral("the mark")));
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
    expectHighlight(0, 0);
}

namespace {

QString upperEach(QString text) {
    for (QChar& c : text) {
        c = c.toUpper();
    }
    return text;
}

// The store's bytes, read and written here without the program's own
// readers: a name index is 40-byte fields, blank padded; a note is its text
// with CR LF line ends, then a 2-byte word-wrap flag. Windows-1252 is taken
// as Latin-1: these stores hold no byte from 0x80 to 0x9F, where they differ.
QByteArray fileOrEmpty(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

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

// What the window and the settings file hold, as the walk changes them.
struct Model {
    std::array<QString, 31> groupCaption;
    std::array<QString, 62> itemCaption;
    qint16 CurrentGroup = 0;
    std::array<qint16, 31> CurrentItem{};
    qint16 HighlightedGroup = 0;
    qint16 HighlightedItem = 0;
    std::array<qint32, 31> groupBack{};
    std::array<qint32, 62> itemBack{};
    qint32 GroupColor = 0;
    qint32 ItemColor = 0;
    QString text; // the note text box
    std::pair<int, int> selection;
    QString SavedText;
    qint16 WordWrap = 1;
    SearchState s;
    SettingsRecord settings; // as last written
    QString answer;          // typed into the first Find dialog; later ones are cancelled
    int beeps = 0;

    auto compared() const {
        return std::tuple(CurrentGroup, CurrentItem, HighlightedGroup, HighlightedItem, groupBack,
                          itemBack, itemCaption, text, selection, SavedText, WordWrap,
                          std::tuple(s.SearchText, s.SearchPos, s.SearchStartGroup,
                                     s.SearchStartItem, s.GroupScanned, s.ItemStepped,
                                     s.GroupStepped, s.NoMoreMatches),
                          settings.toBytes());
    }
};

// The search as its description walks it, one step at a time: every group
// and item is shown as it passes and every named item's note is loaded into
// a note box before it is scanned.
struct StepByStep {
    Model& M;
    QString folder;

    void WriteSettings() {
        M.settings.CurrentGroup = M.CurrentGroup;
        M.settings.CurrentItem = M.CurrentItem;
        M.settings.WordWrap = M.WordWrap;
    }
    void LoadItemIndex() {
        const QByteArray index =
            fileOrEmpty(folder + QStringLiteral("items%1.dir").arg(M.CurrentGroup));
        for (int k = 0; k < 62; ++k) {
            M.itemCaption.at(size_t(k)) = nameAt(index, k);
        }
    }
    void LoadNote() {
        const QByteArray bytes = fileOrEmpty(
            folder +
            QStringLiteral("quil%1.%2").arg(M.CurrentGroup).arg(M.CurrentItem.at(M.CurrentGroup)));
        M.text = M.SavedText = noteTextOf(bytes);
        if (bytes.size() >= 2) {
            M.WordWrap = bytes.endsWith(QByteArray("\x01\x00", 2)) ? 1 : 0;
        }
        M.selection = {0, 0};
    }
    void Find() {
        if (M.s.NoMoreMatches != 0) {
            ++M.beeps;
        }
        if (!M.answer.isEmpty()) {
            M.s = {M.answer, 1, M.CurrentGroup, M.CurrentItem.at(M.CurrentGroup), 0, 0, 0, 0};
            M.answer.clear();
            search();
        } else {
            M.s.SearchText.clear();
            M.s.NoMoreMatches = 0;
        }
    }
    void search() {
        SearchState& s = M.s;
        const qsizetype L = s.SearchText.size();
        qint16& g = M.CurrentGroup;
        const auto item = [&]() -> qint16& { return M.CurrentItem.at(g); };
        enum class Step { Scan, NoMatch, NextItem, NextGroup, ShowItem } step = Step::Scan;
        for (;;) {
            switch (step) {
            case Step::Scan:
                if (item() == s.SearchStartItem && s.GroupScanned == 1 && s.SearchPos == 1) {
                    step = Step::NextGroup;
                    break;
                }
                s.GroupScanned = 1;
                for (qsizetype p = s.SearchPos; p <= M.text.size() - L + 1; ++p) {
                    if (upperEach(M.text.mid(p - 1, L)) == upperEach(s.SearchText)) {
                        M.selection = {int(p - 1), int(L)};
                        s.SearchPos = qint32(p + 1);
                        M.HighlightedItem = item();
                        M.HighlightedGroup = g;
                        WriteSettings();
                        return;
                    }
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
                M.HighlightedItem = item();
                item() = qint16(item() == 61 ? 0 : item() + 1);
                step = Step::ShowItem;
                break;
            case Step::NextGroup:
                M.HighlightedGroup = g;
                g = qint16(g == 30 ? 0 : g + 1);
                M.groupBack.at(M.HighlightedGroup) = M.GroupColor;
                M.groupBack.at(g) = 255;
                if (g == s.SearchStartGroup && s.GroupStepped == 1) {
                    WriteSettings();
                    LoadItemIndex();
                    LoadNote();
                    s.NoMoreMatches = 1;
                    M.HighlightedItem = item();
                    M.HighlightedGroup = g;
                    Find();
                    return;
                }
                s.GroupStepped = 1;
                s.GroupScanned = 0;
                s.ItemStepped = 0;
                LoadItemIndex();
                item() = s.SearchStartItem;
                M.HighlightedItem = s.SearchStartItem;
                if (!M.groupCaption.at(g).isEmpty()) {
                    step = Step::ShowItem;
                }
                break;
            case Step::ShowItem:
                M.itemBack.at(M.HighlightedItem) = M.ItemColor;
                M.itemBack.at(item()) = 255;
                if (M.itemCaption.at(item()).isEmpty()) {
                    step = Step::NoMatch;
                    break;
                }
                LoadNote();
                step = Step::Scan;
                break;
            }
        }
    }
};

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

QByteArray fields(const QStringList& names) {
    QByteArray out;
    for (const QString& n : names) {
        out += field(n.toLatin1());
    }
    return out;
}

// Names with gaps, short notes of filler with the text here and there (in
// free positions and free groups too), word-wrap flags that differ, lone CRs,
// damaged 1-byte and empty files, and a random place to start from.
void writeRandomStore(QRandomGenerator& rnd, const QString& folder, const QString& needle) {
    const QString filler = QStringLiteral("xyz1 -\n");
    QStringList groups;
    for (int g = 0; g < 31; ++g) {
        groups.append(rnd.bounded(2) ? QStringLiteral("G%1").arg(g) : QString());
        QStringList items;
        for (int i = 0; i < 62; ++i) {
            const bool named = rnd.bounded(100) < 15;
            items.append(named ? QStringLiteral("I%1").arg(i) : QString());
            if (rnd.bounded(100) >= (named ? 70 : 10)) {
                continue;
            }
            QString text;
            for (int n = int(rnd.bounded(12)); n > 0; --n) {
                text.append(filler.at(rnd.bounded(filler.size())));
                if (rnd.bounded(100) < 4) {
                    text.append(randomCase(rnd, needle));
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
            put(folder + QStringLiteral("quil%1.%2").arg(g).arg(i), bytes);
        }
        if (!items.join(QString()).isEmpty()) {
            put(folder + QStringLiteral("items%1.dir").arg(g), fields(items));
        }
    }
    put(folder + "group.dir", fields(groups));
    SettingsRecord r;
    r.CurrentGroup = qint16(rnd.bounded(31));
    for (qint16& i : r.CurrentItem) {
        i = qint16(rnd.bounded(62));
    }
    r.WordWrap = qint16(rnd.bounded(2));
    put(folder + "quillo.ini", r.toBytes());
}

} // namespace

class SearchWalkModel : public Search {
protected:
    Model capture() const {
        Model M;
        for (size_t k = 0; k < 31; ++k) {
            M.groupCaption.at(k) = w->Group.at(k)->text();
            M.groupBack.at(k) = VbColor::of(w->Group.at(k));
        }
        for (size_t k = 0; k < 62; ++k) {
            M.itemCaption.at(k) = w->Item.at(k)->text();
            M.itemBack.at(k) = VbColor::of(w->Item.at(k));
        }
        M.CurrentGroup = m->S.CurrentGroup;
        M.CurrentItem = m->S.CurrentItem;
        M.HighlightedGroup = m->HighlightedGroup;
        M.HighlightedItem = m->HighlightedItem;
        M.GroupColor = m->S.GroupColor;
        M.ItemColor = m->S.ItemColor;
        M.text = note();
        M.selection = selection();
        M.SavedText = m->SavedText;
        M.WordWrap = m->S.WordWrap;
        M.s = w->searchState;
        M.settings = *SettingsRecord::fromBytes(fileOrEmpty(m->settingsPath()));
        return M;
    }
    void expectSame(const Model& M) {
        const Model real = capture();
        EXPECT_TRUE(real.compared() == M.compared())
            << "shown: group " << real.CurrentGroup << " item " << real.HighlightedItem
            << ", the walk: group " << M.CurrentGroup << " item " << M.HighlightedItem;
        EXPECT_TRUE(w->Txt.at(M.WordWrap)->isVisible());
    }
};

TEST_F(SearchWalkModel, TheWalkOverFilesEndsWhereTheStepByStepWalkEnds) {
    for (quint32 seed = 1; seed <= 12 && !HasFailure(); ++seed) {
        SCOPED_TRACE(seed);
        QRandomGenerator rnd(seed);
        QString needle;
        for (int n = 1 + int(rnd.bounded(3)); n > 0; --n) {
            needle.append(kLetters.at(rnd.bounded(kLetters.size())));
        }
        const QString folder = dir.mkdir(QStringLiteral("store%1").arg(seed));
        writeRandomStore(rnd, folder, needle);
        w.reset();
        m.reset();
        start(folder);
        Model M = capture();
        StepByStep walk{M, folder};
        M.answer = randomCase(rnd, needle);
        answerFind({M.answer});
        const int beeps = ui.beeps;
        w->Ffind_Click();
        walk.Find();
        expectSame(M);
        for (int press = 0; press < 80 && !M.s.SearchText.isEmpty(); ++press) {
            SCOPED_TRACE(press);
            w->Ffindnext_Click();
            walk.search();
            expectSame(M);
        }
        EXPECT_TRUE(M.s.SearchText.isEmpty()) << "the pass came to its end";
        EXPECT_EQ(M.beeps, 1);
        EXPECT_EQ(ui.beeps - beeps, M.beeps);
        // The beep, then the dialog again, tall enough for "No More Matches !".
        ASSERT_EQ(shown.size(), 2);
        EXPECT_EQ(shown[1].beepsBefore - beeps, 1);
        EXPECT_TRUE(shown[1].noMoreMatches);
        EXPECT_EQ(shown[1].height, 126);
        shown.clear();
    }
}

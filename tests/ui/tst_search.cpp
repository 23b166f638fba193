#include "holder.h"
#include "mainwindowfixture.h"

#include "store/filelayer.h"
#include "store/nameindex.h"
#include "store/notefile.h"
#include "store/notetext.h"
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
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTextCursor>
#include <QTimer>

#include <deque>
#include <tuple>

namespace {

QByteArray noteBytes(const QString& text, qint16 wrap = 1) {
    return NoteFile::encode(text, wrap);
}

QString noteName(int g, int i) {
    return QStringLiteral("quil%1.%2").arg(g).arg(i);
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
            auto* f = qobject_cast<SearchForm*>(&d);
            EXPECT_NE(f, nullptr);
            if (!f) {
                return false;
            }
            shown.append({f->height(), f->Label2->isVisibleTo(f), f->Txt->text(),
                          f->Txt->selectedText(), ui.beeps});
            const QString text = answers.empty() ? QString() : answers.front();
            if (!answers.empty()) {
                answers.pop_front();
            }
            f->Txt->setText(text);
            ui.modalResult = text.isEmpty() ? QDialog::Rejected : QDialog::Accepted;
            return true;
        };
    }
    std::pair<int, int> selection() const { return selectionOf(m->noteBox()); }
    void expectHighlight(int group, int item) {
        EXPECT_EQ(m->S.CurrentGroup, group);
        EXPECT_EQ(m->S.currentItem(), item);
        EXPECT_EQ(m->HighlightedGroup, group);
        EXPECT_EQ(m->HighlightedItem, item);
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
        QString selected;
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
    EXPECT_EQ(note(), QStringLiteral("a\nb\n\nc\nWorld"));
    EXPECT_EQ(selection(), std::make_pair(7, 5));

    // "ß" is one character in upper case too: positions do not shift.
    w->Item_Click(0);
    answerFind({QString::fromUtf8("STRAßE")});
    w->Ffind_Click();
    EXPECT_EQ(selection(), std::make_pair(0, 6));
    EXPECT_EQ(w->searchState.SearchPos, 2);
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
    expectHighlight(0, 1);
    EXPECT_EQ(ui.beeps, 0);
}

TEST_F(Search, TheFindDialog) {
    dir.write("group.dir", names({"Words"}, 31));
    dir.write("items0.dir", names({"one"}, 62));
    dir.write("quil0.0", noteBytes(QStringLiteral("find me here")));
    start();
    w->move(40, 30);
    QTextCursor c = m->noteBox()->textCursor();
    c.setPosition(5);
    c.setPosition(7, QTextCursor::KeepAnchor);
    m->noteBox()->setTextCursor(c);

    // Shown for real: filled with the selected text, whole text selected, at
    // the main window's corner, short. Esc is swallowed and cancels.
    SearchForm* seen = nullptr;
    ui.onModal = [&](QDialog& d) {
        seen = qobject_cast<SearchForm*>(&d);
        QTimer::singleShot(0, &d, [&d] {
            auto& f = static_cast<SearchForm&>(d);
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
            EXPECT_EQ(f.Label1->text(), QStringLiteral("Enter the text to search for."));
            EXPECT_EQ(f.SearchBtn->text(), QStringLiteral("Search"));
            EXPECT_EQ(f.CancelBtn->text(), QStringLiteral("Cancel"));
            EXPECT_EQ(f.Label2->text(), QStringLiteral("No More Matches !"));
            EXPECT_EQ(f.height(), 104);
            EXPECT_GE(f.Label2->geometry().top(), f.height()) << "hidden by the height";
            EXPECT_FALSE(f.Label2->isVisible());
            EXPECT_EQ(f.frameGeometry().topLeft(), QPoint(40, 30));
            EXPECT_EQ(f.Txt->text(), QStringLiteral("me"));
            EXPECT_EQ(f.Txt->selectedText(), QStringLiteral("me"));
            QTest::keyClick(f.Txt, Qt::Key_Escape);
            if (f.isVisible()) {
                ADD_FAILURE() << "Esc did not close the dialog";
                f.reject();
            }
        });
        return false;
    };
    w->Ffind->trigger();
    EXPECT_NE(seen, nullptr);
    EXPECT_TRUE(w->searchState.SearchText.isEmpty());
    w->Ffindnext_Click();
    EXPECT_EQ(selection(), std::make_pair(5, 2)) << "no search to continue";

    // Enter is swallowed and searches; a held key's repeats do nothing.
    ui.onModal = [&](QDialog& d) {
        QTimer::singleShot(0, &d, [&d] {
            auto& f = static_cast<SearchForm&>(d);
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
            QSignalSpy returns(f.Txt, &QLineEdit::returnPressed);
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(f.Txt, &repeat);
            EXPECT_TRUE(f.isVisible()) << "a repeat from a key held before";
            f.Txt->setText(QStringLiteral("HERE"));
            QTest::keyClick(f.Txt, Qt::Key_Return);
            EXPECT_EQ(returns.count(), 0);
            if (f.isVisible()) {
                ADD_FAILURE() << "Enter did not close the dialog";
                f.reject();
            }
        });
        return false;
    };
    w->Ffind_Click();
    EXPECT_EQ(selection(), std::make_pair(8, 4));

    // Search with an empty text runs no search: nothing is read, no pass ends.
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
    EXPECT_TRUE(w->searchState.SearchText.isEmpty());
    EXPECT_EQ(selection(), std::make_pair(8, 4));
}

// The text is only in the starting note: after its last match, one pass over
// every named group's named items, and the starting note again.
TEST_F(Search, APassEndsWhereItStartedAndEveryGroupKeepsTheStartingItem) {
    dir.write("group.dir", names({"A", "", "C", "", "", "F"}, 31));
    dir.write("items0.dir", names({"n0", "n1", "", "n3"}, 62));
    dir.write("items1.dir", names({"u0", "u1", "u2", "u3"}, 62));
    dir.write("items2.dir", names({"c0", "", "c2", "start"}, 62));
    dir.write("items5.dir", names({"f0", "f1", "f2", "f3", "f4"}, 62));
    for (const char* f : {"quil0.0", "quil0.1", "quil0.3", "quil2.0", "quil2.2", "quil5.3"}) {
        dir.write(f, noteBytes(QStringLiteral("nothing"), 0));
    }
    for (const char* f : {"quil0.2", "quil1.3", "quil2.1"}) {
        dir.write(f, noteBytes(QStringLiteral("needle, but not named")));
    }
    dir.write("quil2.3", noteBytes(QStringLiteral("needle and Needle")));
    writeSettings(dir, [](SettingsRecord& r) {
        r.CurrentGroup = 2;
        for (qint16 g = 0; g < 31; ++g) {
            r.CurrentItem.at(static_cast<size_t>(g)) = static_cast<qint16>((g * 7) % 62);
        }
        r.CurrentItem[2] = 3;
    });
    start();
    QStringList read;
    FileFaults::setObserver([&](const char* step, const QString& path) {
        if (qstrcmp(step, "open") == 0 && QFileInfo(path).fileName().startsWith("quil")) {
            read.append(QFileInfo(path).fileName());
        }
    });
    answerFind({QStringLiteral("needle")});
    w->Ffind_Click();
    w->Ffindnext_Click();
    EXPECT_EQ(selection(), std::make_pair(11, 6));
    EXPECT_TRUE(read.isEmpty()) << "both matches in the note on display";
    w->Ffindnext_Click();

    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1].beepsBefore, 1) << "the beep comes before the dialog";
    EXPECT_EQ(shown[1].height, 126);
    EXPECT_TRUE(shown[1].noMoreMatches);
    EXPECT_EQ(shown[1].text, QStringLiteral("needle"));
    EXPECT_EQ(shown[1].selected, QStringLiteral("needle"));
    EXPECT_EQ(ui.beeps, 1);
    expectHighlight(2, 3);
    EXPECT_EQ(note(), QStringLiteral("needle and Needle"));
    EXPECT_EQ(selection(), std::make_pair(0, 0));
    EXPECT_EQ(w->Item[3]->text(), QStringLiteral("start"));
    for (const char* f : {"quil0.2", "quil1.3", "quil2.1"}) {
        EXPECT_FALSE(read.contains(f)) << f << ": unnamed, never read";
    }
    for (const char* f : {"quil2.0", "quil2.2", "quil5.3", "quil0.0", "quil0.1", "quil0.3"}) {
        EXPECT_TRUE(read.contains(f)) << f;
    }
    // The last note read before the starting one had word wrap off, and the
    // settings were written before the starting note came back.
    const auto saved = SettingsRecord::fromBytes(dir.read("quillo.ini"));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->CurrentGroup, 2);
    for (qint16 item : saved->CurrentItem) {
        EXPECT_EQ(item, 3);
    }
    EXPECT_EQ(saved->WordWrap, 0);
    EXPECT_EQ(m->S.WordWrap, 1);
    EXPECT_TRUE(w->Txt[1]->isVisible());
    // Cancel in the reopened dialog ended the search.
    EXPECT_TRUE(w->searchState.SearchText.isEmpty());
    EXPECT_EQ(w->searchState.NoMoreMatches, 0);
}

TEST_F(Search, UnsavedTextIsSavedBeforeTheSearchMovesOn) {
    dir.write("items0.dir", names({"first", "second"}, 62));
    dir.write("quil0.1", noteBytes(QStringLiteral("the target")));
    start();
    type("draft");
    answerFind({QStringLiteral("target")});
    w->Ffind_Click();
    EXPECT_EQ(dir.read("quil0.0"), noteBytes(QStringLiteral("draft")));
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Untitled"));
    expectHighlight(0, 1);
    EXPECT_EQ(selection(), std::make_pair(4, 6));

    // A save that fails keeps the typed text on screen and the search where it was.
    type("x");
    FileFaults::failStep("mktemp", "quil0.1", ENOSPC, 5);
    w->Ffindnext_Click();
    EXPECT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors.value(0).contains(dir.file("quil0.1")));
    EXPECT_EQ(note(), QStringLiteral("the x"));
    expectHighlight(0, 1);
    EXPECT_EQ(w->searchState.SearchPos, 6);
}

// F3 while a name is being edited: the name goes to the button it lies
// over, not to the one the search stops at.
TEST_F(Search, ANameBeingEditedIsTakenBeforeTheSearchMoves) {
    dir.write("items0.dir", names({"first", "second"}, 62));
    dir.write("quil0.1", noteBytes(QStringLiteral("the target")));
    start();
    click(w->Item[0], Qt::RightButton);
    ASSERT_EQ(w->EditMode, 2);
    type("renamed");
    answerFind({QStringLiteral("target")});
    w->Ffind_Click();
    EXPECT_EQ(w->EditMode, 0);
    EXPECT_EQ(NameIndex::decode(dir.read("items0.dir"), 62).mid(0, 2),
              QStringList({"renamed", "second"}));
    expectHighlight(0, 1);
    EXPECT_EQ(selection(), std::make_pair(4, 6));
}

class NetworkSearch : public Search {
protected:
    void SetUp() override {
        net = dir.mkdir("net");
        writeSettings(dir, [this](SettingsRecord& r) {
            r.NetworkMode = 1;
            r.setNetworkFolder(net.chopped(1));
        });
    }
    QString net;
};

// The lock is taken once, held while every file is read and given back at
// the stop; messages and the reopened dialog come only after that.
TEST_F(NetworkSearch, TheLockIsHeldForTheWalkOnly) {
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
    EXPECT_EQ(seen.filter("group.dir").size(), 1)
        << "one access check: " << seen.join(' ').toStdString();
    EXPECT_TRUE(seen.contains("quil0.2:busy")) << seen.join(' ').toStdString();
    for (const QString& s : seen) {
        EXPECT_TRUE(s.endsWith(":busy")) << s.toStdString();
    }
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
    EXPECT_EQ(ui.errors.size(), 1) << "the pass went on from item 2";
}

namespace {

QString upperEach(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        c = c.toUpper();
    }
    return out;
}

QByteArray fileOrEmpty(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
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
    std::deque<QString> answers;
    int beeps = 0;
};

// The search as its description walks it, one step at a time: every group
// and item is shown as it passes and every named item's note is loaded into
// a note box before it is scanned.
struct StepByStep {
    Model& M;
    QString folder;
    NoteBox box{0, nullptr};

    void WriteSettings() {
        M.settings.CurrentGroup = M.CurrentGroup;
        M.settings.CurrentItem = M.CurrentItem;
        M.settings.WordWrap = M.WordWrap;
    }
    void LoadItemIndex() {
        const QStringList n = NameIndex::decode(
            fileOrEmpty(folder + QStringLiteral("items%1.dir").arg(M.CurrentGroup)), 62);
        std::copy(n.begin(), n.end(), M.itemCaption.begin());
    }
    void LoadNote() {
        const QByteArray bytes =
            fileOrEmpty(folder + noteName(M.CurrentGroup, M.CurrentItem.at(M.CurrentGroup)));
        const NoteFile::Content note = NoteFile::decode(bytes);
        NoteText::set(&box, bytes.isEmpty() ? QString() : note.text);
        M.text = M.SavedText = NoteText::get(&box);
        if (!bytes.isEmpty() && note.wordWrap) {
            M.WordWrap = *note.wordWrap == 1 ? 1 : 0;
        }
        M.selection = {0, 0};
    }
    void Find() {
        if (M.s.NoMoreMatches != 0) {
            ++M.beeps;
        }
        const QString answer = M.answers.empty() ? QString() : M.answers.front();
        if (!M.answers.empty()) {
            M.answers.pop_front();
        }
        if (!answer.isEmpty()) {
            M.s = {answer, 1, M.CurrentGroup, M.CurrentItem.at(M.CurrentGroup), 0, 0, 0, 0};
        } else {
            M.s.SearchText.clear();
            M.s.NoMoreMatches = 0;
        }
        if (!M.s.SearchText.isEmpty()) {
            search();
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

QString randomCase(QRandomGenerator& rnd, const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const qsizetype k = kLetters.indexOf(c);
        if (k >= 0 && rnd.bounded(2) == 1) {
            c = kOtherCase.at(k);
        }
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
            QByteArray bytes = NoteFile::toFileText(text);
            if (!bytes.isEmpty() && rnd.bounded(4) == 0) {
                bytes.insert(rnd.bounded(bytes.size()), '\r');
            }
            const int kind = int(rnd.bounded(20));
            bytes = kind == 0   ? bytes.left(1)
                    : kind == 1 ? QByteArray()
                                : bytes + QByteArray(1, char(rnd.bounded(3))) + QByteArray(1, 0);
            writeFile(folder + noteName(g, i), bytes);
        }
        if (!items.join(QString()).isEmpty()) {
            writeFile(folder + QStringLiteral("items%1.dir").arg(g), NameIndex::encode(items));
        }
    }
    writeFile(folder + "group.dir", NameIndex::encode(groups));
    SettingsRecord r;
    r.CurrentGroup = qint16(rnd.bounded(31));
    for (qint16& i : r.CurrentItem) {
        i = qint16(rnd.bounded(62));
    }
    r.WordWrap = qint16(rnd.bounded(2));
    writeFile(folder + "quillo.ini", r.toBytes());
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
        EXPECT_EQ(real.CurrentGroup, M.CurrentGroup);
        EXPECT_EQ(real.CurrentItem, M.CurrentItem);
        EXPECT_EQ(real.HighlightedGroup, M.HighlightedGroup);
        EXPECT_EQ(real.HighlightedItem, M.HighlightedItem);
        EXPECT_EQ(real.groupBack, M.groupBack);
        EXPECT_EQ(real.itemBack, M.itemBack);
        EXPECT_EQ(real.itemCaption, M.itemCaption);
        EXPECT_EQ(real.text, M.text);
        EXPECT_EQ(real.selection, M.selection);
        EXPECT_EQ(real.SavedText, M.SavedText);
        EXPECT_EQ(real.WordWrap, M.WordWrap);
        EXPECT_TRUE(w->Txt.at(M.WordWrap)->isVisible());
        EXPECT_FALSE(w->Txt.at(1 - M.WordWrap)->isVisible());
        const auto state = [](const SearchState& s) {
            return std::tuple(s.SearchText.toStdString(), s.SearchPos, s.SearchStartGroup,
                              s.SearchStartItem, s.GroupScanned, s.ItemStepped, s.GroupStepped,
                              s.NoMoreMatches);
        };
        EXPECT_EQ(state(real.s), state(M.s));
        EXPECT_EQ(fileOrEmpty(m->settingsPath()), M.settings.toBytes());
    }
};

TEST_F(SearchWalkModel, TheWalkOverFilesEndsWhereTheStepByStepWalkEnds) {
    for (quint32 seed = 1; seed <= 12; ++seed) {
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
        const QString typed = randomCase(rnd, needle);
        M.answers = {typed};
        answerFind({typed});
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
        if (HasFailure()) {
            break;
        }
    }
}

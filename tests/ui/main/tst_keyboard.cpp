#include "dialogscript.h"
#include "holder.h"
#include "namedcontrols.h"
#include "soon.h"

#include "app/qtuiservices.h"
#include "core/filelayer.h"
#include "store/vbcolor.h"
#include "ui/dialogs/colorform.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"
#include "ui/main/targetform.h"
#include "ui/net/waiting.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <string_view>

namespace {

using Files = QMap<QString, QByteArray>;

// A store of two groups with notes, a parked note and free places.
Files sampleStore() {
    return {{"group.dir", names({"Work", "", "", "Home"}, 31)},
            {"items0.dir", names({"a", "b", "", "zero"}, 62)},
            {"quil0.0", storedNote("alpha")},
            {"quil0.1", storedNote("beta")},
            {"quil0.3", ""},
            {"items3.dir", names({"x"}, 62)},
            {"quil3.0", storedNote("xray")},
            {"trans.dir", names({"parked"}, 12)},
            {"trans.0", storedNote("parked note")}};
}

// What a run leaves: every file, the choice and the note shown.
struct Outcome {
    Files files;
    int group = -1;
    int item = -1;
    QString note;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
    *os << "group " << o.group << " item " << o.item << " note '" << o.note.toStdString()
        << "' files";
    for (auto it = o.files.begin(); it != o.files.end(); ++it) {
        *os << " " << it.key().toStdString() << "=" << it.value().toHex().left(24).toStdString();
    }
}

} // namespace

class Keyboard : public NamedControlsFixture {
protected:
    void hit(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(focus(), k, mods);
        QApplication::processEvents();
    }
    // Opens the focused button's menu with the menu key and picks `entry`
    // with the arrow keys and Enter.
    void menuEntry(const QString& entry) {
        hit(Qt::Key_Menu);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (int k = 0; k < 4 && (!menu->activeAction() || menu->activeAction()->text() != entry);
             ++k) {
            QTest::keyClick(menu, Qt::Key_Down);
        }
        ASSERT_EQ(menu->activeAction()->text(), entry);
        QTest::keyClick(menu, Qt::Key_Return);
    }
    // Picks `place` in `area` (or in the area shown) with Enter.
    static void pick(TargetForm& form, const QString& area, const QString& place) {
        if (!area.isEmpty()) {
            form.AreaList->setCurrentIndex(form.AreaList->findText(area));
        }
        const auto found = form.PlaceList->findItems(place, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << place.toStdString();
        form.PlaceList->setCurrentItem(found.first());
        QTest::keyClick(form.PlaceList, Qt::Key_Return);
    }
    // "Move To..." or "Copy To..." on `source`, choosing `place` in `area`.
    void moveTo(QWidget* source, const QString& entry, const QString& area, const QString& place) {
        DialogScript script(ui);
        bool picked = false;
        script.then([&](QDialog& d) {
            pick(dynamic_cast<TargetForm&>(d), area, place);
            picked = true;
        });
        source->setFocus(Qt::TabFocusReason);
        menuEntry(entry);
        ASSERT_SOON(picked);
        ui.onModal = nullptr;
    }
    // Runs `steps` on a window of its own over a fresh copy of `store`.
    Outcome run(const Files& store, const std::function<void()>& steps) {
        TestFolder folder;
        for (auto it = store.begin(); it != store.end(); ++it) {
            folder.write(it.key(), it.value());
        }
        restart(folder.path());
        steps();
        Outcome o{folder.snapshot(), m->S.CurrentGroup, m->S.currentItem(), note()};
        w->hide();
        w.reset();
        m.reset();
        return o;
    }
};

TEST_F(Keyboard, TabAndArrowsReachEveryColumn) {
    dir.write("group.dir", names({"Work", "Home"}, 31));
    dir.write("items0.dir", names({"a", "b", "c"}, 62));
    writeSettings(dir, [](SettingsRecord& r) { r.CurrentItem[0] = 2; });
    start();
    ASSERT_EQ(focus(), m->noteBox());
    type("\t");
    EXPECT_EQ(note(), QStringLiteral("\t")) << "Tab types into the note";
    // Ctrl+Tab everywhere, and Tab everywhere but in the note, go round every
    // stop; their Shift forms go round backwards.
    const std::vector<QWidget*> round = {
        m->noteBox(),    w->Item[2],       w->Group[0],        w->Trans[0],
        w->NetOption[0], w->Wordwrapcheck, w->sendtoclipboard, w->Minimise,
        w->ColorBtn,     w->Help,          w->unload};
    const auto n = static_cast<int>(round.size());
    for (const Qt::KeyboardModifiers mods : {Qt::ControlModifier, Qt::NoModifier}) {
        for (const int step : {1, -1}) {
            for (int k = 1; k <= n; ++k) {
                const bool typed = focus() == m->noteBox() && step == 1;
                const Qt::KeyboardModifiers in = typed ? Qt::ControlModifier : mods;
                if (step == 1) {
                    hit(Qt::Key_Tab, in);
                } else {
                    hit(Qt::Key_Backtab, in | Qt::ShiftModifier);
                }
                QWidget* next = round.at(static_cast<size_t>(((step * k) % n + n) % n));
                EXPECT_EQ(focus(), next) << next->objectName().toStdString() << " mods "
                                         << mods.toInt() << " step " << step;
            }
        }
    }
    EXPECT_EQ(note(), QStringLiteral("\t"));
    hit(Qt::Key_Tab, Qt::ControlModifier);

    // Along a column: both halves of the items, the slots' two columns.
    hit(Qt::Key_Down);
    EXPECT_EQ(focus(), w->Item[3]);
    hit(Qt::Key_Right);
    EXPECT_EQ(focus(), w->Item[34]);
    hit(Qt::Key_End);
    EXPECT_EQ(focus(), w->Item[61]);
    hit(Qt::Key_Home);
    hit(Qt::Key_Up);
    EXPECT_EQ(focus(), w->Item[0]);
    w->Trans[5]->setFocus(Qt::TabFocusReason);
    hit(Qt::Key_Right);
    EXPECT_EQ(focus(), w->Trans[11]);

    // A click leaves the focus in the note, on a slot (which has no click)
    // too; after a button had it, the click brings it back to the note.
    m->focusNote();
    click(w->Trans[3]);
    EXPECT_EQ(focus(), m->noteBox());
    w->Item[1]->setFocus(Qt::TabFocusReason);
    click(w->Item[4]);
    EXPECT_EQ(focus(), m->noteBox());

    // The small layout: only the buttons on show.
    m->S.LargeLayout = 0;
    w->ApplySizePreset();
    w->Item[23]->setFocus(Qt::TabFocusReason);
    hit(Qt::Key_Down);
    EXPECT_EQ(focus(), w->Item[23]);
    hit(Qt::Key_Right);
    EXPECT_EQ(focus(), w->Item[23]);
    w->Group[23]->setFocus(Qt::TabFocusReason);
    hit(Qt::Key_Down);
    EXPECT_EQ(focus(), w->Group[23]) << "groups 24 to 30 are hidden";
    hit(Qt::Key_Tab);
    EXPECT_EQ(focus(), w->NetOption[0]) << "no slots in the small layout";
}

TEST_F(Keyboard, TheFocusIsMarkedOnEveryColour) {
    start();
    ButtonLabel* b = w->Item[5];
    const auto ring = [&](bool focused) {
        if (focused) {
            b->setFocus(Qt::TabFocusReason);
        } else {
            m->focusNote();
        }
        const QImage img = b->grab().toImage();
        const QColor ink = b->palette().color(b->foregroundRole());
        int inked = 0;
        for (int x = 2; x < img.width() - 2; ++x) {
            inked += QColor(img.pixel(x, 2)) == ink ? 1 : 0;
        }
        return inked;
    };
    for (const qint32 colour :
         {ColorForm::ColorValues[0], ColorForm::ColorValues[1], ColorForm::ColorValues[2],
          ColorForm::ColorValues[3], VbColor::Highlight}) {
        VbColor::paint(b, colour);
        EXPECT_EQ(ring(false), 0) << std::hex << colour;
        EXPECT_GT(ring(true), b->width() / 4) << std::hex << colour;
    }
}

TEST_F(Keyboard, EnterChoosesAndF2RenamesAsTheMouseDoes) {
    const Files store = sampleStore();
    const auto keys = run(store, [&] {
        type("typed");
        w->Item[1]->setFocus(Qt::TabFocusReason);
        hit(Qt::Key_Return);
        EXPECT_EQ(focus(), m->noteBox());
        w->Group[3]->setFocus(Qt::TabFocusReason);
        hit(Qt::Key_Space);
        w->Item[5]->setFocus(Qt::TabFocusReason);
        hit(Qt::Key_F2);
        EXPECT_EQ(focus(), w->ItemEdit);
        type("Named");
        hit(Qt::Key_Return);
        EXPECT_EQ(focus(), m->noteBox());
    });
    // What the mouse leaves (the selection suite's part): the note saved,
    // group 4 and its item 6 chosen and named.
    Files expected = store;
    expected.insert("items3.dir", names({"x", "", "", "", "", "Named"}, 62));
    expected.insert("quil0.0", QByteArray("typedalpha\x01\x00", 12));
    EXPECT_EQ(keys, (Outcome{keys.files, 3, 5, QString()}));
    EXPECT_EQ(withoutSettings(keys.files), expected);
    const auto saved = SettingsRecord::fromBytes(keys.files.value("quillo.ini"));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->CurrentGroup, 3);
    EXPECT_EQ(saved->CurrentItem[0], 1) << "Enter on item 2 of group 1 chose it";
    EXPECT_EQ(saved->CurrentItem[3], 5);
}

// The same files, choice and note by the menu as by the mouse; the choice is
// `chosen`, and exactly the files `changed` differ (the settings aside).
TEST_F(Keyboard, MoveToAndCopyToGiveTheSameFilesAsMouseDrags) {
    const Files store = sampleStore();
    const QByteArray gone = "<gone>";
    // By the menu on `source`, then by a drag along `path` (a right drag for
    // a copy); `first` is clicked before either.
    struct Case {
        const char* what;
        std::array<const char*, 5> how; // source, entry, area, place, path
        std::pair<int, int> chosen;     // group and item after
        Files changed;
        const char* first = nullptr;
    };
    const Case cases[] = {
        {"item within its group",
         {"I0", "Move To...", "Group 1, Work", "Item 11", "I0 I10"},
         {0, 10},
         {{"items0.dir", names({"", "b", "", "zero", "", "", "", "", "", "", "a"}, 62)},
          {"quil0.0", gone},
          {"quil0.10", storedNote("alpha")}}},
        // Out of the group on display: exactly its 40 bytes are blanked.
        {"item into an unnamed group",
         {"I1", "Move To...", "Group 3, no name", "Item 5", "I1 G2 I4"},
         {2, 4},
         {{"group.dir", names({"Work", "", "Untitled", "Home"}, 31)},
          {"items0.dir", names({"a", "", "", "zero"}, 62)},
          {"quil0.1", gone},
          {"items2.dir", names({"", "", "", "", "b"}, 62)},
          {"quil2.4", storedNote("beta")}}},
        {"item copied into another group",
         {"I0", "Copy To...", "Group 4, Home", "Item 2", "I0 G3 I1"},
         {3, 1},
         {{"items3.dir", names({"x", "a"}, 62)}, {"quil3.1", storedNote("alpha")}}},
        // An empty note leaves no file at either end (of a copy too).
        {"empty note moved",
         {"I3", "Move To...", "Group 1, Work", "Item 8", "I3 I7"},
         {0, 7},
         {{"items0.dir", names({"a", "b", "", "", "", "", "", "zero"}, 62)}, {"quil0.3", gone}}},
        {"item parked in a slot",
         {"I1", "Move To...", "Transfer slots", "Transfer slot 4", "I1 T3"},
         {0, 0},
         {{"items0.dir", names({"a", "", "", "zero"}, 62)},
          {"quil0.1", gone},
          {"trans.dir", names({"parked", "", "", "b"}, 12)},
          {"trans.3", storedNote("beta")}}},
        {"slot copied into an item",
         {"T0", "Copy To...", "Group 4, Home", "Item 3", "T0 G3 I2"},
         {3, 2},
         {{"items3.dir", names({"x", "", "parked"}, 62)}, {"quil3.2", storedNote("parked note")}}},
        {"slot moved into an item",
         {"T0", "Move To...", "Group 1, Work", "Item 3", "T0 I2"},
         {0, 2},
         {{"items0.dir", names({"a", "b", "parked", "zero"}, 62)},
          {"quil0.2", storedNote("parked note")},
          {"trans.dir", names({}, 12)},
          {"trans.0", gone}}},
        {"group moved",
         {"G3", "Move To...", "", "Group 8", "G3 G7"},
         {7, 0},
         {{"group.dir", names({"Work", "", "", "", "", "", "", "Home"}, 31)},
          {"items3.dir", gone},
          {"quil3.0", gone},
          {"items7.dir", names({"x"}, 62)},
          {"quil7.0", storedNote("xray")}}},
        {"group copied onto the empty group on display",
         {"G0", "Copy To...", "", "Group 3", "G0 G2"},
         {2, 0},
         {{"group.dir", names({"Work", "", "Work", "Home"}, 31)},
          {"items2.dir", store.value("items0.dir")},
          {"quil2.0", storedNote("alpha")},
          {"quil2.1", storedNote("beta")},
          {"quil0.3", gone}},
         "G2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto after = [&](const std::function<void()>& steps) {
            return run(store, [&] {
                if (c.first) {
                    click(control(c.first));
                }
                steps();
            });
        };
        const auto [source, entry, area, place, path] = c.how;
        const Outcome keys = after([&] { moveTo(control(source), entry, area, place); });
        const bool copy = std::string_view(entry).starts_with("Copy");
        const Outcome mouse =
            after([&] { dragAlong(copy ? Qt::RightButton : Qt::LeftButton, path); });
        Files expected = store;
        for (auto it = c.changed.begin(); it != c.changed.end(); ++it) {
            if (it.value() == gone) {
                expected.remove(it.key());
            } else {
                expected.insert(it.key(), it.value());
            }
        }
        EXPECT_EQ(withoutSettings(keys.files), expected);
        EXPECT_EQ(std::pair(keys.group, keys.item), c.chosen);
        EXPECT_EQ(keys, mouse);
    }
}

// The item shown and a group not on display, by the menu and by drags onto
// the erase target: the same files, every note of the group gone, the
// slots kept, and nothing left to save of the erased note.
TEST_F(Keyboard, EraseAsksFirstAndCancelErasesNothing) {
    const Files store = sampleStore();
    const Outcome untouched = run(store, [] {});
    const Outcome kept = run(store, [&] {
        ui.answers = {1};
        w->Item[1]->setFocus(Qt::TabFocusReason);
        menuEntry("Erase");
        ASSERT_SOON(ui.questions.size() == 1);
        EXPECT_EQ(ui.questions[0], QStringLiteral("Erase the item \"b\" and its note?"));
        EXPECT_EQ(focus(), w->Item[1]);
    });
    EXPECT_EQ(kept, untouched);

    ui.questions.clear();
    const Outcome keys = run(store, [&] {
        ui.answers = {0, 0};
        w->Item[0]->setFocus(Qt::TabFocusReason);
        menuEntry("Erase");
        ASSERT_SOON(ui.questions.size() == 1);
        w->Group[3]->setFocus(Qt::TabFocusReason);
        menuEntry("Erase");
        ASSERT_SOON(ui.questions.size() == 2);
        // A slot is never erased, an empty place has nothing to offer.
        for (ButtonLabel* b : {w->Trans[0], w->Item[9]}) {
            b->setFocus(Qt::TabFocusReason);
            hit(Qt::Key_F10, Qt::ShiftModifier);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            EXPECT_FALSE(menu->actions().at(2)->isEnabled());
            EXPECT_EQ(menu->actions().at(0)->isEnabled(), b == w->Trans[0]);
            menu->close();
        }
        EXPECT_EQ(w->Txt[0]->toPlainText() + w->Txt[1]->toPlainText(), QString());
        EXPECT_FALSE(m->noteChanged());
    });
    const Outcome mouse = run(store, [&] {
        dragAlong(Qt::LeftButton, "I0 I5 D0");
        dragAlong(Qt::LeftButton, "G3 D2");
    });
    EXPECT_EQ(keys, mouse);
    Files expected = store;
    expected.insert("group.dir", names({"Work"}, 31));
    expected.insert("items0.dir", names({"", "b", "", "zero"}, 62));
    expected.remove("quil0.0");
    expected.remove("items3.dir");
    expected.remove("quil3.0");
    EXPECT_EQ(withoutSettings(keys.files), expected);
}

TEST_F(Keyboard, InNetworkModeAMoveTakesTheLockAsADropDoes) {
    const QString net = useNetworkFolder(dir);
    FileLayer::writeAtomic(net + "group.dir", names({"Shared"}, 31));
    FileLayer::writeAtomic(net + "items0.dir", names({"a"}, 62));
    FileLayer::writeAtomic(net + "quil0.0", storedNote("alpha"));
    start();
    Holder holder(net + "quillo.loc");
    ASSERT_TRUE(holder.waitUntilHeld());
    // The other copy lets go while this one waits; then the user picks.
    ui.onModal = [&](QDialog& d) {
        if (auto* form = qobject_cast<TargetForm*>(&d)) {
            QTimer::singleShot(0, form, [form] { pick(*form, "", "Item 4"); });
        } else {
            QTimer::singleShot(200, [&] { holder.letGo(); });
        }
        return false;
    };
    w->Item[0]->setFocus(Qt::TabFocusReason);
    menuEntry("Move To...");
    ASSERT_SOON(ui.modalsShown.size() == 2 && !QApplication::activeModalWidget());
    EXPECT_EQ(ui.modalsShown, QStringList({"Waiting", "TargetForm"}));
    EXPECT_EQ(FileLayer::readAll(net + "quil0.3").data, storedNote("alpha"));
    EXPECT_EQ(FileLayer::readAll(net + "items0.dir").data, names({"", "", "", "a"}, 62));
    EXPECT_FALSE(m->lockHeld());
    EXPECT_EQ(w->focusWidget(), m->noteBox());

    // Another copy takes the lock as the target is picked, and the wait that
    // opens the target group is cancelled: the local store comes back, and
    // the move, begun in the network store, runs in neither.
    dir.write("group.dir", names({"Local"}, 31));
    dir.write("items0.dir", names({"mine"}, 62));
    dir.write("quil1.0", storedNote("local one"));
    FileLayer::writeAtomic(net + "items1.dir", names({"b"}, 62));
    FileLayer::writeAtomic(net + "quil1.0", storedNote("beta"));
    click(w->Group[1]);
    ASSERT_EQ(w->Item[0]->text(), QStringLiteral("b"));
    std::unique_ptr<Holder> again;
    ui.onModal = [&](QDialog& d) {
        if (auto* form = qobject_cast<TargetForm*>(&d)) {
            QTimer::singleShot(0, form, [&, form] {
                again = std::make_unique<Holder>(net + "quillo.loc");
                ASSERT_TRUE(again->waitUntilHeld());
                pick(*form, "Group 1, Shared", "Item 6");
            });
        } else {
            QTimer::singleShot(50, static_cast<Waiting&>(d).CancelBtn, &QPushButton::click);
        }
        return false;
    };
    QApplication::setActiveWindow(w.get());
    ASSERT_SOON(w->isActiveWindow());
    w->Item[0]->setFocus(Qt::TabFocusReason);
    menuEntry("Move To...");
    ASSERT_SOON(ui.modalsShown.size() == 4 && !QApplication::activeModalWidget());
    EXPECT_EQ(m->S.NetworkMode, 0);
    EXPECT_EQ(dir.read("items0.dir"), names({"mine"}, 62));
    EXPECT_EQ(dir.read("quil1.0"), storedNote("local one"));
    EXPECT_FALSE(QFile::exists(dir.file("quil0.5")));
    EXPECT_EQ(FileLayer::readAll(net + "items1.dir").data, names({"b"}, 62));
    EXPECT_EQ(FileLayer::readAll(net + "quil1.0").data, storedNote("beta"));
    EXPECT_TRUE(ui.errors.isEmpty()) << ui.errors.join(' ').toStdString();
}

// Enter still held from the menu, or Escape, gives the answer that changes
// nothing.
TEST(Questions, EnterAndEscapeGiveTheLastAnswer) {
    QtUiServices services;
    for (const Qt::Key k : {Qt::Key_Return, Qt::Key_Escape}) {
        QTimer::singleShot(0, [k] { QTest::keyClick(QApplication::activeModalWidget(), k); });
        EXPECT_EQ(services.ask(nullptr, "Erase?", {"Erase", "Cancel"}), 1) << k;
    }
}

#include "mainwindowfixture.h"
#include "soon.h"

#include "store/filelayer.h"
#include "store/nameindex.h"
#include "store/notetext.h"
#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QProcess>
#include <QPushButton>

class Selection : public MainWindowFixture {
protected:
    // Exactly the chosen group and item are red, every other button its colour.
    void expectOneHighlight(int group, int item) {
        EXPECT_EQ(m->HighlightedGroup, group);
        EXPECT_EQ(m->HighlightedItem, item);
        EXPECT_EQ(m->S.CurrentGroup, group);
        EXPECT_EQ(m->S.currentItem(), item);
        for (int g = 0; g < 31; ++g) {
            EXPECT_EQ(VbColor::of(w->Group[g]), g == group ? 0xFF : m->S.GroupColor)
                << "group " << g;
        }
        for (int i = 0; i < 62; ++i) {
            EXPECT_EQ(VbColor::of(w->Item[i]), i == item ? 0xFF : m->S.ItemColor) << "item " << i;
        }
    }
    QWidget* focus() const { return QApplication::focusWidget(); }
    void clickWordWrap() {
        QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          centreInWindow(w->Wordwrapcheck));
        QApplication::processEvents();
    }
};

TEST_F(Selection, RightClickNamesAFreeGroupAndEnterTakesIt) {
    start();
    click(w->Group[3], Qt::RightButton);
    expectOneHighlight(3, 0);
    ASSERT_TRUE(w->groupedit->isVisible());
    EXPECT_EQ(w->groupedit->geometry(), w->Group[3]->geometry());
    EXPECT_EQ(w->groupedit->text(), QStringLiteral("Untitled"));
    EXPECT_EQ(w->groupedit->selectedText(), QStringLiteral("Untitled"));
    EXPECT_EQ(focus(), static_cast<QWidget*>(w->groupedit));
    EXPECT_EQ(w->EditMode, 1);

    type("Recipes");
    key(Qt::Key_Return);
    EXPECT_EQ(w->EditMode, 0);
    EXPECT_FALSE(w->groupedit->isVisible());
    EXPECT_EQ(w->Group[3]->text(), QStringLiteral("Recipes"));
    EXPECT_EQ(dir.read("group.dir"),
              QByteArray(3 * 40, ' ') + field("Recipes") + QByteArray(27 * 40, ' '));
    EXPECT_EQ(focus(), static_cast<QWidget*>(m->noteBox()));
    EXPECT_EQ(note(), QString()) << "Enter put no line break in the note";

    // With no name being edited, Enter breaks the line as usual.
    type("a");
    key(Qt::Key_Return);
    type("b");
    EXPECT_EQ(note(), QStringLiteral("a\nb"));

    // A name is at most 40 characters; trailing blanks are not kept.
    click(w->Group[3], Qt::RightButton);
    EXPECT_EQ(w->groupedit->text(), QStringLiteral("Recipes"));
    type(QString(45, QLatin1Char('n')));
    EXPECT_EQ(w->groupedit->text().size(), 40);
    key(Qt::Key_Backspace);
    type("  ");
    key(Qt::Key_Tab);
    EXPECT_EQ(w->Group[3]->text(), QString(39, QLatin1Char('n')));
    EXPECT_EQ(NameIndex::decode(dir.read("group.dir"), 31).at(3), QString(39, QLatin1Char('n')));
}

TEST_F(Selection, RenamingAGroupToBlanks) {
    dir.write("group.dir", names({"Full", "Empty"}, 31));
    dir.write("items0.dir", names({"an item"}, 62));
    start();
    // Its items are listed: the group keeps a name.
    click(w->Group[0], Qt::RightButton);
    type("   ");
    key(Qt::Key_Return);
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Untitled"));
    // No items: the group is free again, its field blank.
    click(w->Group[1], Qt::RightButton);
    expectOneHighlight(1, 0);
    type("   ");
    key(Qt::Key_Return);
    EXPECT_EQ(w->Group[1]->text(), QString());
    EXPECT_EQ(dir.read("group.dir"), names({"Untitled"}, 31));
}

TEST_F(Selection, RenamingAnItemToBlanks) {
    dir.write("items0.dir", names({"With note", "Without", "Empty file"}, 62));
    dir.write("quil0.0", QByteArray("text\x01\x00", 6));
    dir.write("quil0.2", "");
    start();
    for (int i = 0; i < 3; ++i) {
        click(w->Item[i], Qt::RightButton);
        expectOneHighlight(0, i);
        ASSERT_TRUE(w->ItemEdit->isVisible());
        EXPECT_EQ(w->EditMode, 2);
        type(" ");
        key(Qt::Key_Return);
        EXPECT_FALSE(w->ItemEdit->isVisible());
    }
    EXPECT_EQ(w->Item[0]->text(), QStringLiteral("Untitled"));
    EXPECT_EQ(w->Item[1]->text(), QString());
    EXPECT_EQ(w->Item[2]->text(), QString());
    EXPECT_EQ(dir.read("items0.dir"), names({"Untitled"}, 62));
    EXPECT_TRUE(dir.exists("quil0.0"));
    EXPECT_FALSE(dir.exists("quil0.1"));
    EXPECT_FALSE(dir.exists("quil0.2"));
}

TEST_F(Selection, TypingIntoAFreeItemAndClickingAwaySavesAndNames) {
    start();
    click(w->Item[4]);
    expectOneHighlight(0, 4);
    type("Buy milk");
    click(w->Item[9]);
    expectOneHighlight(0, 9);
    EXPECT_EQ(dir.read("quil0.4"), QByteArray("Buy milk\x01\x00", 10));
    EXPECT_EQ(w->Item[4]->text(), QStringLiteral("Buy milk"));
    EXPECT_EQ(NameIndex::decode(dir.read("items0.dir"), 62).at(4), QStringLiteral("Buy milk"));
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Untitled"));
    EXPECT_EQ(note(), QString());
    const auto saved = SettingsRecord::fromBytes(dir.read("quillo.ini"));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->CurrentItem[0], 9);
    EXPECT_EQ(focus(), static_cast<QWidget*>(m->noteBox()));

    // Another group, then back: each group brings back its own item.
    click(w->Group[7]);
    click(w->Item[12]);
    expectOneHighlight(7, 12);
    EXPECT_EQ(dir.read("quillo.ini").mid(16, 2), QByteArray("\x0c\x00", 2));
    EXPECT_EQ(dir.read("quillo.ini").mid(0, 2), QByteArray("\x07\x00", 2));
    click(w->Group[0]);
    expectOneHighlight(0, 9);
    click(w->Item[4]);
    EXPECT_EQ(note(), QStringLiteral("Buy milk"));
    click(w->Group[7]);
    expectOneHighlight(7, 12);
    EXPECT_FALSE(dir.exists("items7.dir")) << "choosing writes no index";
}

TEST_F(Selection, ClickingTheChosenItemReloadsItsNote) {
    dir.write("quil0.0", QByteArray("before\x01\x00", 8));
    start();
    EXPECT_EQ(note(), QStringLiteral("before"));
    dir.write("quil0.0", QByteArray("after\x01\x00", 7));
    click(w->Item[0]);
    EXPECT_EQ(note(), QStringLiteral("after"));
    expectOneHighlight(0, 0);
}

TEST_F(Selection, WordWrapIsSwitchedPerNote) {
    dir.write("quil0.0", QByteArray("a long line\x01\x00", 13));
    start();
    const QByteArray before = dir.read("quil0.0");
    clickWordWrap();
    EXPECT_EQ(m->S.WordWrap, 0);
    EXPECT_TRUE(w->Txt[0]->isVisible());
    EXPECT_FALSE(w->Txt[1]->isVisible());
    EXPECT_FALSE(w->Wordwrapcheck->isChecked());
    EXPECT_EQ(note(), QStringLiteral("a long line"));
    clickWordWrap();
    EXPECT_EQ(m->S.WordWrap, 1);
    click(w->Item[1]);
    EXPECT_EQ(dir.read("quil0.0"), before) << "toggled twice, nothing written";

    click(w->Item[0]);
    clickWordWrap();
    type("!");
    click(w->Item[1]);
    EXPECT_EQ(dir.read("quil0.0"), QByteArray("!a long line\x00\x00", 14));
    click(w->Item[0]);
    EXPECT_EQ(m->S.WordWrap, 0);
    EXPECT_TRUE(w->Txt[0]->isVisible());

    // The keyboard changes only the check mark.
    w->Wordwrapcheck->setFocus();
    key(Qt::Key_Space);
    EXPECT_TRUE(w->Wordwrapcheck->isChecked());
    EXPECT_EQ(m->S.WordWrap, 0);
    EXPECT_TRUE(w->Txt[0]->isVisible());
}

TEST_F(Selection, PanelAndEraseTargetSwapPlaces) {
    start();
    w->showdel(0);
    EXPECT_TRUE(w->Del[0]->isVisible());
    EXPECT_FALSE(w->unload->isVisible());
    EXPECT_FALSE(w->Wordwrapcheck->isVisible());
    QTest::mouseMove(w->windowHandle(), centreInWindow(m->noteBox()));
    ASSERT_SOON(w->unload->isVisible());
    EXPECT_FALSE(w->Del[2]->isVisible());
}

TEST_F(Selection, AbandonedNameEditKeepsTheBoxAndTheText) {
    const QString net = dir.mkdir("net");
    SettingsRecord r;
    r.NetworkMode = 1;
    r.setNetworkFolder(net);
    dir.write("quillo.ini", r.toBytes());
    start();
    click(w->Group[2], Qt::RightButton);
    type("Mine");
    QProcess other;
    other.start(binDir() + "/quillo_storetool", {"rename-group", net, "6", "Theirs"});
    ASSERT_TRUE(other.waitForFinished(10000));

    key(Qt::Key_Return);
    EXPECT_EQ(w->Group[6]->text(), QStringLiteral("Theirs"));
    EXPECT_TRUE(w->groupedit->isVisible());
    EXPECT_EQ(w->groupedit->text(), QStringLiteral("Mine"));
    EXPECT_EQ(w->EditMode, 1);
    EXPECT_EQ(w->Group[2]->text(), QString());
    EXPECT_EQ(focus(), static_cast<QWidget*>(m->noteBox()));
    key(Qt::Key_Return);
    EXPECT_EQ(note(), QString()) << "Enter is swallowed until the box is left once more";

    click(w->groupedit);
    key(Qt::Key_Return);
    EXPECT_FALSE(w->groupedit->isVisible());
    EXPECT_EQ(w->Group[2]->text(), QStringLiteral("Mine"));
    EXPECT_EQ(NameIndex::decode(FileLayer::readAll(net + "group.dir").data, 31).at(2),
              QStringLiteral("Mine"));
    EXPECT_EQ(NameIndex::decode(FileLayer::readAll(net + "group.dir").data, 31).at(6),
              QStringLiteral("Theirs"));
}

TEST_F(Selection, PressingAButtonArmsADragAndForgetsTheTextFile) {
    start();
    w->TextFileName = QStringLiteral("/tmp/some.txt");
    press(w->Trans[2], Qt::RightButton);
    EXPECT_TRUE(w->TextFileName.isEmpty());
    EXPECT_EQ(w->DragArmed, 1);
    EXPECT_EQ(w->LastButton, 2);
    EXPECT_FLOAT_EQ(w->DownX, static_cast<float>(w->Trans[2]->rect().center().x() * 15));
    release(w->Trans[2], Qt::RightButton);
    press(w->Group[1]);
    EXPECT_EQ(w->LastButton, 1);
    release(w->Group[1]);
    EXPECT_EQ(w->DragArmed, 0) << "the click ends the armed press";
}

TEST_F(Selection, ClickWhileEditingOnlyEndsTheEdit) {
    start();
    click(w->Item[5], Qt::RightButton);
    type("Named");
    click(w->Item[8]);
    EXPECT_EQ(w->Item[5]->text(), QStringLiteral("Named"));
    expectOneHighlight(0, 5);
    click(w->Item[8]);
    expectOneHighlight(0, 8);
}

// Tapping Alt hands the keyboard to the menu bar for a moment; the name
// edit goes on. Shift+Enter in the note is a plain line break.
TEST_F(Selection, AltTapKeepsTheNameEditAndShiftEnterBreaksTheLine) {
    start();
    click(w->Group[2], Qt::RightButton);
    type("Rec");
    QTest::keyClick(focus(), Qt::Key_Alt);
    EXPECT_EQ(w->EditMode, 1);
    EXPECT_TRUE(w->groupedit->isVisible());
    EXPECT_EQ(w->Group[2]->text(), QString());
    QTest::keyClick(focus(), Qt::Key_Escape);
    w->groupedit->setFocus();
    type("ipes");
    key(Qt::Key_Return);
    EXPECT_EQ(w->Group[2]->text(), QStringLiteral("Recipes"));

    type("a");
    QTest::keyClick(focus(), Qt::Key_Return, Qt::ShiftModifier);
    type("b");
    EXPECT_EQ(note(), QStringLiteral("a\nb"));
}

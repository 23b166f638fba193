#include "mainwindowfixture.h"

#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"

#include <QApplication>
#include <QCheckBox>

using Selection = MainWindowFixture;

TEST_F(Selection, RightClickNamesAFreeGroupAndEnterTakesIt) {
    start();
    click(w->Group[3], Qt::RightButton);
    expectChosen(3, 0);
    ASSERT_TRUE(w->groupedit->isVisible());
    EXPECT_EQ(w->groupedit->geometry(), w->Group[3]->geometry());
    EXPECT_EQ(w->groupedit->selectedText(), QStringLiteral("Untitled"));
    EXPECT_EQ(focus(), static_cast<QWidget*>(w->groupedit));
    type("Recipes");
    key(Qt::Key_Return);
    EXPECT_FALSE(w->groupedit->isVisible());
    EXPECT_EQ(w->Group[3]->text(), QStringLiteral("Recipes"));
    EXPECT_EQ(dir.read("group.dir"), names({"", "", "", "Recipes"}, 31));
    EXPECT_EQ(focus(), static_cast<QWidget*>(m->noteBox()));
    EXPECT_EQ(note(), QString()) << "Enter put no line break in the note";

    // A name is at most 40 characters; trailing blanks are not kept.
    click(w->Group[3], Qt::RightButton);
    type(QString(45, QLatin1Char('n')));
    key(Qt::Key_Backspace);
    type("  ");
    key(Qt::Key_Tab);
    EXPECT_EQ(w->Group[3]->text(), QString(39, QLatin1Char('n')));
    EXPECT_EQ(dir.read("group.dir"), names({"", "", "", QByteArray(39, 'n')}, 31));
}

// A name of blanks: a group with items, or an item with a note, is
// "Untitled"; otherwise the place is free again and an empty note goes.
TEST_F(Selection, RenamingToBlanks) {
    dir.write("group.dir", names({"Full", "Empty"}, 31));
    dir.write("items0.dir", names({"With note", "Without", "Empty file"}, 62));
    dir.write("quil0.0", QByteArray("text\x01\x00", 6));
    dir.write("quil0.2", "");
    start();
    for (int i = 0; i < 3; ++i) {
        click(w->Item[i], Qt::RightButton);
        expectChosen(0, i);
        type(" ");
        key(Qt::Key_Return);
    }
    EXPECT_EQ(dir.read("items0.dir"), names({"Untitled"}, 62));
    EXPECT_EQ(w->Item[1]->text(), QString());
    EXPECT_TRUE(dir.exists("quil0.0"));
    EXPECT_FALSE(dir.exists("quil0.2"));
    for (int g = 0; g < 2; ++g) {
        click(w->Group[g], Qt::RightButton);
        type("   ");
        key(Qt::Key_Return);
    }
    EXPECT_EQ(w->Group[1]->text(), QString());
    EXPECT_EQ(dir.read("group.dir"), names({"Untitled"}, 31));
}

TEST_F(Selection, TypingIntoAFreeItemAndClickingAwaySavesAndNames) {
    start();
    click(w->Item[4]);
    type("Buy milk");
    click(w->Item[9]);
    expectChosen(0, 9);
    EXPECT_EQ(dir.read("quil0.4"), QByteArray("Buy milk\x01\x00", 10));
    EXPECT_EQ(dir.read("items0.dir"), names({"", "", "", "", "Buy milk"}, 62));
    EXPECT_EQ(w->Group[0]->text(), QStringLiteral("Untitled"));
    EXPECT_EQ(note(), QString());
    EXPECT_EQ(focus(), static_cast<QWidget*>(m->noteBox()));

    // Another group, then back: each group brings back its own item, also
    // in the settings file.
    click(w->Group[7]);
    click(w->Item[12]);
    click(w->Group[0]);
    expectChosen(0, 9);
    const auto saved = SettingsRecord::fromBytes(dir.read("quillo.ini"));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->CurrentItem[7], 12);
    EXPECT_EQ(saved->CurrentItem[0], 9);
    EXPECT_FALSE(dir.exists("items7.dir")) << "choosing writes no index";
    // Clicking the chosen item reads its note again.
    click(w->Item[4]);
    EXPECT_EQ(note(), QStringLiteral("Buy milk"));
    dir.write("quil0.4", QByteArray("after\x01\x00", 7));
    click(w->Item[4]);
    EXPECT_EQ(note(), QStringLiteral("after"));
}

TEST_F(Selection, WordWrapIsSwitchedPerNote) {
    dir.write("quil0.0", QByteArray("a long line\x01\x00", 13));
    start();
    const QByteArray before = dir.read("quil0.0");
    click(w->Wordwrapcheck);
    EXPECT_TRUE(w->Txt[0]->isVisible());
    EXPECT_FALSE(w->Txt[1]->isVisible());
    EXPECT_EQ(note(), QStringLiteral("a long line"));
    click(w->Wordwrapcheck);
    click(w->Item[1]);
    EXPECT_EQ(dir.read("quil0.0"), before) << "toggled twice, nothing written";

    click(w->Item[0]);
    click(w->Wordwrapcheck);
    type("!");
    click(w->Item[1]);
    EXPECT_EQ(dir.read("quil0.0"), QByteArray("!a long line\x00\x00", 14));
    click(w->Item[0]);
    EXPECT_TRUE(w->Txt[0]->isVisible());
    EXPECT_FALSE(w->Wordwrapcheck->isChecked());

    // Space on the check box switches the box as a click does.
    w->Wordwrapcheck->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w->Wordwrapcheck, Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_TRUE(w->Wordwrapcheck->isChecked());
    EXPECT_TRUE(w->Txt[1]->isVisible());
    EXPECT_FALSE(w->Txt[0]->isVisible());
    EXPECT_EQ(focus(), static_cast<QWidget*>(w->Txt[1]));
}

// Esc gives up a rename: nothing is written and the old name stays.
// Tapping Alt hands the keyboard to the menu bar for a moment; the name
// edit goes on. Shift+Enter in the note is a plain line break.
TEST_F(Selection, EscGivesUpARenameAltTapKeepsItShiftEnterBreaksTheLine) {
    dir.write("group.dir", names({"", "", "Old"}, 31));
    dir.write("items0.dir", names({"a"}, 62));
    start();
    const QByteArray groups = dir.read("group.dir");
    const QByteArray items = dir.read("items0.dir");
    const std::vector<std::pair<ButtonLabel*, QString>> renames = {
        {w->Item[0], "a"}, {w->Item[5], ""}, {w->Group[2], "Old"}, {w->Group[7], ""}};
    for (const auto& [b, old] : renames) {
        click(b, Qt::RightButton);
        type("New");
        key(Qt::Key_Escape);
        EXPECT_FALSE(w->groupedit->isVisible() || w->ItemEdit->isVisible());
        EXPECT_EQ(w->EditMode, 0);
        EXPECT_EQ(focus(), static_cast<QWidget*>(m->noteBox()));
        EXPECT_EQ(b->text(), old) << b->objectName().toStdString();
    }
    EXPECT_EQ(dir.read("group.dir"), groups);
    EXPECT_EQ(dir.read("items0.dir"), items);
    EXPECT_FALSE(dir.exists("items7.dir"));

    click(w->Group[2], Qt::RightButton);
    type("Rec");
    QTest::keyClick(focus(), Qt::Key_Alt);
    EXPECT_TRUE(w->groupedit->isVisible());
    QTest::keyClick(focus(), Qt::Key_Alt);
    w->groupedit->setFocus();
    type("ipes");
    key(Qt::Key_Return);
    EXPECT_EQ(w->Group[2]->text(), QStringLiteral("Recipes"));

    type("a");
    QTest::keyClick(focus(), Qt::Key_Return, Qt::ShiftModifier);
    key(Qt::Key_Return);
    type("b");
    EXPECT_EQ(note(), QStringLiteral("a\n\nb"));
}

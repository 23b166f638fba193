#include "mainwindowfixture.h"
#include "soon.h"

#include "app/helpviewer.h"
#include "store/waiting.h"
#include "ui/dialogs/about.h"
#include "ui/dialogs/cant.h"
#include "ui/dialogs/colorform.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"
#include "ui/main/searchform.h"
#include "ui/main/targetform.h"
#include "ui/net/net.h"
#include "ui/net/pass.h"

#include <QAccessible>
#include <QLineEdit>
#include <QListWidget>

namespace {

QString nameOf(QObject* o) {
    const QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(o);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
}

// Every object a screen reader reaches from `iface` that it would read out
// without a name. Separators need none, nor Qt's own inner parts of a
// control ("qt_" names: a text box's viewport); hidden objects are skipped
// where `shownOnly`.
void unnamed(QAccessibleInterface* iface, bool shownOnly, QStringList& out) {
    if (!iface || (shownOnly && iface->state().invisible)) {
        return;
    }
    QObject* o = iface->object();
    const bool inner = o && o->objectName().startsWith(QLatin1String("qt_"));
    if (!inner && iface->role() != QAccessible::Separator &&
        iface->text(QAccessible::Name).trimmed().isEmpty()) {
        out.append(QStringLiteral("%1 '%2' (role %3)")
                       .arg(o ? o->metaObject()->className() : "?", o ? o->objectName() : QString())
                       .arg(int(iface->role())));
    }
    for (int k = 0; k < iface->childCount(); ++k) {
        unnamed(iface->child(k), shownOnly, out);
    }
}

std::string unnamedIn(QWidget* top, bool shownOnly) {
    QStringList out;
    unnamed(QAccessible::queryAccessibleInterface(top), shownOnly, out);
    return out.join(QStringLiteral("; ")).toStdString();
}

} // namespace

class Accessibility : public MainWindowFixture {};

TEST_F(Accessibility, EveryControlIsNamed) {
    start();
    EXPECT_EQ(unnamedIn(w.get(), false), "");
    for (ButtonLabel* b : {w->Group[0], w->Item[61], w->Trans[11]}) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(b)->role(), QAccessible::Button);
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w->Txt[1])->role(), QAccessible::EditableText);

    // Every dialog, as it shows; fields are named by their captions.
    QLineEdit netDir;
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.emplace_back(new ColorForm(*m, *w));
    auto* net = new Net(*m, &netDir, nullptr, w.get());
    dialogs.emplace_back(net);
    auto* pass = new Pass(*m, w.get());
    dialogs.emplace_back(pass);
    auto* find = new SearchForm(w.get());
    dialogs.emplace_back(find);
    dialogs.emplace_back(new about(w.get()));
    dialogs.emplace_back(new cant(w.get()));
    dialogs.emplace_back(new Waiting([](QString*) { return false; }, 25, ui.screen, w.get()));
    auto* target = new TargetForm(
        "Move To", "Move \"a\" to:",
        {{"Group 1, Work", {{3, "Item 4"}}}, {"Transfer slots", {{0, "Transfer slot 1"}}}}, 0,
        w.get());
    dialogs.emplace_back(target);
    for (auto& d : dialogs) {
        d->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
        EXPECT_EQ(unnamedIn(d.get(), true), "") << d->objectName().toStdString();
        d->hide();
    }
    HelpViewer help;
    help.showFile(dir.path() + "quillo.hlp");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    EXPECT_EQ(unnamedIn(&help, true), "");
    help.hide();
    EXPECT_EQ(nameOf(net->Refreshtext), QStringLiteral("Refresh interval in secs. ( 2 - 60 )"));
    EXPECT_EQ(nameOf(pass->Password[1]), QStringLiteral("New Password"));
    EXPECT_EQ(nameOf(find->Txt), QStringLiteral("Enter the text to search for."));
    EXPECT_EQ(nameOf(target->PlaceList), QStringLiteral("Free place"));
}

TEST_F(Accessibility, NamesFollowCaptionsAndTheSelection) {
    dir.write("group.dir", names({"", "", "", "Recipes"}, 31));
    dir.write("items3.dir", names({"Pancakes"}, 62));
    dir.write("trans.dir", names({"", "", "Parked note"}, 12));
    writeSettings(dir, [](SettingsRecord& r) { r.CurrentItem[0] = 2; });
    start();
    EXPECT_EQ(nameOf(w->Group[0]), QStringLiteral("Group 1, empty, selected"));
    EXPECT_EQ(nameOf(w->Item[2]), QStringLiteral("Item 3, empty, selected"));
    EXPECT_EQ(nameOf(w->Trans[2]), QStringLiteral("Transfer slot 3, Parked note"));
    EXPECT_EQ(nameOf(m->noteBox()), QStringLiteral("Note of Group 1, item 3"));

    click(w->Group[3]);
    EXPECT_EQ(nameOf(w->Group[3]), QStringLiteral("Group 4, Recipes, selected"));
    EXPECT_EQ(nameOf(w->Group[0]), QStringLiteral("Group 1, empty"));
    EXPECT_EQ(nameOf(w->Item[0]), QStringLiteral("Item 1, Pancakes, selected"));
    EXPECT_EQ(nameOf(w->Item[2]), QStringLiteral("Item 3, empty"));
    EXPECT_EQ(nameOf(m->noteBox()), QStringLiteral("Note of Recipes: Pancakes"));

    // Renamed: the button and the note follow.
    click(w->Item[0], Qt::RightButton);
    type("Waffles");
    key(Qt::Key_Return);
    EXPECT_EQ(nameOf(w->Item[0]), QStringLiteral("Item 1, Waffles, selected"));
    EXPECT_SOON(nameOf(m->noteBox()) == QStringLiteral("Note of Recipes: Waffles"));

    // A caption that changes with no change of choice: the group on display
    // gets a name from a drop.
    click(w->Group[5]);
    drag(Qt::RightButton, {w->Group[3], w->Group[5]});
    EXPECT_EQ(nameOf(w->Group[5]), QStringLiteral("Group 6, Recipes, selected"));
    EXPECT_SOON(nameOf(m->noteBox()) == QStringLiteral("Note of Recipes: Waffles"));

    // Names read again from the store (as a refresh does) with the focus
    // staying in the note.
    dir.write("items5.dir", names({"Crepes"}, 62));
    m->LoadItemIndex();
    EXPECT_SOON(nameOf(m->noteBox()) == QStringLiteral("Note of Recipes: Crepes"));

    // A screen reader's press chooses as Enter does.
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(w->Item[7]);
    item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(m->S.currentItem(), 7);
    EXPECT_EQ(nameOf(m->noteBox()), QStringLiteral("Note of Recipes, item 8"));
}

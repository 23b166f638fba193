#include "mainwindowfixture.h"
#include "soon.h"

#include "app/helpviewer.h"
#include "core/storelock.h"
#include "ui/dialogs/about.h"
#include "ui/dialogs/cant.h"
#include "ui/dialogs/colorform.h"
#include "ui/dialogs/earliertexts.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"
#include "ui/main/searchform.h"
#include "ui/main/targetform.h"
#include "ui/net/net.h"
#include "ui/net/pass.h"
#include "ui/net/waiting.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyleOptionButton>

#include <cerrno>
#include <functional>

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

// The room a control gives its caption, or an empty rectangle where it has
// no fixed caption (a name button's caption is the user's, cut like any).
QRect captionRoom(QWidget* c, QString* text, int* flags) {
    if (qobject_cast<ButtonLabel*>(c) || c->objectName().startsWith(QLatin1String("qt_"))) {
        return {};
    }
    if (auto* l = qobject_cast<QLabel*>(c)) {
        *text = l->text();
        *flags = l->wordWrap() ? Qt::TextWordWrap : 0;
        const int m = l->margin();
        QRect room = l->contentsRect().adjusted(m, m, -m, -m);
        const int indent = l->indent() >= 0      ? l->indent()
                           : l->frameWidth() > 0 ? l->fontMetrics().horizontalAdvance('x') / 2
                                                 : 0;
        if (!(l->alignment() & Qt::AlignHCenter)) {
            room.setWidth(room.width() - indent);
        }
        return room;
    }
    if (auto* b = qobject_cast<QAbstractButton*>(c)) {
        *text = b->text().remove(QLatin1Char('&'));
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        const QStyle::SubElement inside =
            qobject_cast<QRadioButton*>(b) ? QStyle::SE_RadioButtonContents
            : qobject_cast<QCheckBox*>(b)  ? QStyle::SE_CheckBoxContents
                                           : QStyle::SE_PushButtonContents;
        return b->style()->subElementRect(inside, &opt, b);
    }
    if (auto* g = qobject_cast<QGroupBox*>(c)) {
        *text = g->title();
        return QRect(0, 0, g->width(), g->height());
    }
    return {};
}

// Controls whose caption is cut off, as "class 'name' text".
std::string cutOff(QWidget* top) {
    QStringList out;
    for (QWidget* c : top->findChildren<QWidget*>()) {
        QString text;
        int flags = 0;
        const QRect room = captionRoom(c, &text, &flags);
        if (text.isEmpty() || !c->isVisibleTo(top)) {
            continue;
        }
        const QRect needed =
            c->fontMetrics().boundingRect(QRect(0, 0, room.width(), 10000), flags, text);
        if (needed.width() > room.width() || needed.height() > room.height()) {
            out.append(QStringLiteral("%1 '%2' \"%3\" needs %4x%5 in %6x%7")
                           .arg(c->metaObject()->className(), c->objectName(), text)
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(room.width())
                           .arg(room.height()));
        }
    }
    return out.join(QStringLiteral("; ")).toStdString();
}

// Every dialog and the help window, as a user meets them.
struct Dialogs {
    QLineEdit netDir;
    std::vector<std::unique_ptr<QWidget>> all;

    Dialogs(Module1& m, edit& w, QSize screen, const QString& helpFile) {
        all.emplace_back(new ColorForm(m, w));
        all.emplace_back(new Net(m, &netDir, nullptr, &w));
        all.emplace_back(new Pass(m, &w));
        all.emplace_back(new SearchForm(&w));
        all.emplace_back(new about(&w));
        all.emplace_back(new cant(&w));
        all.emplace_back(new Waiting(
            [](QString* reason) {
                *reason = StoreLock::reason(EACCES);
                return false;
            },
            25, screen, &w));
        all.emplace_back(new TargetForm(
            "Move To", "Move \"a\" to:",
            {{"Group 1, Work", {{3, "Item 4"}}}, {"Transfer slots", {{0, "Transfer slot 1"}}}}, 0,
            &w));
        all.emplace_back(new EarlierTexts(
            {{"1/2/25 10:00:00", "ann", "Work", "Plan", "saved over", true}},
            [](int) {
                return EarlierTexts::Preview{true, "Old plan"};
            },
            &w));
        auto* help = new HelpViewer;
        all.emplace_back(help);
        help->showFile(helpFile);
        help->hide();
    }
    // Runs `check` on each window while it shows.
    void eachShown(const std::function<void(QWidget&)>& check) {
        for (auto& d : all) {
            d->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
            // The Waiting dialog's first retry shows its reason.
            QTest::qWait(60);
            check(*d);
            d->hide();
        }
    }
};

} // namespace

class Accessibility : public MainWindowFixture {};

// Run at scale factors 1, 1.5 and 2 (see the test list).
TEST_F(Accessibility, EveryControlIsNamedAndEveryCaptionFits) {
    start();
    EXPECT_EQ(unnamedIn(w.get(), false), "");
    for (ButtonLabel* b : {w->Group[0], w->Item[61], w->Trans[11]}) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(b)->role(), QAccessible::Button);
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w->Txt[1])->role(), QAccessible::EditableText);
    for (const int large : {1, 0}) {
        m->S.LargeLayout = static_cast<qint16>(large);
        w->ApplySizePreset();
        EXPECT_EQ(cutOff(w.get()), "") << "layout " << large;
        w->showdel(0);
        EXPECT_EQ(cutOff(w.get()), "") << "erase target, layout " << large;
        w->showdel(1);
    }
    Dialogs d(*m, *w, ui.screen, dir.path() + "quillo.hlp");
    // Every dialog, as it shows.
    d.eachShown([](QWidget& shown) {
        EXPECT_EQ(unnamedIn(&shown, true), "") << shown.objectName().toStdString();
        EXPECT_EQ(cutOff(&shown), "") << shown.objectName().toStdString();
    });
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

// The buttons keep quiet until the window first shows; start-up still names
// the note after the settings and the names it read.
TEST_F(Accessibility, TheNoteIsNamedBeforeTheWindowShows) {
    dir.write("group.dir", names({"", "Letters"}, 31));
    writeSettings(dir, [](SettingsRecord& r) {
        r.CurrentGroup = 1;
        r.CurrentItem[1] = 4;
    });
    Module1 module(ui, dir.path());
    edit window(module);
    InitialLoad(module, window);
    EXPECT_EQ(nameOf(module.noteBox()), QStringLiteral("Note of Letters, item 5"));
}

// A name taken from a note's first line keeps its line break in the store;
// its button draws it on one line, the break as a pilcrow, and a screen
// reader hears a blank there.
TEST_F(Accessibility, ANameWithALineBreakShowsOnOneLine) {
    start();
    type("Shopping");
    key(Qt::Key_Return);
    type("Milk");
    click(w->Item[5]);
    ASSERT_EQ(w->Item[0]->text(), QStringLiteral("Shopping\r\nMilk")) << "the name as stored";
    w->Item[1]->setText(QStringLiteral("Shopping\u00b6Milk"));
    const QImage drawn = w->Item[0]->grab().toImage();
    EXPECT_EQ(drawn, w->Item[1]->grab().toImage());
    EXPECT_NE(drawn, w->Item[2]->grab().toImage()) << "a caption is drawn at all";
    EXPECT_EQ(nameOf(w->Item[0]), QStringLiteral("Item 1, Shopping Milk"));
    click(w->Item[0]);
    EXPECT_EQ(nameOf(m->noteBox()), QStringLiteral("Note of Untitled: Shopping Milk"));
}

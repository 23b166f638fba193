#include "dialogscript.h"
#include "mainwindowfixture.h"
#include "soon.h"

#include "core/history.h"
#include "core/settingsrecord.h"
#include "ui/dialogs/earliertexts.h"
#include "ui/main/buttonlabel.h"

#include <QApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

// A kept text with a line break and letters beyond ASCII, as shown and as stored.
const QString kOther = QString::fromUtf8("other \xc3\xa9\ncaf\xc3\xa9");
const QByteArray kOtherStored = storedNote("other \xe9\r\ncaf\xe9");

// Each row as "item/what", and the preview of each, walked with Down.
QStringList rowsOf(EarlierTexts& d, QStringList* previews) {
    QStringList rows;
    for (int k = 0; k < d.List->topLevelItemCount(); ++k) {
        const QTreeWidgetItem* row = d.List->topLevelItem(k);
        rows.append(row->text(3) + '/' + row->text(4) + (row->font(0).bold() ? "/here" : ""));
        previews->append(d.Text->toPlainText());
        keyTo(d, Qt::Key_Down);
    }
    return rows;
}

QTreeWidgetItem* rowNamed(EarlierTexts& d, const QString& item) {
    const auto found = d.List->findItems(item, Qt::MatchExactly, 3);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class EarlierTextsTest : public MainWindowFixture {
protected:
    void SetUp() override {
        m_clock = History::clock();
        History::clock() = [this] { return m_now += 1000; };
    }
    void TearDown() override {
        History::clock() = m_clock;
        MainWindowFixture::TearDown();
    }
    // A text kept as an entry of the store's history, a second after the last.
    void keep(int group, int item, const QString& groupName, const QString& itemName,
              History::What what, const QByteArray& stored) {
        // A file of its own each: the history may keep a second name of it.
        const QString name = QString::number(m_now);
        src.write(name, stored);
        const History::Entry e{{}, 0, "ann", what, group, item, groupName, itemName};
        ASSERT_TRUE(History(dir.path()).keep(src.file(name), e).ok());
    }
    // "Earlier &Texts..." from the Edit menu, by the keyboard or the mouse;
    // `step` plays the user in the dialog.
    void open(bool byMouse, const std::function<void(EarlierTexts&)>& step) {
        DialogScript script(ui);
        script.then([step](QDialog& d) {
            QApplication::setActiveWindow(&d);
            step(static_cast<EarlierTexts&>(d));
        });
        // The window is active again once a dialog has closed, as on a desktop.
        QApplication::setActiveWindow(w.get());
        ASSERT_SOON(w->isActiveWindow());
        if (byMouse) {
            QMenuBar* bar = w->menuBar();
            QTest::mouseClick(
                w->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                bar->mapTo(w.get(), bar->actionGeometry(w->Fedit->menuAction()).center()));
            ASSERT_SOON(w->Fedit->isVisible());
            QTest::mouseClick(w->Fedit->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                              w->Fedit->actionGeometry(w->FearlierTexts).center());
        } else {
            QTest::keyClick(w->windowHandle(), Qt::Key_E, Qt::AltModifier);
            ASSERT_SOON(w->Fedit->isVisible());
            QTest::keyClick(w->Fedit->windowHandle(), Qt::Key_T);
        }
        ASSERT_SOON(script.finished());
        QApplication::processEvents();
    }

    TestFolder src;
    qint64 m_now = 1'700'000'000'000;
    std::function<qint64()> m_clock;
};

// Every way a kept text goes back: beside the note on screen, into the empty
// note on screen, into a transfer slot, or nowhere; by mouse and keyboard.
TEST_F(EarlierTextsTest, ListsPreviewsAndRestoresIntoAFreePlace) {
    writeSettings(dir, [](SettingsRecord& r) { r.LargeLayout = 1; });
    dir.write("group.dir", names({"Work"}, 31));
    dir.write("items0.dir", names({"Plan"}, 62));
    dir.write("quil0.0", storedNote("new plan"));
    keep(0, 0, "Work", "Plan", History::What::SavedOver, storedNote("old plan A"));
    keep(2, 5, "Home", "Other", History::What::Erased, kOtherStored);
    keep(0, 0, "Work", "Plan", History::What::SavedOver, storedNote("old plan B"));
    keep(-1, 3, "", "Slotty", History::What::MovedAway, storedNote("slot text"));
    start();

    // The note on screen is not empty: Enter puts "old plan A" into the
    // group's first free item.
    open(false, [](EarlierTexts& d) {
        QStringList previews;
        EXPECT_EQ(rowsOf(d, &previews), QStringList({"Plan/saved over/here", "Plan/saved over/here",
                                                     "Slotty/moved away", "Other/erased"}));
        EXPECT_EQ(previews, QStringList({"old plan B", "old plan A", "slot text", kOther}));
        keyTo(d, Qt::Key_Home);
        keyTo(d, Qt::Key_Down);
        keyTo(d, Qt::Key_Return);
    });
    EXPECT_EQ(dir.read("quil0.1"), storedNote("old plan A"));
    EXPECT_EQ(dir.read("items0.dir"), names({"Plan", "Plan"}, 62));
    EXPECT_EQ(dir.read("quil0.0"), storedNote("new plan"));
    EXPECT_EQ(m->HighlightedItem, 1);
    EXPECT_EQ(note(), "old plan A");

    // An empty note on screen takes it, by the mouse; the restore is kept.
    click(w->Item[5]);
    open(true, [](EarlierTexts& d) {
        QTreeWidgetItem* other = rowNamed(d, "Other");
        ASSERT_TRUE(other);
        EXPECT_EQ(d.List->topLevelItem(0)->text(4), "restored");
        const QPoint at = d.List->viewport()->mapTo(&d, d.List->visualItemRect(other).center());
        QTest::mouseClick(d.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_EQ(d.Text->toPlainText(), kOther);
        mouseClick(d.RestoreBtn);
    });
    EXPECT_EQ(dir.read("quil0.5"), kOtherStored);
    EXPECT_EQ(dir.read("items0.dir").mid(5 * 40, 40), field("Other"));
    EXPECT_FALSE(dir.exists("quil0.2"));
    EXPECT_EQ(m->HighlightedItem, 5);
    EXPECT_EQ(note(), kOther);
    const History::Entry last = History(dir.path()).entries().first();
    EXPECT_EQ(last.what, History::What::Restored);
    EXPECT_EQ(std::tuple(last.group, last.item, last.itemName), std::tuple(0, 5, QString("Other")));

    // No free item: a transfer slot takes it (Alt+R).
    const QByteArray full = field("Full").repeated(62);
    dir.write("items0.dir", full);
    m->LoadItemIndex();
    open(false, [](EarlierTexts& d) {
        d.List->setCurrentItem(rowNamed(d, "Slotty"));
        keyTo(d, Qt::Key_R, Qt::AltModifier);
        EXPECT_SOON(!d.isVisible()); // a mnemonic shows its button pressed first
    });
    EXPECT_FALSE(dir.exists("trans.3")) << "the first free slot, not the one it came from";
    EXPECT_EQ(dir.read("trans.0"), storedNote("slot text"));
    EXPECT_EQ(dir.read("trans.dir"), names({"Slotty"}, 12));
    EXPECT_EQ(w->Trans[0]->text(), "Slotty");
    EXPECT_EQ(dir.read("items0.dir"), full);

    // No free slot either: nothing changes, and the user is told.
    dir.write("trans.dir", field("Taken").repeated(12));
    m->LoadTransferIndex();
    const auto before = dir.snapshot();
    const int entries = int(History(dir.path()).entries().size());
    ui.errors.clear();
    open(false, [](EarlierTexts& d) {
        keyTo(d, Qt::Key_R, Qt::AltModifier);
        EXPECT_SOON(!d.isVisible());
    });
    EXPECT_EQ(dir.snapshot(), before);
    EXPECT_EQ(History(dir.path()).entries().size(), entries);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors.first().startsWith("There is no room"))
        << ui.errors.first().toStdString();

    // Tab walks list, text, Restore, Close; Esc closes without a restore.
    open(false, [](EarlierTexts& d) {
        QStringList order;
        for (int k = 0; k < 4; ++k) {
            order.append(QApplication::focusWidget()->objectName());
            keyTo(d, Qt::Key_Tab);
        }
        EXPECT_EQ(order, QStringList({"List", "Text", "RestoreBtn", "CloseBtn"}));
        keyTo(d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(dir.snapshot(), before);
}

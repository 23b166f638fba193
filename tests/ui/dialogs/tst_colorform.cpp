#include "dialogscript.h"
#include "mainwindowfixture.h"

#include "store/vbcolor.h"
#include "ui/dialogs/colorform.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"
#include "ui/net/net.h"
#include "ui/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

ColorForm& form(QDialog& d) {
    EXPECT_EQ(d.objectName(), QStringLiteral("ColorForm"));
    return static_cast<ColorForm&>(d);
}

} // namespace

using Options = MainWindowFixture;

// OK changes no byte and paints the highlight back; "Yellow" for the groups
// paints all 31 at once and is stored at once; Esc paints the highlight back too.
TEST_F(Options, OkChangesNoByteAndAChosenColourPaintsAndIsStoredAtOnce) {
    start();
    click(w->Group[3]);
    click(w->Item[5]);
    const QByteArray before = dir.read("quillo.ini");
    DialogScript script(ui);
    script
        .then([&](QDialog& d) {
            ColorForm& f = form(d);
            EXPECT_TRUE(f.Items[1]->isChecked() && f.Group[2]->isChecked());
            // While the dialog is open the chosen buttons show their plain colours.
            EXPECT_EQ(VbColor::of(w->Group[3]), 0x0000FF00);
            mouseClick(f.OKBtn);
        })
        .then([&](QDialog& d) {
            ColorForm& f = form(d);
            mouseClick(f.Group[3]);
            for (ButtonLabel* g : w->Group) {
                EXPECT_EQ(VbColor::of(g), 0x0000FFFF) << g->index();
            }
            EXPECT_EQ(dir.read("quillo.ini").mid(64, 4), le32(0xFFFF));
            QTest::keyClick(f.holdfocus, Qt::Key_Escape);
        });
    click(w->ColorBtn);
    EXPECT_EQ(dir.read("quillo.ini"), before);
    EXPECT_EQ(VbColor::of(w->Group[3]), VbColor::Highlight);
    EXPECT_EQ(VbColor::of(w->Item[5]), VbColor::Highlight);
    // The note box takes the focus again (the window's own, whenever it is active).
    EXPECT_EQ(w->focusWidget(), static_cast<QWidget*>(w->Txt[1]));
    click(w->ColorBtn);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(VbColor::of(w->Group[3]), VbColor::Highlight);
    EXPECT_EQ(VbColor::of(w->Group[30]), 0x0000FFFF);
}

// An unknown colour stays in force with nothing selected; "White" is the
// system's window colour.
TEST_F(Options, AnUnknownColourStaysUnselectedAndWhiteFollowsTheSystem) {
    writeSettings(dir, [](SettingsRecord& r) {
        r.PadColor = 0x00FFFF00;
        r.ItemColor = 0x00123456;
    });
    start();
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Base, QColor(0x20, 0x40, 0x60));
    QApplication::setPalette(dark);
    DialogScript script(ui);
    script.then([&](QDialog& d) {
        ColorForm& f = form(d);
        for (QRadioButton* option : f.Items) {
            EXPECT_FALSE(option->isChecked()) << option->text().toStdString();
        }
        EXPECT_EQ(VbColor::of(w->Item[7]), 0x00123456);
        mouseClick(f.Pad[0]);
        mouseClick(f.OKBtn);
    });
    click(w->ColorBtn);
    QApplication::setPalette(saved);
    EXPECT_EQ(w->Txt[0]->palette().color(QPalette::Base), QColor(0x20, 0x40, 0x60));
    EXPECT_EQ(w->Txt[1]->palette().color(QPalette::Base), QColor(0x20, 0x40, 0x60));
    EXPECT_EQ(dir.read("quillo.ini").mid(68, 8), le32(0x00123456) + le32(0x80000005U));
}

TEST_F(Options, LowResolutionLaysTheWindowOutSmallAtOnce) {
    writeSettings(dir, [](SettingsRecord& r) { r.LargeLayout = 1; });
    start();
    DialogScript script(ui);
    script.then([&](QDialog& d) {
        ColorForm& f = form(d);
        EXPECT_TRUE(f.SizeOption[1]->isChecked());
        mouseClick(f.SizeOption[0]);
        EXPECT_FALSE(w->Item[24]->isVisible()) << "laid out small at once";
        EXPECT_EQ(dir.read("quillo.ini").mid(86, 2), QByteArray("\0\0", 2));
        mouseClick(f.StartMin);
        EXPECT_EQ(dir.read("quillo.ini").mid(84, 2), QByteArray("\1\0", 2));
        mouseClick(f.OKBtn);
    });
    click(w->ColorBtn);
    EXPECT_EQ(w->size(), QSize(Twips::toPx(9600), Twips::toPx(6900)));
}

// The network dialog opens in the current folder; OK there shows it in NetDir.
TEST_F(Options, AFolderChosenInTheNetworkDialogShowsInNetDir) {
    const QString folder = QDir(dir.mkdir("shared")).canonicalPath();
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(folder);
    start();
    DialogScript script(ui);
    script
        .then([&](QDialog& d) {
            ColorForm& f = form(d);
            mouseClick(f.SetNetDir);
            EXPECT_EQ(f.NetDir->text(), folder);
            mouseClick(f.OKBtn);
        })
        .then([&](QDialog& d) { mouseClick(static_cast<Net&>(d).OKBtn); });
    click(w->ColorBtn);
    QDir::setCurrent(cwd);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(m->NetFolder, folder + "/");
}

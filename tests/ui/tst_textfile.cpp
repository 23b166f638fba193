#include "childprocess.h"
#include "mainwindowfixture.h"

#include "app/qtuiservices.h"
#include "store/filelayer.h"
#include "ui/dialogs/cant.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"
#include "ui/twips.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <cerrno>
#include <sys/stat.h>

namespace {

const QString kFilters = QStringLiteral("All Files (*);;Text Files (*.txt *.doc *.bat *.ini)");

} // namespace

class TextFiles : public MainWindowFixture {
protected:
    void TearDown() override {
        FileFaults::reset();
        MainWindowFixture::TearDown();
    }
    // Opens the File menu and closes it again: what it offered.
    QStringList fileMenuOffers() {
        w->file->popup(w->mapToGlobal(QPoint(20, 20)));
        QStringList offers;
        for (QAction* a : {w->Fopen, w->Fsave, w->Fsaveas}) {
            if (a->isEnabled()) {
                offers.append(a->text());
            }
        }
        w->file->hide();
        return offers;
    }
    void open(const QString& path) {
        ui.nextFileName = path;
        w->Fopen->trigger();
    }
    void saveAs(const QString& path) {
        ui.nextFileName = path;
        w->Fsaveas->trigger();
    }
    // Every `cant` shown is looked at, then closed by its OK button.
    void answerCant() {
        ui.onModal = [this](QDialog& d) {
            auto* box = qobject_cast<cant*>(&d);
            if (!box) {
                return false;
            }
            beepsBeforeCant = ui.beeps;
            cantText = box->Label1->text();
            cantTitle = box->windowTitle();
            cantGeometry = QRect(box->pos(), box->size());
            QTimer::singleShot(0, box->OK, [box] { box->OK->click(); });
            return false;
        };
    }
    int beepsBeforeCant = 0;
    QString cantText;
    QString cantTitle;
    QRect cantGeometry;
};

TEST_F(TextFiles, FileMenuOffersWhatTheNoteAllows) {
    dir.write("items0.dir", names({"a", "b"}, 62));
    start();
    EXPECT_EQ(fileMenuOffers(), QStringList({"&Open"}));
    type("x");
    EXPECT_EQ(fileMenuOffers(), QStringList({"Save &As"}));
    saveAs(dir.file("out.txt"));
    EXPECT_EQ(fileMenuOffers(), QStringList({"&Save", "Save &As"}));
    click(w->Item[1]);
    EXPECT_EQ(fileMenuOffers(), QStringList({"&Open"}));
    click(w->Item[0]);
    EXPECT_EQ(fileMenuOffers(), QStringList({"Save &As"})) << "no Save after turning away";
}

TEST_F(TextFiles, OpenedLinesAreSavedIntoTheStoreByTheNextClick) {
    dir.write("lines.txt", "first line\r\nsecond line");
    start();
    open(dir.file("lines.txt"));
    EXPECT_EQ(m->noteBox()->toPlainText(), "first line\nsecond line");
    EXPECT_EQ(w->Txt[1 - m->S.WordWrap]->toPlainText(), QString()) << "the hidden box untouched";
    EXPECT_EQ(w->TextFileName, dir.file("lines.txt"));
    EXPECT_TRUE(w->Fsave->isEnabled());
    EXPECT_TRUE(m->noteChanged());
    click(w->Item[1]);
    EXPECT_EQ(dir.read("quil0.0"), QByteArray("first line\r\nsecond line\x01\x00", 25));
    EXPECT_EQ(dir.read("lines.txt"), "first line\r\nsecond line");
}

TEST_F(TextFiles, UtfEightAndWindows1252LoadTheSameText) {
    dir.write("utf8.txt", "\xef\xbb\xbf"
                          "Caf\xc3\xa9 \xe2\x82\xac\n\xc5\x93 \xd0\x96");
    dir.write("cp1252.txt", "Caf\xe9 \x80\r\n\x9c ?");
    start();
    open(dir.file("utf8.txt"));
    const QString expected = QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac\n\xc5\x93 ?");
    EXPECT_EQ(note(), expected) << "what the store cannot hold enters as '?'";
    w->Fselectall->trigger();
    w->Fdelete->trigger();
    open(dir.file("cp1252.txt"));
    EXPECT_EQ(note(), expected);

    // Written back as UTF-8 with CR LF.
    saveAs(dir.file("back.txt"));
    EXPECT_EQ(dir.read("back.txt"), "Caf\xc3\xa9 \xe2\x82\xac\r\n\xc5\x93 ?");
}

TEST_F(TextFiles, AMissingNameIsCreatedEmptyAndLoadsNothing) {
    start();
    open(dir.file("new.txt"));
    ASSERT_TRUE(dir.exists("new.txt"));
    EXPECT_EQ(dir.read("new.txt"), QByteArray());
    EXPECT_EQ(note(), QString());
    EXPECT_EQ(w->TextFileName, dir.file("new.txt"));
    EXPECT_EQ(fileMenuOffers(), QStringList({"&Open", "&Save"}));
    EXPECT_TRUE(ui.modalsShown.isEmpty());
}

TEST_F(TextFiles, SaveAsOverALongerFileLeavesExactlyTheNote) {
    dir.write("old.txt", "a much longer text that was there before\r\nand more");
    start();
    type("short");
    saveAs(dir.file("old.txt"));
    EXPECT_EQ(dir.read("old.txt"), "short");
    // Save writes the same file again, without a dialog.
    key(Qt::Key_Return);
    type("er");
    w->Fsave->trigger();
    EXPECT_EQ(dir.read("old.txt"), "short\r\ner");
    EXPECT_EQ(ui.fileDialogs.size(), 1U);
    // Through a link, the file it names is written and the link stays.
    ASSERT_TRUE(QFile::link(dir.file("old.txt"), dir.file("link.txt")));
    type("!");
    saveAs(dir.file("link.txt"));
    EXPECT_TRUE(QFileInfo(dir.file("link.txt")).isSymLink());
    EXPECT_EQ(dir.read("old.txt"), "short\r\ner!");
    EXPECT_TRUE(ui.errors.isEmpty());
}

TEST_F(TextFiles, OnlyTheFirstOpenPreselectsTextFiles) {
    start();
    saveAs(QString());
    ui.nextFilterIndex = 2;
    open(QString());
    open(QString());
    type("x");
    saveAs(QString());
    ASSERT_EQ(ui.fileDialogs.size(), 4U);
    EXPECT_EQ(ui.fileDialogs[0].filter, QString()) << "no filters before the first Open";
    EXPECT_EQ(ui.fileDialogs[1].filter, kFilters);
    EXPECT_EQ(ui.fileDialogs[1].filterIndex, 2);
    EXPECT_EQ(ui.fileDialogs[2].filterIndex, 1) << "the first Open was cancelled";
    EXPECT_EQ(ui.fileDialogs[3].filter, kFilters) << "Save As shows the last Open's filters";
    EXPECT_EQ(ui.fileDialogs[3].filterIndex, 2) << "and the one chosen there";
    EXPECT_EQ(w->FileFilterIndex, 1);
    EXPECT_EQ(note(), "x");
}

TEST_F(TextFiles, AFileThatCannotBeReadGivesCantAndLeavesTheNoteEmpty) {
    dir.write("locked.txt", "secret");
    dir.mkdir("folder.txt");
    dir.write("plain", "a file, not a folder");
    QFile big(dir.file("big.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(16 * 1024 * 1024 + 1));
    big.close();
    start();
    open(dir.file("new.txt"));
    answerCant();
    QStringList touched;
    FileFaults::setObserver([&](const char* step, const QString& path) {
        touched.append(path + QLatin1Char(' ') + QLatin1String(step));
    });
    FileFaults::failStep("open", "locked.txt", EACCES);

    open(dir.file("locked.txt"));
    EXPECT_EQ(ui.modalsShown, QStringList({"cant"}));
    EXPECT_EQ(beepsBeforeCant, 1) << "the beep comes first";
    EXPECT_EQ(cantText, "Sorry - Can't open this file.");
    EXPECT_EQ(cantTitle, QString());
    EXPECT_EQ(cantGeometry.size(), QSize(Twips::toPx(2580), Twips::toPx(1044)));
    EXPECT_EQ(cantGeometry.topLeft(),
              QPoint(Twips::toPx(w->leftTwips() + 90), Twips::toPx(w->topTwips() + 550)));
    for (const char* name : {"folder.txt", "plain/inside.txt", "big.txt"}) {
        open(dir.file(name));
    }
    EXPECT_EQ(ui.modalsShown.size(), 4);
    EXPECT_EQ(ui.beeps, 4);
    EXPECT_FALSE(touched.contains(dir.file("big.txt") + " open")) << "refused before reading";
    EXPECT_EQ(note(), QString());
    EXPECT_FALSE(m->noteChanged());
    EXPECT_EQ(w->TextFileName, dir.file("new.txt")) << "the name is not remembered";
}

TEST_F(TextFiles, AFailedSaveTellsTheUserAndKeepsTheOldFile) {
    const QString sub = dir.mkdir("sub");
    start();
    type("the note");
    saveAs(sub + "out.txt");
    ASSERT_EQ(dir.read("sub/out.txt"), "the note");

    // A full disk: the old file stays whole.
    type(" grows");
    FileFaults::failStep("write", "out.txt", ENOSPC);
    w->Fsave->trigger();
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains(sub + "out.txt")) << ui.errors[0].toStdString();
    EXPECT_TRUE(ui.errors[0].contains("No space left on device"));
    EXPECT_EQ(dir.read("sub/out.txt"), "the note");

    // A file made read-only is not replaced, even in a folder the user may
    // write (as root it could be; an ordinary user is refused).
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(sub).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(sub + "out.txt").constData(), 0444), 0);
    const int code = runInChild(
        [&] {
            w->Fsave->trigger();
            return ui.errors.size() == 2 && ui.errors[1].contains("Permission denied") ? 0 : 1;
        },
        65534);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(dir.read("sub/out.txt"), "the note");

    // The folder is gone; Save As into a path that cannot be.
    ASSERT_TRUE(QDir(sub).removeRecursively());
    w->Fsave->trigger();
    ASSERT_EQ(ui.errors.size(), 2);
    EXPECT_TRUE(ui.errors[1].contains(sub + "out.txt"));
    dir.write("plain", "x");
    saveAs(dir.file("plain/out.txt"));
    ASSERT_EQ(ui.errors.size(), 3);
    EXPECT_TRUE(ui.errors[2].contains(dir.file("plain/out.txt")));
    EXPECT_EQ(note(), "the note grows") << "the program runs on with the note as it was";
}

// The platform's dialog behind the services: the filter index goes in and
// comes back, and Open takes a name that does not exist yet.
TEST(FileDialogs, TheFilterIndexGoesInAndComesBack) {
    TestFolder dir;
    QtUiServices services;
    QString preselected;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        preselected = dialog->selectedNameFilter();
        if (dialog->fileMode() != QFileDialog::AnyFile) {
            dialog->reject(); // it would refuse the new name
            return;
        }
        dialog->selectNameFilter(dialog->nameFilters().constFirst());
        dialog->selectFile(dir.file("new.txt"));
        static_cast<QDialog*>(dialog)->accept(); // as its Open button does
    });
    int index = 2;
    const QString path =
        services.openFileName(nullptr, QStringLiteral("Open"), dir.path(), kFilters, &index);
    EXPECT_EQ(preselected, "Text Files (*.txt *.doc *.bat *.ini)");
    EXPECT_EQ(index, 1);
    EXPECT_EQ(path, dir.file("new.txt"));

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(
        services.saveFileName(nullptr, QStringLiteral("Save As"), dir.path(), kFilters, &index),
        QString())
        << "Cancel";
}

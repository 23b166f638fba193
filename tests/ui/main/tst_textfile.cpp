#include "childprocess.h"
#include "mainwindowfixture.h"

#include "app/qtuiservices.h"
#include "core/filelayer.h"
#include "ui/dialogs/cant.h"
#include "ui/main/buttonlabel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include <cerrno>
#include <sys/stat.h>

namespace {

const QString kFilters = QStringLiteral("All Files (*);;Text Files (*.txt *.doc *.bat *.ini)");

} // namespace

class TextFiles : public MainWindowFixture {
protected:
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

    // A name that does not exist yet is created empty and loads nothing.
    click(w->Item[1]);
    ASSERT_EQ(fileMenuOffers(), QStringList({"&Open"}));
    open(dir.file("new.txt"));
    EXPECT_EQ(dir.read("new.txt"), QByteArray());
    ASSERT_TRUE(dir.exists("new.txt"));
    EXPECT_EQ(note(), QString());
    EXPECT_EQ(fileMenuOffers(), QStringList({"&Open", "&Save"}));
}

TEST_F(TextFiles, OpenedTextIsSavedIntoTheStoreByTheNextClick) {
    dir.write("lines.txt", "first line\r\nsecond line");
    dir.write("utf8.txt", "\xef\xbb\xbf"
                          "Caf\xc3\xa9 \xe2\x82\xac\n\xc5\x93 \xd0\x96");
    dir.write("cp1252.txt", "Caf\xe9 \x80\r\n\x9c ?");
    start();
    open(dir.file("lines.txt"));
    EXPECT_EQ(note(), "first line\nsecond line");
    EXPECT_TRUE(m->noteChanged());
    click(w->Item[1]);
    EXPECT_EQ(dir.read("quil0.0"), QByteArray("first line\r\nsecond line\x01\x00", 25));

    // UTF-8 and Windows-1252 give the same text; what the store cannot hold
    // enters as '?'. Written back as UTF-8 with CR LF.
    open(dir.file("utf8.txt"));
    const QString expected = QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac\n\xc5\x93 ?");
    EXPECT_EQ(note(), expected);
    click(w->Item[2]);
    open(dir.file("cp1252.txt"));
    EXPECT_EQ(note(), expected);
    saveAs(dir.file("back.txt"));
    EXPECT_EQ(dir.read("back.txt"), "Caf\xc3\xa9 \xe2\x82\xac\r\n\xc5\x93 ?");
}

TEST_F(TextFiles, SaveAsOverALongerFileLeavesExactlyTheNote) {
    dir.write("old.txt", "a much longer text that was there before\r\nand more");
    start();
    type("short");
    saveAs(dir.file("old.txt"));
    EXPECT_EQ(dir.read("old.txt"), "short");
    // Save writes the same file again, without a dialog.
    key(Qt::Key_Return);
    w->Fsave->trigger();
    EXPECT_EQ(dir.read("old.txt"), "short\r\n");
    EXPECT_EQ(ui.fileDialogs.size(), 1U);
    // Through a link, the file it names is written and the link stays.
    ASSERT_TRUE(QFile::link(dir.file("old.txt"), dir.file("link.txt")));
    type("!");
    saveAs(dir.file("link.txt"));
    EXPECT_TRUE(QFileInfo(dir.file("link.txt")).isSymLink());
    EXPECT_EQ(dir.read("old.txt"), "short\r\n!");
}

// The dialogs open first where a person keeps documents (the home folder
// when there is no documents folder), never among the store's own files;
// after that at the file last chosen. Only the first Open, chosen or
// cancelled, preselects text files; Save As shows the filter chosen at Open.
TEST_F(TextFiles, FileDialogsStartInTheDocumentsFolderThenAtTheLastFile) {
    const QByteArray home = qgetenv("HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", config);
    });
    const QString me = dir.mkdir("me");
    qputenv("HOME", QFile::encodeName(me));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(me + "/.config"));
    start();
    saveAs(QString());
    const QString documents = dir.mkdir("me/Documents");
    ui.nextFilterIndex = 2;
    open(QString());
    open(dir.file("t.txt"));
    type("x");
    saveAs(QString());
    ASSERT_EQ(ui.fileDialogs.size(), 4U);
    EXPECT_EQ(QDir(ui.fileDialogs[0].folder), QDir(me));
    EXPECT_EQ(ui.fileDialogs[0].filter, QString()) << "no filters before the first Open";
    EXPECT_EQ(QDir(ui.fileDialogs[1].folder), QDir(documents));
    EXPECT_EQ(ui.fileDialogs[1].filter, kFilters);
    EXPECT_EQ(ui.fileDialogs[1].filterIndex, 2);
    EXPECT_EQ(ui.fileDialogs[2].filterIndex, 1) << "the first Open was cancelled";
    EXPECT_EQ(ui.fileDialogs[3].filterIndex, 2);
    EXPECT_EQ(ui.fileDialogs[3].folder, dir.file("t.txt"));
}

TEST_F(TextFiles, AFileThatCannotBeReadGivesCantAndLeavesTheNoteEmpty) {
    dir.write("locked.txt", "secret");
    dir.mkdir("folder.txt");
    dir.write("plain", "a file, not a folder");
    dir.write("big.txt", "");
    ASSERT_TRUE(QFile::resize(dir.file("big.txt"), 16 * 1024 * 1024 + 1));
    start();
    QStringList cantSays;
    ui.onModal = [&](QDialog& d) {
        if (auto* box = qobject_cast<cant*>(&d)) {
            cantSays.append(box->Label1->text());
            QTimer::singleShot(0, box->OK, [box] { box->OK->click(); });
        }
        return false;
    };
    QStringList opened;
    FileFaults::setObserver([&](const char* step, const QString& path) {
        if (QLatin1String(step) == QLatin1String("open")) {
            opened.append(path);
        }
    });
    FileFaults::failStep("open", "locked.txt", EACCES);
    for (const char* name : {"locked.txt", "folder.txt", "plain/inside.txt", "big.txt"}) {
        open(dir.file(name));
    }
    EXPECT_EQ(cantSays, QStringList(4, "Sorry - Can't open this file."));
    EXPECT_EQ(ui.beeps, 4);
    EXPECT_FALSE(opened.contains(dir.file("big.txt"))) << "refused before reading";
    EXPECT_EQ(note(), QString());
    EXPECT_FALSE(m->noteChanged());
    EXPECT_EQ(w->TextFileName, QString()) << "the name is not remembered";
}

// A file made read-only is not replaced, even in a folder the user may
// write (as root it could be; an ordinary user is refused). Full disks and
// vanished folders are the file layer's part.
TEST_F(TextFiles, AReadOnlyFileIsNotReplaced) {
    const QString sub = dir.mkdir("sub");
    start();
    type("the note");
    saveAs(sub + "out.txt");
    type(" grows");
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(sub).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(sub + "out.txt").constData(), 0444), 0);
    const int code = runInChild(
        [&] {
            w->Fsave->trigger();
            return ui.errors.size() == 1 && ui.errors[0].contains("Permission denied") &&
                           ui.errors[0].contains(sub + "out.txt") && note() == "the note grows"
                       ? 0
                       : 1;
        },
        kNobody);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(dir.read("sub/out.txt"), "the note");
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
}

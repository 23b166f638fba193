// Screenshots of the real main window for a person to look at: both
// layouts at rest, drags under way (the outline above the note text, the
// erase target in the panel's place, a slot drag without it), a button
// with the keyboard focus, and every dialog and the help window as they
// open. `make shots` runs it at scale factors 1, 1.5 and 2.
//
//   quillo_shots <output folder>      (run under a real display, e.g. Xvfb)

#include "app/helpviewer.h"
#include "app/startup.h"
#include "bench/benchservices.h"
#include "core/filelayer.h"
#include "store/module1.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "core/storelock.h"
#include "ui/net/waiting.h"
#include "ui/dialogs/about.h"
#include "ui/dialogs/cant.h"
#include "ui/dialogs/colorform.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/notebox.h"
#include "ui/main/searchform.h"
#include "ui/main/targetform.h"
#include "ui/net/net.h"
#include "ui/net/pass.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

void fillStore(const QString& folder) {
    QStringList groups = {"Recipes", "Work", "Garden", "Books to read", "Travel"};
    FileLayer::writeAtomic(folder + "group.dir", NameIndex::encode(groups));
    QStringList items = {"Pancakes", "Lentil soup", "Bread", "Apple pie", "Pesto", "Curry"};
    FileLayer::writeAtomic(folder + "items0.dir", NameIndex::encode(items));
    FileLayer::writeAtomic(folder + "quil0.0",
                           NoteFile::encode("Pancakes\n\n200 g flour\n2 eggs\n300 ml milk", 1));
    FileLayer::writeAtomic(folder + "trans.dir", NameIndex::encode({"Parked note"}));
}

QPoint centre(const edit& w, QWidget* c) {
    return c->mapTo(&w, c->rect().center());
}

void shot(edit& w, const QString& file) {
    QApplication::processEvents();
    QTest::qWait(100);
    w.grab().save(file);
    std::printf("%s\n", qPrintable(file));
}

void dragShot(edit& w, QWidget* from, QWidget* over, const QString& file) {
    QWindow* win = w.windowHandle();
    QTest::mousePress(win, Qt::LeftButton, Qt::NoModifier, centre(w, from));
    QTest::mouseMove(win, centre(w, from) + QPoint(6, 6));
    QTest::mouseMove(win, centre(w, over));
    shot(w, file);
    // Let go over the Local/Network frame, where nothing takes a drop.
    QTest::mouseRelease(win, Qt::LeftButton, Qt::NoModifier, centre(w, w.Frame1));
}

void windowShot(QWidget& window, const QString& file) {
    window.show();
    if (QTest::qWaitForWindowExposed(&window)) {
        QApplication::processEvents();
        // Long enough for the Waiting dialog's first retry to show its reason.
        QTest::qWait(150);
        window.grab().save(file);
        std::printf("%s\n", qPrintable(file));
    }
    window.hide();
}

void dialogShots(Module1& m, edit& w, const QString& out) {
    QLineEdit netDir;
    std::vector<std::pair<const char*, std::unique_ptr<QWidget>>> windows;
    windows.emplace_back("ColorForm", new ColorForm(m, w));
    windows.emplace_back("Net", new Net(m, &netDir, nullptr, &w));
    windows.emplace_back("Pass", new Pass(m, &w));
    windows.emplace_back("SearchForm", new SearchForm(&w));
    windows.emplace_back("about", new about(&w));
    windows.emplace_back("cant", new cant(&w));
    windows.emplace_back("Waiting", new Waiting(
                                        [](QString* reason) {
                                            // The longest reason the lock gives.
                                            *reason = StoreLock::reason(EACCES);
                                            return false;
                                        },
                                        25, m.services.screenSizeTwips(), &w));
    windows.emplace_back("TargetForm",
                         new TargetForm("Move To", "Move \"Pancakes\" to:",
                                        {{"Group 1, Recipes", {{6, "Item 7"}, {7, "Item 8"}}},
                                         {"Transfer slots", {{1, "Transfer slot 2"}}}},
                                        0, &w));
    auto help = std::make_unique<HelpViewer>();
    help->showFile(QCoreApplication::applicationDirPath() + "/quillo.hlp");
    windows.emplace_back("help", std::move(help));
    for (auto& [name, window] : windows) {
        windowShot(*window, out + "dialog-" + name + ".png");
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/" : QStringLiteral("./");
    QTemporaryDir dir;
    fillStore(dir.path() + "/");
    BenchServices services;
    Module1 m(services, dir.path());
    edit w(m);
    InitialLoad(m, w);
    ShowMainWindow(m, w);
    if (!QTest::qWaitForWindowExposed(&w)) {
        return 1;
    }
    for (const int large : {1, 0}) {
        m.S.LargeLayout = static_cast<qint16>(large);
        w.ApplySizePreset();
        const QString name = large ? "large" : "small";
        shot(w, out + name + "-rest.png");
        dragShot(w, w.Item[1], w.Txt[1], out + name + "-drag-item-over-note.png");
        dragShot(w, w.Group[2], w.Del[0], out + name + "-drag-group-over-erase.png");
        if (large) {
            dragShot(w, w.Trans[0], w.Trans[8], out + name + "-drag-slot.png");
            // Without a window manager the window is active only when asked.
            w.activateWindow();
            if (!QTest::qWaitForWindowActive(&w)) {
                std::fprintf(stderr, "The window did not become active.\n");
            }
            w.Item[2]->setFocus(Qt::TabFocusReason);
            shot(w, out + name + "-keyboard-focus.png");
            m.focusNote();
        }
    }
    dialogShots(m, w, out);
    return 0;
}

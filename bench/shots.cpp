// Screenshots of the real main window for a person to look at: both
// layouts at rest, and drags under way (the outline above the note text,
// the erase target in the panel's place, a slot drag without it).
//
//   quillo_shots <output folder>      (run under a real display, e.g. Xvfb)

#include "app/startup.h"
#include "bench/benchservices.h"
#include "store/filelayer.h"
#include "store/module1.h"
#include "store/nameindex.h"
#include "store/notefile.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/notebox.h"

#include <QApplication>
#include <QGroupBox>
#include <QTemporaryDir>
#include <QTest>

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
        }
    }
    return 0;
}

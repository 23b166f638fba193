// Time of one drop of a whole group of 62 notes of 2 KiB onto an empty
// group with the left button (a move), in local mode: from the drop until
// the target group is selected and shown. The group goes back and forth
// between two positions, over several runs.
//
//   quillo_dragbench [runs]

#include "app/startup.h"
#include "bench/benchservices.h"
#include "core/filelayer.h"
#include "store/module1.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

int main(int argc, char** argv) {
    offscreenUnlessChosen();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    QStringList items;
    for (int i = 0; i < 62; ++i) {
        items.append(QStringLiteral("Item %1").arg(i));
        FileLayer::writeAtomic(folder + QStringLiteral("quil0.%1").arg(i),
                               NoteFile::encode(QString(2046, QLatin1Char('n')), 1));
    }
    FileLayer::writeAtomic(folder + "items0.dir", NameIndex::encode(items));
    FileLayer::writeAtomic(folder + "group.dir", NameIndex::encode({"Full group"}));
    BenchServices services;
    Module1 m(services, dir.path());
    edit w(m);
    InitialLoad(m, w);
    ShowMainWindow(m, w);
    QApplication::processEvents();

    std::vector<double> ms;
    int from = 0;
    for (int run = 0; run < runs; ++run) {
        const int to = 1 - from;
        w.DragKind = QStringLiteral("group");
        w.LastButton = 1;
        QElapsedTimer t;
        t.start();
        w.group_DragDrop(to, w.Group[from]);
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        if (m.S.CurrentGroup != to || w.Item[61]->text() != QStringLiteral("Item 61")) {
            std::fprintf(stderr, "the drop did not arrive\n");
            return 1;
        }
        from = to;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("group drop (62 notes of 2 KiB, move, local): median %.2f ms (min %.2f, max %.2f) "
                "over %d runs\n",
                ms[ms.size() / 2], ms.front(), ms.back(), runs);
    return 0;
}

// Time of one save of a 2 KiB note in local mode, with and without keeping
// the earlier text in the history, and with a history at its limit of
// 10,000 entries: from the save until the operation stands. The three kinds
// take turns, so that load from other work falls on all of them alike.
//
//   quillo_savebench [runs] [without|with|full]
//
// With a kind named, only that kind's saves are made (after the same
// setting up): for counting a save's system calls with strace.

#include "app/startup.h"
#include "bench/benchservices.h"
#include "core/filelayer.h"
#include "core/history.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "store/module1.h"
#include "store/notetext.h"
#include "ui/main/edit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <unistd.h>
#include <memory>
#include <vector>

namespace {

struct Store {
    QTemporaryDir dir;
    BenchServices services;
    std::unique_ptr<Module1> m;
    std::unique_ptr<edit> w;
    int saves = 0;

    Store() {
        const QString folder = dir.path() + "/";
        FileLayer::writeAtomic(folder + "quil0.0", NoteFile::encode(QString(2046, 'n'), 1));
        FileLayer::writeAtomic(folder + "items0.dir", NameIndex::encode({"Note"}));
        FileLayer::writeAtomic(folder + "group.dir", NameIndex::encode({"Group"}));
        m = std::make_unique<Module1>(services, dir.path());
        w = std::make_unique<edit>(*m);
        InitialLoad(*m, *w);
        ShowMainWindow(*m, *w);
        QApplication::processEvents();
    }
    // Entries made as the store makes them, but without its syncs.
    void fillHistory(int count) {
        History h(dir.path() + "/");
        const QString folder = History::folderOf(dir.path() + "/");
        FileLayer::writeAtomic(dir.path() + "/seed", QByteArray(2048, 's'));
        History::Entry seed;
        seed.group = 0;
        seed.item = 1;
        h.keep(dir.path() + "/seed", seed);
        const History::Entry e = h.entries().value(0);
        const QByteArray ent = FileLayer::readAll(folder + e.id + ".ent").data;
        for (int k = 1; k < count; ++k) {
            const QString time = QStringLiteral("%1").arg(e.timeMs - k, 15, 10, QLatin1Char('0'));
            const QString id = time + e.id.mid(15);
            QFile t(folder + id + ".txt");
            t.open(QIODevice::WriteOnly);
            t.write(QByteArray(2048, 't'));
            QFile d(folder + id + ".ent");
            d.open(QIODevice::WriteOnly);
            d.write(QByteArray(ent).replace(QByteArray::number(e.timeMs),
                                            QByteArray::number(e.timeMs - k)));
        }
    }
    double save() {
        NoteText::set(m->noteBox(), QString(2046, QLatin1Char(static_cast<char>('a' + (++saves % 26)))));
        QElapsedTimer t;
        t.start();
        m->SaveNote();
        m->CloseAllFiles();
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        if (m->SaveFailed || m->noteChanged()) {
            std::fprintf(stderr, "the save did not stand\n");
            std::exit(1);
        }
        return ms;
    }
};

// The lower quartile: on a machine shared with other work, what the save
// itself costs shows best in its quicker runs.
double quartile(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 4];
}

} // namespace

int main(int argc, char** argv) {
    offscreenUnlessChosen();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 200;
    Store without;
    Store with;
    Store full;
    full.fillHistory(10000);
    // The filled history's writing done before the first measure, and one
    // save of each unmeasured.
    ::sync();
    for (Store* s : {&without, &with, &full}) {
        History::enabled() = s != &without;
        s->save();
    }
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (!only.isEmpty()) {
        const int which = only == "without" ? 0 : only == "with" ? 1 : 2;
        History::enabled() = which != 0;
        for (int run = 0; run < runs; ++run) {
            (which == 0 ? without : which == 1 ? with : full).save();
        }
        return 0;
    }
    std::vector<double> times[3];
    for (int run = 0; run < runs; ++run) {
        for (int k = 0; k < 3; ++k) {
            const int which = (run + k) % 3;
            History::enabled() = which != 0;
            times[which].push_back((which == 0 ? without : which == 1 ? with : full).save());
        }
    }
    History::enabled() = true;
    const double base = quartile(times[0]);
    std::printf("save of a 2 KiB note (local), lower quartile: %.3f ms without the history, %.3f ms with "
                "it (%+.1f %%), %.3f ms with 10,000 entries (%+.1f %%), over %d runs\n",
                base, quartile(times[1]), (quartile(times[1]) / base - 1) * 100, quartile(times[2]),
                (quartile(times[2]) / base - 1) * 100, runs);
    const auto best = [&times](int k) { return *std::min_element(times[k].begin(), times[k].end()); };
    std::printf("quickest: %.3f ms without, %.3f ms with (%+.1f %%), %.3f ms with 10,000 entries "
                "(%+.1f %%)\n",
                best(0), best(1), (best(1) / best(0) - 1) * 100, best(2), (best(2) / best(0) - 1) * 100);
    std::printf("entries kept: %lld in the history, %lld in the full one\n",
                static_cast<long long>(History(with.dir.path() + "/").entries().size()),
                static_cast<long long>(History(full.dir.path() + "/").entries().size()));
    return 0;
}

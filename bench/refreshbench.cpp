// The refresh of network mode with a full store (31 groups x 62 items
// named, 2 KiB notes): the time of one tick, and the processor time an
// idle copy uses with `RefreshSeconds` 2 over a stretch of wall time.
//
//   quillo_refreshbench [idle seconds]

#include "app/startup.h"
#include "bench/benchservices.h"
#include "core/filelayer.h"
#include "store/module1.h"
#include "ui/main/edit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <sys/resource.h>
#include <vector>

namespace {

double cpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    offscreenUnlessChosen();
    QApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    QTemporaryDir app_dir;
    QTemporaryDir net_dir;
    const QString net = net_dir.path() + "/";
    if (QProcess::execute(QStringLiteral(QUILLO_BIN_DIR "/quillo_storetool"),
                          {QStringLiteral("fill-store"), net, QStringLiteral("2048")}) != 0) {
        return 1;
    }
    SettingsRecord r;
    r.NetworkMode = 1;
    r.RefreshSeconds = 2;
    r.setNetworkFolder(net_dir.path());
    QFile ini(app_dir.path() + "/quillo.ini");
    if (!ini.open(QIODevice::WriteOnly) || ini.write(r.toBytes()) != SettingsRecord::Size) {
        return 1;
    }
    ini.close();
    BenchServices services;
    Module1 m(services, app_dir.path());
    edit w(m);
    InitialLoad(m, w);
    ShowMainWindow(m, w);
    QApplication::processEvents();

    // Each tick must really read the store: count the file layer's steps.
    FileFaults::reset();
    w.refreshit();
    const int steps = FileFaults::passed();
    std::vector<double> ms;
    for (int k = 0; k < 50; ++k) {
        QElapsedTimer t;
        t.start();
        w.refreshit();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("refresh tick, full store: median %.3f ms (min %.3f, max %.3f) over 50 ticks, "
                "%d file steps each\n",
                ms[ms.size() / 2], ms.front(), ms.back(), steps);

    int ticks = 0;
    QObject::connect(w.refreshtimer, &QTimer::timeout, [&ticks] { ++ticks; });
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // exit, not quit: quit asks the main window to close, and it only minimises.
    QTimer::singleShot(idleSeconds * 1000, &app, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    const double cpu = cpuSeconds() - cpu0;
    const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    std::printf("idle copy in network mode, RefreshSeconds 2: %.3f %% of one core over %.0f s "
                "(%d refresh ticks, %.1f ms processor time)\n",
                100.0 * cpu / seconds, seconds, ticks, cpu * 1000.0);
    return 0;
}

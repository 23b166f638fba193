// Hand-over time of the shared-access lock (another copy lets go, this copy's
// Waiting dialog holds it) and the processor time this copy uses while it
// waits, over several runs with a real second process:
//
//   quillo_lockbench [runs] [wait ms]

#include "bench/benchservices.h"
#include "store/module1.h"
#include "ui/main/edit.h"

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <vector>

namespace {

long long nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

double cpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    offscreenUnlessChosen();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    const int waitMs = argc > 2 ? std::atoi(argv[2]) : 1000;
    QTemporaryDir dir;
    BenchServices services;
    Module1 m(services, dir.path());
    edit w(m);
    m.S.NetworkMode = 1;
    m.NetFolder = Module1::withSeparator(dir.path());
    m.StoreFolder = m.NetFolder;

    std::vector<double> handover;
    std::vector<double> cpu;
    for (int run = 0; run < runs; ++run) {
        QProcess holder;
        holder.start(QStringLiteral(QUILLO_BIN_DIR "/quillo_storetool"),
                     {QStringLiteral("hold"), m.lockPath()});
        holder.waitForReadyRead(10000);
        holder.readLine();
        QTimer::singleShot(waitMs, &holder, [&holder] { holder.closeWriteChannel(); });
        const double cpu0 = cpuSeconds();
        const long long wall0 = nowNs();
        m.AcquireAccess();
        const long long acquired = nowNs();
        const double cpu1 = cpuSeconds();
        m.CloseAllFiles();
        holder.waitForFinished(10000);
        const QByteArray line = holder.readAll().trimmed();
        const long long released = line.mid(line.indexOf(' ') + 1).toLongLong();
        handover.push_back(static_cast<double>(acquired - released) / 1e6);
        cpu.push_back(100.0 * (cpu1 - cpu0) / (static_cast<double>(acquired - wall0) / 1e9));
    }
    std::printf("lock hand-over: median %.1f ms (min %.1f, max %.1f) over %d runs\n",
                median(handover), *std::min_element(handover.begin(), handover.end()),
                *std::max_element(handover.begin(), handover.end()), runs);
    std::printf("waiter processor use while waiting %d ms: median %.2f %% of one core\n", waitMs,
                median(cpu));
    return 0;
}

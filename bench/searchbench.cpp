// Time of one whole search pass that finds nothing over a full store (31
// named groups x 62 named items of 2 KiB notes, 1,922 notes), in local
// mode: from the start of `search` until the pass is over and the starting
// note is shown again; the Find dialog that then reopens is answered at
// once. In the same run, as the yardstick: `grep -ril` for the same text over
// the same files (the notes and the item indexes), the cost of starting grep
// at all, and the time the Find dialog takes to show.
//
//   quillo_searchbench <store folder> [runs]

#include "app/startup.h"
#include "bench/benchservices.h"
#include "core/filelayer.h"
#include "store/module1.h"
#include "ui/main/edit.h"
#include "ui/main/searchform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double msSince(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Wall time of grep from its start to its end; -1 unless it ran and found nothing.
double grepMs(const QStringList& args) {
    QProcess grep;
    QElapsedTimer t;
    t.start();
    grep.start(QStringLiteral("grep"), args);
    const bool finished = grep.waitForFinished(60000);
    const double ms = msSince(t);
    return finished && grep.exitStatus() == QProcess::NormalExit && grep.exitCode() == 1 ? ms : -1;
}

double showDialogMs(edit& w) {
    QElapsedTimer t;
    t.start();
    SearchForm form(&w);
    form.setTall(true);
    form.Form_Load(w.frameGeometry().topLeft(), 1, QStringLiteral("zebra"), QString());
    form.show();
    const bool exposed = QTest::qWaitForWindowExposed(&form);
    const double ms = msSince(t);
    form.hide();
    return exposed ? ms : -1;
}

} // namespace

int main(int argc, char** argv) {
    offscreenUnlessChosen();
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillo_searchbench <store folder> [runs]\n");
        return 2;
    }
    const QString store = Module1::withSeparator(QString::fromLocal8Bit(argv[1]));
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const QString text = QStringLiteral("zebra");

    // The store is searched in a copy: the search writes the settings file.
    QTemporaryDir dir;
    const QString folder = Module1::withSeparator(dir.path());
    static const QRegularExpression note(QStringLiteral(R"(/quil\d+\.\d+$)"));
    static const QRegularExpression searched(QStringLiteral(R"(^(quil\d+\.\d+|items\d+\.dir)$)"));
    QStringList grepArgs = {QStringLiteral("-ril"), text};
    for (const QString& name : QDir(store).entryList(QDir::Files)) {
        FileLayer::copy(store + name, folder + name);
        if (searched.match(name).hasMatch()) {
            grepArgs.append(folder + name);
        }
    }
    BenchServices services;
    int reopened = 0;
    services.answerModal = [&reopened](QDialog&) {
        ++reopened;
        return int(QDialog::Rejected);
    };
    Module1 m(services, dir.path());
    edit w(m);
    InitialLoad(m, w);
    ShowMainWindow(m, w);
    if (!QTest::qWaitForWindowExposed(&w)) {
        std::fprintf(stderr, "the main window was not shown\n");
        return 1;
    }

    const auto pass = [&]() -> double {
        w.searchState = SearchState{text, 1, m.S.CurrentGroup, m.S.currentItem(), 0, 0, 0, 0};
        const int before = reopened;
        QElapsedTimer t;
        t.start();
        w.search();
        const double ms = msSince(t);
        return reopened == before + 1 && m.S.CurrentGroup == w.searchState.SearchStartGroup ? ms
                                                                                            : -1;
    };

    // A first pass and a first grep warm the caches; the pass also counts
    // the notes it reads, so the figure is known to cover them all.
    int notesRead = 0;
    FileFaults::setObserver([&notesRead](const char* step, const QString& path) {
        notesRead += qstrcmp(step, "open") == 0 && note.match(path).hasMatch();
    });
    const bool warm = pass() >= 0 && grepMs(grepArgs) >= 0;
    FileFaults::setObserver(nullptr);
    if (!warm || notesRead < 1922) {
        std::fprintf(stderr, "the pass or grep did not run through (%d notes read)\n", notesRead);
        return 1;
    }
    std::vector<double> passes;
    std::vector<double> greps;
    std::vector<double> spawns;
    std::vector<double> dialogs;
    for (int run = 0; run < runs; ++run) {
        passes.push_back(pass());
        greps.push_back(grepMs(grepArgs));
        spawns.push_back(grepMs({QStringLiteral("-il"), text, QStringLiteral("/dev/null")}));
        dialogs.push_back(showDialogMs(w));
        if (std::min({passes.back(), greps.back(), spawns.back(), dialogs.back()}) < 0) {
            std::fprintf(stderr, "run %d did not complete\n", run);
            return 1;
        }
    }
    const double p = median(passes);
    const double g = median(greps);
    const double d = median(dialogs);
    std::printf("search pass, nothing found (1922 notes of 2 KiB, %d note reads, local): "
                "median %.2f ms (min %.2f, max %.2f) over %d runs\n",
                notesRead, p, *std::min_element(passes.begin(), passes.end()),
                *std::max_element(passes.begin(), passes.end()), runs);
    std::printf("grep -ril over the same %lld files: median %.2f ms (of which starting grep: "
                "%.2f ms)\n",
                static_cast<long long>(grepArgs.size() - 2), g, median(spawns));
    std::printf("Find dialog shown: median %.2f ms\n", d);
    std::printf("pass / grep: %.2fx; target: pass <= 2 x grep + dialog = %.2f ms: %s\n", p / g,
                2 * g + d, p <= 2 * g + d ? "met" : "NOT met");
    return 0;
}

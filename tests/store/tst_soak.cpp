// Several copies of the program share one store folder, each doing random
// operations through the real procedures and the real lock, while some are
// killed outright in the middle of their work. At the end the store must be
// exactly what the log of completed operations says, replayed in order.
//
// The size comes from the environment (`make soak` runs a long one):
// QUILLO_SOAK_COPIES, QUILLO_SOAK_OPS (per copy), QUILLO_SOAK_KILLS,
// QUILLO_SOAK_MAXNOTE (bytes), QUILLO_SOAK_SEED.

#include "soakmodel.h"
#include "testfolder.h"
#include "windowcopy.h"

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "core/storelock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <signal.h>

namespace {

int setting(const char* name, int fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

// QUILLO_SOAK_SEED repeats a run's choices; otherwise each run draws its own.
quint32 soakSeed() {
    const int given = setting("QUILLO_SOAK_SEED", 0);
    return static_cast<quint32>(given != 0 ? given
                                           : int(QRandomGenerator::global()->generate() >> 1));
}

struct Running {
    int id;
    std::unique_ptr<QProcess> process;
    bool killed = false;
};

} // namespace

TEST(Soak, CopiesSharingAStoreLoseNothingWhenSomeAreKilled) {
    const int copies = setting("QUILLO_SOAK_COPIES", 3);
    const int ops = setting("QUILLO_SOAK_OPS", 40);
    int kills = setting("QUILLO_SOAK_KILLS", 2);
    const int maxNote = setting("QUILLO_SOAK_MAXNOTE", 65536);
    const quint32 seed = soakSeed();
    QRandomGenerator rng(seed);
    TestFolder dir;
    const QString net = dir.mkdir("net");
    QMap<int, QString> folders;
    std::vector<Running> running;
    // Half the kills come from outside at random moments; the other half
    // are copies that kill themselves at a random step of the file layer,
    // which lands inside operations far more often.
    int selfKills = kills / 2;
    kills -= selfKills;
    const auto launch = [&](int id) {
        folders.insert(id, dir.mkdir(QStringLiteral("copy%1").arg(id)));
        QStringList args = {folders.value(id),    net.chopped(1),
                            QString::number(id),  QString::number(seed * 1000ULL + quint64(id)),
                            QString::number(ops), QString::number(maxNote)};
        if (selfKills > 0) {
            --selfKills;
            args.append(QString::number(1 + rng.bounded(300)));
        }
        auto p = std::make_unique<QProcess>();
        p->start(binDir() + "/quillo_soakcopy", args);
        return Running{id, std::move(p)};
    };
    for (int c = 0; c < copies; ++c) {
        running.push_back(launch(c));
    }
    int next = copies;
    int killed = 0;
    qint64 longestWait = 0;
    int undone = 0;    // operations of killed copies found half done and undone
    int conflicts = 0; // drops refused because another copy had changed the source
    QMap<int, QString> survivors;
    QElapsedTimer clock;
    clock.start();
    while (!running.empty() && clock.elapsed() < 20 * 60 * 1000) {
        QThread::msleep(static_cast<unsigned long>(100 + rng.bounded(900)));
        if (kills > 0) {
            // Killed wherever it is, most likely in the middle of an operation.
            Running& victim = running[size_t(rng.bounded(int(running.size())))];
            if (victim.process->state() == QProcess::Running) {
                ::kill(static_cast<pid_t>(victim.process->processId()), SIGKILL);
                victim.process->waitForFinished();
                victim.killed = true;
                --kills;
            }
        }
        for (size_t k = 0; k < running.size();) {
            Running& r = running[k];
            QProcess& p = *r.process;
            if (p.state() != QProcess::NotRunning && !p.waitForFinished(0)) {
                ++k;
            } else if (p.exitStatus() != QProcess::NormalExit || r.killed) {
                // Killed, by the soak or by its own hand: a new copy takes its place.
                ++killed;
                r = launch(next++);
            } else {
                EXPECT_EQ(p.exitCode(), 0)
                    << "copy " << r.id << ": " << p.readAllStandardError().toStdString();
                for (const QString& line :
                     QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n')) {
                    if (line.startsWith("longest-wait ")) {
                        longestWait = std::max(longestWait, line.mid(13).toLongLong());
                    } else if (line.startsWith("recovered ")) {
                        undone += line.mid(10).toInt();
                    } else if (line.startsWith("conflicts ")) {
                        conflicts += line.mid(10).toInt();
                    }
                }
                survivors.insert(r.id, folders.value(r.id));
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(k));
            }
        }
    }
    ASSERT_TRUE(running.empty()) << "the copies did not finish in time";

    // A copy killed last may have left its operation half done: the next
    // holder of the lock undoes it.
    QProcess recover;
    recover.start(binDir() + "/quillo_storetool", {"recover", net});
    ASSERT_TRUE(recover.waitForFinished(30000));
    undone += recover.readAllStandardOutput().trimmed() == "recovered" ? 1 : 0;

    SoakModel model;
    const int logged = FileLayer::readAll(net + "soak.seq").data.toInt();
    for (int n = 1; n <= logged; ++n) {
        const QString entry =
            QString::fromUtf8(FileLayer::readAll(net + QStringLiteral("soak.%1").arg(n)).data);
        ASSERT_TRUE(model.apply(entry)) << "log entry " << n << ": " << entry.toStdString();
    }
    const QStringList diffs = model.compare(net, survivors) + model.compareHistory(net);
    EXPECT_TRUE(diffs.isEmpty()) << "seed " << seed << ": " << diffs.join("; ").toStdString();
    std::cout << "soak: " << copies << " copies at once, " << next << " in all, " << killed
              << " killed, " << undone << " half-done operations undone, " << logged
              << " operations logged, " << conflicts
              << " drops refused after another copy's change, " << model.keptCount()
              << " earlier texts kept, longest wait for the lock " << longestWait << " ms, seed "
              << seed << "\n";
}

namespace {

// Another copy, as far as the files go: it takes the lock at a random
// moment, changes the shared store as a copy would, and holds the lock a
// while, so that the window copies meet the Waiting dialog. A cue from a
// copy ("<index> <note prefix> <position>", see windowcopy.cpp) makes it
// take the lock at once and move that very source away, holding the lock
// long enough for a cancel in the Waiting dialog to come first.
void rivalStep(const QString& net, QRandomGenerator& rng, int k, const QString& cueFile = {}) {
    StoreLock lock;
    QElapsedTimer waited;
    waited.start();
    while (!lock.tryAcquire(net + "quillo.loc")) {
        if (waited.elapsed() > 3000) {
            return;
        }
        QThread::usleep(500);
    }
    const QStringList cue = QString::fromUtf8(FileLayer::readAll(cueFile).data).split(' ');
    const bool cued = cue.size() == 3;
    const int g = rng.bounded(5);
    const QString index = net + (cued ? cue[0] : QStringLiteral("items%1.dir").arg(g));
    const int count = cue[0] == "trans.dir" ? 12 : 10;
    QStringList names = NameIndex::decode(FileLayer::readAll(index).data, count == 12 ? 12 : 62);
    std::vector<int> named;
    std::vector<int> empty;
    for (int i = 0; i < count; ++i) {
        (names.at(i).isEmpty() ? empty : named).push_back(i);
    }
    if (cued) {
        named = {cue[2].toInt()};
    }
    const QString mark = QStringLiteral("c9n%1").arg(k);
    const auto note = [&](int i) {
        return net + (cued ? cue[1] : QStringLiteral("quil%1.").arg(g)) + QString::number(i);
    };
    const int what = cued ? 1 : rng.bounded(3);
    if (what == 0 && !named.empty()) {
        // Saves a new text of a note.
        const int i = named.at(size_t(rng.bounded(int(named.size()))));
        FileLayer::writeAtomic(
            note(i), NoteFile::encode(QString(names.at(i)).remove(" (mine)") + ' ' + mark, 1));
    } else if (what == 1 && !named.empty() && !empty.empty() && !names.at(named[0]).isEmpty()) {
        // Moves an item away and saves a note of its own in its place.
        const int i = named.at(size_t(rng.bounded(int(named.size()))));
        const int e = empty.at(size_t(rng.bounded(int(empty.size()))));
        const ReadResult moved = FileLayer::readAll(note(i));
        if (!moved.data.isEmpty()) {
            FileLayer::writeAtomic(note(e), moved.data);
        }
        names[e] = names.at(i);
        names[i] = mark;
        FileLayer::writeAtomic(note(i), NoteFile::encode(mark, 1));
        FileLayer::writeAtomic(index, NameIndex::encode(names));
    } else if (!cued) {
        QStringList groups = NameIndex::decode(FileLayer::readAll(net + "group.dir").data, 31);
        groups[rng.bounded(5)] = QStringLiteral("R%1").arg(k);
        FileLayer::writeAtomic(net + "group.dir", NameIndex::encode(groups));
    }
    if (cued) {
        QFile::remove(cueFile);
    }
    QThread::msleep(cued ? 250 + rng.bounded(100) : rng.bounded(800));
}

} // namespace

// Copies of the main window share one network folder, each driven through
// its widgets by random user actions, while another process takes the lock
// at random and changes the files as a copy would. The copies check each
// action as it ends (windowcopy.cpp); at the end every store's names and
// notes must agree. QUILLO_WSOAK_COPIES, QUILLO_WSOAK_ACTIONS (per copy),
// QUILLO_SOAK_SEED.
TEST(Soak, WindowCopiesActOnlyOnTheirOwnStoreAndSeeOnlyRealConflicts) {
    const int copies = setting("QUILLO_WSOAK_COPIES", 3);
    const int actions = setting("QUILLO_WSOAK_ACTIONS", 100);
    const quint32 seed = soakSeed();
    QRandomGenerator rng(seed);
    TestFolder dir;
    const QString net = dir.mkdir("net");
    seedStore(net, {"Shared", "Two"}, "S", "c9n0");
    std::vector<std::unique_ptr<QProcess>> running;
    QStringList folders;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLO_WSOAK_CUE", dir.path().chopped(1));
    for (int c = 0; c < copies; ++c) {
        folders.append(dir.mkdir(QStringLiteral("copy%1").arg(c)));
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(binDir() + "/quillo_soakcopy",
                 {"window", folders.last(), net.chopped(1), QString::number(c),
                  QString::number(seed * 1000ULL + quint64(c)), QString::number(actions)});
        running.push_back(std::move(p));
    }
    int rivalSteps = 0;
    int cued = 0;
    QElapsedTimer clock;
    clock.start();
    const auto anyRunning = [&] {
        return std::any_of(running.begin(), running.end(),
                           [](const auto& p) { return p->state() != QProcess::NotRunning; });
    };
    while (anyRunning() && clock.elapsed() < 20 * 60 * 1000) {
        // Between its own steps the other process answers the copies' cues.
        for (int ms = int(20 + rng.bounded(200)); ms > 0; ms -= 2) {
            for (int c = 0; c < copies; ++c) {
                if (const QString cue = dir.file(QStringLiteral("cue.%1").arg(c));
                    QFileInfo::exists(cue)) {
                    rivalStep(net, rng, ++rivalSteps, cue);
                    ++cued;
                }
            }
            QThread::msleep(2);
        }
        rivalStep(net, rng, ++rivalSteps);
        for (auto& p : running) {
            p->waitForFinished(0);
        }
    }
    QStringList faults;
    QSet<QString> typed;
    QMap<QString, int> counts;
    for (auto& p : running) {
        ASSERT_TRUE(p->state() == QProcess::NotRunning || p->waitForFinished(60000))
            << "a copy did not finish";
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        for (const QString& line : QString::fromLocal8Bit(p->readAllStandardOutput()).split('\n')) {
            if (line.startsWith("fault ")) {
                faults.append(line);
            } else if (line.startsWith("typed ")) {
                typed.insert(line.mid(6));
            } else if (const auto parts = line.split(' '); parts.size() == 2) {
                counts[parts[0]] += parts[1].toInt();
            }
        }
    }
    QStringList disagree = namesAndNotesDisagree(net, typed);
    for (const QString& folder : folders) {
        for (const QString& d : namesAndNotesDisagree(folder)) {
            disagree.append(folder + ": " + d);
        }
    }
    EXPECT_TRUE(faults.isEmpty()) << "seed " << seed << ":\n" << faults.join('\n').toStdString();
    EXPECT_TRUE(disagree.isEmpty()) << "seed " << seed << ":\n"
                                    << disagree.join('\n').toStdString();
    std::cout << "window soak: " << copies << " copies, " << actions << " actions each, "
              << rivalSteps << " changes by another process (" << cued << " cued), "
              << counts.value("waits") << " waits, " << counts.value("cancels") << " cancelled, "
              << counts.value("conflicts") << " conflicts, seed " << seed << "\n";
}

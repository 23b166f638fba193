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

#include "core/filelayer.h"

#include <QElapsedTimer>
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
    const auto seed = static_cast<quint32>(setting("QUILLO_SOAK_SEED", 0) != 0
                                               ? setting("QUILLO_SOAK_SEED", 0)
                                               : int(QRandomGenerator::global()->generate() >> 1));
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
        running.push_back({id, std::move(p)});
    };
    for (int c = 0; c < copies; ++c) {
        launch(c);
    }
    int next = copies;
    int killed = 0;
    qint64 longestWait = 0;
    int undone = 0; // operations of killed copies found half done and undone
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
        int replace = 0;
        for (auto it = running.begin(); it != running.end();) {
            QProcess& p = *it->process;
            if (p.state() != QProcess::NotRunning && !p.waitForFinished(0)) {
                ++it;
                continue;
            }
            if (p.exitStatus() != QProcess::NormalExit || it->killed) {
                // Killed, by the soak or by its own hand: a new copy takes its place.
                ++killed;
                ++replace;
                it = running.erase(it);
                continue;
            }
            {
                const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
                EXPECT_EQ(p.exitCode(), 0)
                    << "copy " << it->id << ": " << p.readAllStandardError().toStdString();
                for (const QString& line : out.split('\n')) {
                    if (line.startsWith("longest-wait ")) {
                        longestWait = std::max(longestWait, line.mid(13).toLongLong());
                    } else if (line.startsWith("recovered ")) {
                        undone += line.mid(10).toInt();
                    }
                }
                survivors.insert(it->id, folders.value(it->id));
            }
            it = running.erase(it);
        }
        while (replace-- > 0) {
            launch(next++);
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
    const QStringList diffs = model.compare(net, survivors);
    EXPECT_TRUE(diffs.isEmpty()) << "seed " << seed << ": " << diffs.join("; ").toStdString();
    std::cout << "soak: " << copies << " copies at once, " << next << " in all, " << killed
              << " killed, " << undone << " half-done operations undone, " << logged
              << " operations logged, longest wait for the lock " << longestWait << " ms, seed "
              << seed << "\n";
}

// Every store procedure and every drop, run again and again with the file
// layer's n-th call failing (EIO, ENOSPC, EACCES, ENOENT in turn), until a
// run passes every call. Each time: at most one message, the lock given
// back, typed text still on screen, the store exactly as before the action
// or exactly as after it (nothing torn, nothing half done), and every name
// on screen the one in its file.

#include "holder.h"
#include "mainwindowfixture.h"

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "core/storejournal.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"

#include <QDir>
#include <QSet>

#include <cerrno>
#include <iostream>

namespace {

QByteArray noteBytes(const char* text) {
    return QByteArray(text) + QByteArray("\x01\x00", 2);
}

} // namespace

class Faults : public MainWindowFixture {
protected:
    using Action = std::function<void()>;

    QMap<QString, QByteArray> files(const QString& folder) const {
        QMap<QString, QByteArray> all;
        for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
            if (f != "quillo.ini" && f != "quillo.loc") {
                all.insert(f, FileLayer::readAll(folder + f).data);
            }
        }
        return all;
    }
    void fill(const QString& folder) {
        const auto put = [&folder](const char* name, const QByteArray& bytes) {
            FileLayer::writeAtomic(folder + name, bytes);
        };
        put("group.dir", names({"Work", "Home"}, 31));
        put("items0.dir", names({"a", "b"}, 62));
        put("quil0.0", noteBytes("alpha"));
        put("quil0.1", noteBytes("beta"));
        put("items1.dir", names({"h"}, 62));
        put("quil1.0", noteBytes("home"));
        put("trans.dir", names({"", "", "", "slot"}, 12));
        put("trans.3", noteBytes("parked"));
    }
    // The labels on screen are the names in the files.
    void expectScreenMatchesDisk(const QString& store, const QString& program, int n,
                                 const std::string& at) {
        const QStringList groups =
            NameIndex::decode(FileLayer::readAll(store + "group.dir").data, 31);
        const QStringList items = NameIndex::decode(
            FileLayer::readAll(store + QStringLiteral("items%1.dir").arg(m->S.CurrentGroup)).data,
            62);
        const QStringList slotNames =
            NameIndex::decode(FileLayer::readAll(program + "trans.dir").data, 12);
        // A name that could not be read shows empty; every name shown is
        // the one in its file, and a named item's note is there.
        const auto same = [](const QString& shown, const QString& stored) {
            return shown == stored || shown.isEmpty();
        };
        for (int k = 0; k < 31; ++k) {
            EXPECT_TRUE(same(w->Group[k]->text(), groups[k]))
                << "group " << k << ", call " << n << " " << at;
        }
        for (int k = 0; k < 62; ++k) {
            EXPECT_TRUE(same(w->Item[k]->text(), items[k]))
                << "item " << k << ", call " << n << " " << at;
            if (!w->Item[k]->text().isEmpty()) {
                EXPECT_TRUE(QFile::exists(m->notePath(m->S.CurrentGroup, k)))
                    << "item " << k << " has no note, call " << n << " " << at;
            }
        }
        for (int k = 0; k < 12; ++k) {
            EXPECT_TRUE(same(w->Trans[k]->text(), slotNames[k]))
                << "slot " << k << ", call " << n << " " << at;
        }
    }

    // Runs `action` once without a fault, then failing at call 1, 2, ...
    // until it passes every call; returns how many faults were injected.
    int sweep(const char* what, const Action& action, bool network = false) {
        const int errors[] = {EIO, ENOSPC, EACCES, ENOENT};
        QMap<QString, QByteArray> before;
        QMap<QString, QByteArray> after;
        int injected = 0;
        for (int n = 0; n < 2000; ++n) {
            const QString program = dir.mkdir(QStringLiteral("%1-%2").arg(what).arg(n));
            const QString store =
                network ? dir.mkdir(QStringLiteral("%1-%2/net").arg(what).arg(n)) : program;
            fill(store);
            if (network) {
                FileLayer::writeAtomic(program + "trans.dir", names({"", "", "", "slot"}, 12));
                FileLayer::writeAtomic(program + "trans.3", noteBytes("parked"));
                SettingsRecord r;
                r.NetworkMode = 1;
                r.setNetworkFolder(store);
                FileLayer::writeAtomic(program + "quillo.ini", r.toBytes());
            }
            ui = FakeUiServices();
            start(program);
            if (n == 0) {
                before = files(store);
            }
            QByteArray lockWhileTold = "held";
            ui.onError = [&](const QString&) {
                if (network) {
                    lockWhileTold = tryLockElsewhere(store + "quillo.loc");
                }
            };
            FileFaults::reset();
            if (n > 0) {
                FileFaults::failNth(n, errors[n % 4]);
            }
            action();
            const bool hit = FileFaults::injected() > 0;
            const std::string at = FileFaults::lastInjected().toStdString();
            FileFaults::reset();
            m->showMessages();
            EXPECT_LE(ui.errors.size(), 1)
                << what << " call " << n << ": " << ui.errors.join(" | ").toStdString();
            EXPECT_FALSE(m->lockHeld()) << what << " call " << n;
            EXPECT_EQ(lockWhileTold, "held") << what << " call " << n;
            // What the next start (or holder of the lock) finds.
            StoreJournal::recover(store);
            FileLayer::removeLeftovers(store);
            const auto now = files(store);
            if (n == 0) {
                after = now;
                EXPECT_NE(after, before) << what << " did nothing";
            } else {
                QStringList differ;
                for (const QString& f : QSet<QString>(now.keyBegin(), now.keyEnd()) +
                                            QSet<QString>(after.keyBegin(), after.keyEnd())) {
                    if (now.value(f) != after.value(f) || now.value(f) != before.value(f)) {
                        differ.append(f + (now.contains(f) ? "" : "(gone)"));
                    }
                }
                EXPECT_TRUE(now == before || now == after)
                    << what << ": failing at call " << n << " (" << at
                    << ") left the store half done: " << differ.join(' ').toStdString();
            }
            expectScreenMatchesDisk(store, program, n, at);
            w.reset();
            m.reset();
            if (n > 0 && !hit) {
                break;
            }
            injected += hit ? 1 : 0;
        }
        return injected;
    }
};

TEST_F(Faults, SavingAndNamingAreAllOrNothing) {
    int total = sweep("save", [this] {
        click(w->Item[5]);
        type("typed");
        click(w->Item[6]);
        if (!m->noteChanged()) {
            return; // saved: the click went on
        }
        EXPECT_EQ(note(), QStringLiteral("typed")) << "the typed text stays on screen";
    });
    total += sweep("name-group", [this] {
        click(w->Group[1], Qt::RightButton);
        type("Garden");
        key(Qt::Key_Return);
    });
    total += sweep("unname-item", [this] {
        click(w->Item[1], Qt::RightButton);
        type(" ");
        key(Qt::Key_Return);
    });
    std::cout << "faults injected into saving and naming: " << total << "\n";
}

TEST_F(Faults, EveryDropIsAllOrNothing) {
    const std::pair<const char*, std::function<void()>> drops[] = {
        {"group-move",
         [this] {
             drag(Qt::LeftButton, {w->Group[0], w->Group[4]});
         }},
        {"group-copy",
         [this] {
             drag(Qt::RightButton, {w->Group[0], w->Group[4]});
         }},
        {"item-move",
         [this] {
             drag(Qt::LeftButton, {w->Item[0], w->Item[9]});
         }},
        {"item-to-group",
         [this] {
             drag(Qt::LeftButton, {w->Item[1], w->Group[3], w->Item[2]});
         }},
        {"item-copy",
         [this] {
             drag(Qt::RightButton, {w->Item[0], w->Item[9]});
         }},
        {"item-to-slot",
         [this] {
             drag(Qt::LeftButton, {w->Item[0], w->Trans[5]});
         }},
        {"item-copy-slot",
         [this] {
             drag(Qt::RightButton, {w->Item[0], w->Trans[5]});
         }},
        {"slot-to-item",
         [this] {
             drag(Qt::LeftButton, {w->Trans[3], w->Item[7]});
         }},
        {"slot-copy",
         [this] {
             drag(Qt::RightButton, {w->Trans[3], w->Item[7]});
         }},
        {"erase-item",
         [this] {
             drag(Qt::LeftButton, {w->Item[1], w->Del[0]});
         }},
        {"erase-group",
         [this] {
             drag(Qt::LeftButton, {w->Group[1], w->Del[0]});
         }},
    };
    int total = 0;
    for (const auto& [what, drop] : drops) {
        total += sweep(what, drop);
    }
    std::cout << "faults injected into drops: " << total << "\n";
}

TEST_F(Faults, InNetworkModeTheLockIsGivenBackBeforeAnyMessage) {
    const int total = sweep(
        "net-move",
        [this] {
            drag(Qt::LeftButton, {w->Item[0], w->Group[1], w->Item[4]});
        },
        true);
    std::cout << "faults injected into a network drop: " << total << "\n";
}

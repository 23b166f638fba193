// Every store procedure and every drop, run again and again with the file
// layer's n-th call failing (EIO, ENOSPC, EACCES, ENOENT in turn), until a
// run passes every call. Each time: at most one message, the lock given
// back, typed text still on screen, the store exactly as before the action
// or exactly as after it (nothing torn, nothing half done), and every name
// on screen the one in its file.
//
// Then the same actions against a network folder another account shares:
// what it puts under the program's file names (a link, a pipe, a folder)
// is refused, and the actions work on its notes in a sticky folder.

#include "childprocess.h"
#include "holder.h"
#include "mainwindowfixture.h"
#include "namedcontrols.h"

#include "core/filelayer.h"
#include "core/history.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "core/storejournal.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/nameedit.h"
#include "ui/main/searchform.h"
#include "ui/net/waiting.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* currentStep = "start";

// Nothing may wait on a pipe: an action that has not ended in its time
// ends the run, naming it.
void hung(int) {
    const char msg[] = "\nthis action hung on a name another account put in the folder: ";
    (void)!::write(2, msg, sizeof msg - 1);
    (void)!::write(2, currentStep, std::strlen(currentStep));
    ::_exit(3);
}

// This test program as the user's account can run it: a copy in `folder`,
// with the leak checker's suppressions beside it, since the clone may lie
// in folders only root may enter (umask 077).
QString runnableCopy(const QString& folder, QProcessEnvironment* env) {
    const QString copy = folder + "tst_faults";
    QFile::copy(QCoreApplication::applicationFilePath(), copy);
    ::chmod(QFile::encodeName(copy).constData(), 0755);
    static const QRegularExpression given(QStringLiteral(R"(suppressions=("[^"]*"|[^:]*))"));
    QString options = env->value("LSAN_OPTIONS");
    if (const auto found = given.match(options); found.hasMatch()) {
        QString from = found.captured(1);
        from.remove(QLatin1Char('"'));
        QFile::copy(from, folder + "lsan.supp");
        ::chmod(QFile::encodeName(folder + "lsan.supp").constData(), 0644);
        options.replace(found.capturedStart(1), found.capturedLength(1),
                        QStringLiteral("\"%1lsan.supp\"").arg(folder));
        env->insert("LSAN_OPTIONS", options);
    }
    return copy;
}

} // namespace

class Faults : public NamedControlsFixture {
protected:
    using Action = std::function<void()>;

    QMap<QString, QByteArray> files(const QString& folder) const {
        QMap<QString, QByteArray> all;
        for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
            if (f != "quillo.ini" && f != "quillo.loc") {
                all.insert(f, FileLayer::readAll(folder + f).data);
            }
        }
        // The earlier texts, each whole (text and description but its time),
        // and nothing else in their folder.
        const QString kept = History::folderOf(folder);
        QByteArrayList entries;
        for (const QString& f : QDir(kept).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            QByteArrayList ent = FileLayer::readAll(kept + f.chopped(4) + ".ent").data.split('\n');
            if (f.endsWith(".txt") && ent.size() > 1) {
                ent.removeAt(1);
                entries.append(FileLayer::readAll(kept + f).data + "|" + ent.join('\n'));
            } else if (!f.endsWith(".ent") || !QFile::exists(kept + f.chopped(4) + ".txt")) {
                entries.append("stray " + f.toUtf8());
            }
        }
        std::sort(entries.begin(), entries.end());
        if (!entries.isEmpty()) {
            all.insert("(history)", entries.join("\n--\n"));
        }
        return all;
    }
    void fill(const QString& folder) {
        const auto put = [&folder](const char* name, const QByteArray& bytes) {
            FileLayer::writeAtomic(folder + name, bytes);
        };
        put("group.dir", names({"Work", "Home"}, 31));
        put("items0.dir", names({"a", "b"}, 62));
        put("quil0.0", storedNote("alpha"));
        put("quil0.1", storedNote("beta"));
        put("items1.dir", names({"h"}, 62));
        put("quil1.0", storedNote("home"));
        put("trans.dir", names({"", "", "", "slot"}, 12));
        put("trans.3", storedNote("parked"));
    }
    // The labels on screen are the names in the files: a name that could not
    // be read shows empty, and a named item's note is there.
    void expectScreenMatchesDisk(const QString& store, const QString& program, int n,
                                 const std::string& at) {
        const auto expectShown = [&](const auto& buttons, const QString& index, int count) {
            const QStringList stored = NameIndex::decode(FileLayer::readAll(index).data, count);
            for (size_t k = 0; k < buttons.size(); ++k) {
                const QString shown = buttons[k]->text();
                EXPECT_TRUE(shown == stored[int(k)] || shown.isEmpty())
                    << index.toStdString() << " " << k << ", call " << n << " " << at;
            }
        };
        expectShown(w->Group, store + "group.dir", 31);
        expectShown(w->Item, store + QStringLiteral("items%1.dir").arg(m->S.CurrentGroup), 62);
        expectShown(w->Trans, program + "trans.dir", 12);
        for (int k = 0; k < 62; ++k) {
            EXPECT_TRUE(w->Item[k]->text().isEmpty() ||
                        QFile::exists(m->notePath(m->S.CurrentGroup, k)))
                << "item " << k << " has no note, call " << n << " " << at;
        }
    }

    void useNetwork(const QString& program, const QString& store) {
        FileLayer::writeAtomic(program + "trans.dir", names({"", "", "", "slot"}, 12));
        FileLayer::writeAtomic(program + "trans.3", storedNote("parked"));
        SettingsRecord r;
        r.NetworkMode = 1;
        r.setNetworkFolder(store);
        FileLayer::writeAtomic(program + "quillo.ini", r.toBytes());
    }
    // Dialogs are answered as a user would: the Waiting dialog is cancelled,
    // questions get their first answer, the Find dialog searches once.
    void answerAsAUser(const QString& searchFor) {
        ui.answers = std::deque<int>(50, 0);
        ui.onModal = [this, searchFor, asked = false](QDialog& d) mutable {
            if (auto* wait = qobject_cast<Waiting*>(&d)) {
                QTimer::singleShot(50, wait->CancelBtn, &QPushButton::click);
                return false;
            }
            // One search, then Cancel.
            auto* find = qobject_cast<SearchForm*>(&d);
            ui.modalResult = find && !asked ? QDialog::Accepted : QDialog::Rejected;
            if (find) {
                find->Txt->setText(asked ? QString() : searchFor);
                asked = true;
            }
            return true;
        };
    }
    Action naming(const char* target, const char* name) {
        return [=, this] {
            click(control(target), Qt::RightButton);
            type(name);
            key(Qt::Key_Return);
        };
    }
    Action dropping(Qt::MouseButton button, const char* path) {
        return [=, this] { dragAlong(button, path); };
    }
    // Every kind of action in turn, each bounded in time: a save, the naming
    // of a group, drops between items, slots and the erase target, Undo
    // Erase, a refresh and a search.
    void everyAction() {
        const std::pair<const char*, Action> steps[] = {
            {"save",
             [this] {
                 click(w->Item[1]);
                 type("typed");
                 click(w->Item[0]);
             }},
            {"name", naming("G1", "Garden")},
            {"copy", dropping(Qt::RightButton, "I0 I8")},
            {"to-slot", dropping(Qt::LeftButton, "I8 T5")},
            {"from-slot", dropping(Qt::LeftButton, "T3 I7")},
            {"move", dropping(Qt::LeftButton, "I7 I9")},
            {"erase", dropping(Qt::LeftButton, "I1 D0")},
            {"undo-erase", [this] { w->FundoErase->trigger(); }},
            {"refresh", [this] { w->refreshit(); }},
            {"search", [this] { w->Ffind_Click(); }},
        };
        for (const auto& [what, step] : steps) {
            if (!w) {
                return;
            }
            ::alarm(20);
            currentStep = what;
            step();
            ::alarm(0);
        }
    }

    // Runs `action` once without a fault, then failing at call 1, 2, ...
    // until it passes every call; returns how many faults were injected.
    int sweep(const char* what, const Action& action, bool network = false) {
        const int errors[] = {EIO, ENOSPC, EACCES, ENOENT};
        QMap<QString, QByteArray> before;
        QMap<QString, QByteArray> after;
        int injected = 0;
        // SWEEP=<what> runs that sweep alone, to look into a failure.
        if (qEnvironmentVariableIsSet("SWEEP") && qgetenv("SWEEP") != what) {
            return 0;
        }
        for (int n = 0; n < 2000; ++n) {
            const QString program = dir.mkdir(QStringLiteral("%1-%2").arg(what).arg(n));
            const QString store =
                network ? dir.mkdir(QStringLiteral("%1-%2/net").arg(what).arg(n)) : program;
            fill(store);
            if (network) {
                useNetwork(program, store);
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
                QStringList differ = now.keys() + after.keys();
                differ.removeDuplicates();
                differ.removeIf([&](const QString& f) {
                    return now.value(f) == after.value(f) && now.value(f) == before.value(f);
                });
                // A name that could not be read only leaves a kept entry unnamed.
                const auto unnamed = [](QMap<QString, QByteArray> files) {
                    QByteArrayList entries = files.value("(history)").split('\n');
                    for (qsizetype k = 0; k + 5 < entries.size(); ++k) {
                        if (entries[k].endsWith("|QHIST1")) {
                            entries[k + 4].clear();
                            entries[k + 5].clear();
                        }
                    }
                    files["(history)"] = entries.join('\n');
                    return files;
                };
                EXPECT_TRUE(now == before || now == after || unnamed(now) == unnamed(after))
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

// Saving, naming, every kind of drop, and a drop in network mode, where the
// lock must be given back before any message.
TEST_F(Faults, EveryChangeIsAllOrNothing) {
    const Action save = [this] {
        click(w->Item[5]);
        type("typed");
        click(w->Item[6]);
        if (m->noteChanged()) { // not saved: the click did not go on
            EXPECT_EQ(note(), QStringLiteral("typed")) << "the typed text stays on screen";
        }
    };
    const struct {
        const char* what;
        Action action;
        bool network = false;
    } sweeps[] = {
        {"save", save},
        {"name-group", naming("G1", "Garden")},
        {"unname-item", naming("I1", " ")},
        {"group-move", dropping(Qt::LeftButton, "G0 G4")},
        {"group-copy", dropping(Qt::RightButton, "G0 G4")},
        {"item-move", dropping(Qt::LeftButton, "I0 I9")},
        {"item-to-group", dropping(Qt::LeftButton, "I1 G3 I2")},
        {"item-copy", dropping(Qt::RightButton, "I0 I9")},
        {"item-to-slot", dropping(Qt::LeftButton, "I0 T5")},
        {"item-copy-slot", dropping(Qt::RightButton, "I0 T5")},
        {"slot-to-item", dropping(Qt::LeftButton, "T3 I7")},
        {"slot-copy", dropping(Qt::RightButton, "T3 I7")},
        {"erase-item", dropping(Qt::LeftButton, "I1 D0")},
        {"erase-group", dropping(Qt::LeftButton, "G1 D0")},
        {"net-move", dropping(Qt::LeftButton, "I0 G1 I4"), true},
    };
    int total = 0;
    for (const auto& [what, action, network] : sweeps) {
        total += sweep(what, action, network);
    }
    std::cout << "faults injected: " << total << "\n";
}

// Another account sharing the folder.
constexpr int kOtherAccount = kNobody;

// Another account puts a link to a private file of the user, a dangling
// link, a pipe or a folder under each name the program uses in the shared
// folder, and every action runs against it. Nothing outside the folder is
// read or created, no private byte reaches the folder or the screen,
// nothing hangs, the lock is given back and the user is told.
TEST_F(Faults, WhatAnotherAccountPutsInTheFolderIsRefused) {
    ::signal(SIGALRM, hung);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
    const QByteArray secret = "PRIVATE to this account";
    const QString privateFile = dir.file("private");
    FileLayer::writeAtomic(privateFile, secret, 0600);
    const char* namesUsed[] = {"group.dir",       "items0.dir",          "quil0.0",
                               "quil0.1",         "quillo.loc",          "quillo.jnl",
                               ".quil0.1.aB3dE9", ".quillo-undo.aB3dE9", ".quillo-history"};
    const char* kinds[] = {"private-link", "dangling-link", "pipe", "folder"};
    int n = 0;
    for (const char* name : namesUsed) {
        for (const char* kind : kinds) {
            const std::string at = std::string(kind) + " as " + name;
            const QString program = dir.mkdir(QStringLiteral("hostile-%1").arg(++n));
            const QString store = dir.mkdir(QStringLiteral("hostile-%1/net").arg(n));
            const QString madeByLink = dir.file(QStringLiteral("made-%1").arg(n));
            ::chmod(QFile::encodeName(program).constData(), 0711);
            ::chmod(QFile::encodeName(store).constData(), 0777);
            fill(store);
            useNetwork(program, store);
            const QByteArray planted = QFile::encodeName(store + name);
            ::unlink(planted.constData());
            const int code = runInChild(
                [&] {
                    const std::string k = kind;
                    const int rc =
                        k == "private-link"    ? ::symlink(QFile::encodeName(privateFile), planted)
                        : k == "dangling-link" ? ::symlink(QFile::encodeName(madeByLink), planted)
                        : k == "pipe"          ? ::mkfifo(planted.constData(), 0666)
                                               : ::mkdir(planted.constData(), 0777);
                    return rc == 0 ? 0 : 1;
                },
                kOtherAccount);
            ASSERT_EQ(code, 0) << at;

            ui = FakeUiServices();
            answerAsAUser(QString::fromLatin1(secret));
            currentStep = "start";
            ::alarm(20);
            start(program);
            ::alarm(0);
            EXPECT_FALSE(note().contains(QString::fromLatin1(secret))) << at;
            everyAction();
            m->showMessages();
            const QString told = (ui.errors + ui.questions).join('\n');

            EXPECT_FALSE(QFileInfo::exists(madeByLink)) << at << ": a link was followed";
            EXPECT_EQ(FileLayer::readAll(privateFile).data, secret) << at;
            QDirIterator all(dir.path(), QDir::Files | QDir::Hidden | QDir::System,
                             QDirIterator::Subdirectories);
            while (all.hasNext()) {
                const QString f = all.next();
                QFile file(f);
                if (f != privateFile && !QFileInfo(f).isSymLink() && QFileInfo(f).isFile() &&
                    file.open(QIODevice::ReadOnly)) {
                    EXPECT_FALSE(file.readAll().contains(secret))
                        << at << ": private bytes reached " << f.toStdString();
                }
            }
            EXPECT_FALSE(note().contains(QString::fromLatin1(secret))) << at;
            EXPECT_FALSE(told.contains(QString::fromLatin1(secret))) << at;
            EXPECT_FALSE(m->lockHeld()) << at;
            if (QLatin1String(name) != QLatin1String("quillo.loc")) {
                EXPECT_EQ(tryLockElsewhere(store + "quillo.loc"), "held") << at;
            }
            // Leftover names are cleared (a link or a pipe is only unlinked);
            // every other name is one the user must hear of.
            if (name[0] != '.') {
                EXPECT_TRUE(told.contains(QLatin1String(name)) ||
                            (QLatin1String(name) == QLatin1String("quillo.loc") &&
                             ui.modalsShown.contains("Waiting")))
                    << at << ": the user was not told: " << told.toStdString();
            }
            // Another account's thing in place of the history folder stops
            // no change; the user hears that earlier texts are not kept.
            if (QLatin1String(name) == QLatin1String(".quillo-history")) {
                EXPECT_EQ(told.contains("Earlier texts cannot be kept"),
                          QLatin1String(kind) != QLatin1String("folder"))
                    << at << ": " << told.toStdString();
                EXPECT_NE(FileLayer::readAll(store + "quil0.1").data, storedNote("beta")) << at;
            }
            w.reset();
            m.reset();
        }
    }
    // An index made unreadable after the lock was taken, as the save keeps
    // the old text: the entry goes without that name, and the save stands.
    const QString store = dir.mkdir("unreadable-index/net");
    fill(store);
    useNetwork(dir.file("unreadable-index/"), store);
    ui = FakeUiServices();
    start(dir.file("unreadable-index/"));
    click(w->Item[1]);
    type("typed");
    bool planted = false;
    FileFaults::setObserver([&](const char*, const QString& path) {
        if (!planted && path.endsWith("quil0.1")) {
            planted = true;
            ::unlink(QFile::encodeName(store + "items0.dir").constData());
            ::mkfifo(QFile::encodeName(store + "items0.dir").constData(), 0666);
        }
    });
    click(w->Item[0]);
    FileFaults::setObserver(nullptr);
    FileFaults::reset();
    EXPECT_TRUE(planted);
    EXPECT_TRUE(
        NoteFile::decode(FileLayer::readAll(store + "quil0.1").data).text.contains("typed"));
    const History::Entry kept = History(store).entries().value(0);
    EXPECT_EQ(History(store).text(kept).data, storedNote("beta"));
    EXPECT_EQ(kept.groupName + "|" + kept.itemName, "Work|");
}

// The user's account is not root here: root may rename anything in a sticky
// folder, an ordinary account only its own files.
constexpr int kUser = 65533;

// A sticky shared folder (mode 1777) holds notes and names another account
// wrote and lets this account write. Saving, naming, a move, an erase and
// Undo Erase work on them, no backup is left that this account could never
// remove, a note it may not write is named in plain words, and a journal
// that account left, which this one cannot undo, is told. The actions run in
// a process of the user's own account; root sets up the folders.
TEST_F(Faults, InAStickyFolderTheNotesOfAnotherAccountCanBeChanged) {
    const QString store = qEnvironmentVariable("QUILLO_STICKY_STORE");
    if (store.isEmpty()) {
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
        for (const char* phase : {"work", "journal"}) {
            const QString program = dir.mkdir(QStringLiteral("%1-program").arg(phase));
            const QString shared = dir.mkdir(QStringLiteral("%1-shared").arg(phase));
            useNetwork(program, shared);
            const QStringList own = QDir(program).entryList(QDir::Files) << ".";
            for (const QString& f : own) {
                ASSERT_EQ(::chown(QFile::encodeName(program + f).constData(), kUser, kUser), 0);
            }
            ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
            const bool journal = QLatin1String(phase) == QLatin1String("journal");
            ASSERT_EQ(runInChild(
                          [&] {
                              fill(shared);
                              FileLayer::writeAtomic(shared + "quil0.2", storedNote("theirs"));
                              for (const QString& f : QDir(shared).entryList(QDir::Files)) {
                                  ::chmod(QFile::encodeName(shared + f).constData(),
                                          f == "quil0.2" ? 0644 : 0666);
                              }
                              // A change it left half done, which only it may undo.
                              return journal && !FileLayer::writeAtomic(shared + "quillo.jnl",
                                                                        "QJNL1\nN\tquil0.2\n")
                                         ? 1
                                         : 0;
                          },
                          kOtherAccount),
                      0);
            QProcess self;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QUILLO_STICKY_STORE", shared);
            env.insert("QUILLO_STICKY_PROGRAM", program);
            env.insert("QUILLO_STICKY_PHASE", phase);
            env.insert("HOME", program);
            const QString runnable = runnableCopy(dir.path(), &env);
            self.setProcessEnvironment(env);
            self.setProcessChannelMode(QProcess::MergedChannels);
            self.setChildProcessModifier([] {
                if (::setgid(kUser) != 0 || ::setuid(kUser) != 0) {
                    ::_exit(90);
                }
            });
            self.start(runnable, {"--gtest_filter=Faults.InAStickyFolder*"});
            ASSERT_TRUE(self.waitForFinished(120000));
            EXPECT_EQ(self.exitCode(), 0) << phase << "\n" << self.readAll().toStdString();
        }
        return;
    }
    // As the user's account.
    const QString folder = Module1::withSeparator(store);
    const auto text = [&folder](const char* name) {
        return NoteFile::decode(FileLayer::readAll(folder + name).data).text;
    };
    const auto owner = [&folder](const char* name) {
        struct stat st {};
        return ::lstat(QFile::encodeName(folder + name).constData(), &st) == 0 ? int(st.st_uid)
                                                                               : -1;
    };
    answerAsAUser(QString());
    start(qEnvironmentVariable("QUILLO_STICKY_PROGRAM"));
    if (qEnvironmentVariable("QUILLO_STICKY_PHASE") == "journal") {
        click(w->Item[0]);
        type("mine");
        click(w->Item[1]);
        m->showMessages();
        EXPECT_TRUE(ui.errors.join(' ').contains("left half done"))
            << ui.errors.join(' ').toStdString();
        EXPECT_EQ(text("quil0.0"), "alpha") << "nothing is saved while it is there";
        EXPECT_EQ(text("quil0.2"), "theirs");
        return;
    }
    click(w->Item[0]);
    type("mine ");
    const QString typed = note();
    click(w->Item[1]);
    EXPECT_EQ(text("quil0.0"), typed);
    EXPECT_EQ(owner("quil0.0"), kOtherAccount) << "rewritten in place";
    click(w->Group[1], Qt::RightButton);
    type("Garden");
    key(Qt::Key_Return);
    EXPECT_EQ(NameIndex::decode(FileLayer::readAll(folder + "group.dir").data, 31).at(1), "Garden");
    click(w->Group[0]);
    drag(Qt::LeftButton, {w->Item[1], w->Item[9]});
    EXPECT_EQ(text("quil0.9"), "beta");
    EXPECT_TRUE(text("quil0.1").isEmpty());
    drag(Qt::LeftButton, {w->Item[9], w->Del[0]});
    EXPECT_TRUE(w->Item[9]->text().isEmpty());
    w->FundoErase->trigger();
    EXPECT_EQ(w->Item[9]->text(), "b");
    EXPECT_EQ(text("quil0.9"), "beta");
    // The note it emptied, shown and refreshed, is no failure either.
    click(w->Item[1]);
    w->refreshit();
    m->showMessages();
    EXPECT_TRUE(ui.errors.isEmpty()) << ui.errors.join(' ').toStdString();
    // A note the other account keeps to itself.
    click(w->Item[2]);
    type("x");
    click(w->Item[3]);
    m->showMessages();
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains(folder + "quil0.2") &&
                ui.errors[0].contains("Permission denied"))
        << ui.errors[0].toStdString();
    EXPECT_EQ(text("quil0.2"), "theirs");
    const QStringList left =
        QDir(folder).entryList({".quillo-undo.*", "quillo.jnl"}, QDir::Files | QDir::Hidden);
    EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}

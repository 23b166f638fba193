#include "testfolder.h"

#include "core/filelayer.h"
#include "core/history.h"
#include "core/storejournal.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

History::Entry place(int group, int item, const char* groupName, const char* itemName,
                     History::What what = History::What::SavedOver) {
    return {
        {}, 0, {}, what, group, item, QString::fromUtf8(groupName), QString::fromUtf8(itemName)};
}

ino_t inode(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// The history folder of `dir` moved to `keptAs`, a link to `target` in its place; and back.
void swapForLink(const TestFolder& dir, const QString& keptAs, const QString& target) {
    ASSERT_TRUE(QDir(dir.path()).rename(".quillo-history", keptAs));
    ASSERT_TRUE(QFile::link(target, dir.file(".quillo-history")));
}
void swapBack(const TestFolder& dir, const QString& keptAs) {
    ASSERT_TRUE(QFile::remove(dir.file(".quillo-history")));
    ASSERT_TRUE(QDir(dir.path()).rename(keptAs, ".quillo-history"));
}
// The same swap, made the first time a file step `when` picks is taken.
void swapWhen(const TestFolder& dir, const QString& keptAs, const QString& target,
              const std::function<bool(const char* step, const QString& path)>& when) {
    FileFaults::setObserver([=, &dir](const char* step, const QString& path) {
        if (when(step, path) && !QFileInfo(dir.file(".quillo-history")).isSymLink()) {
            QDir(dir.path()).rename(".quillo-history", keptAs);
            QFile::link(target, dir.file(".quillo-history"));
        }
    });
}

} // namespace

// What is kept reads back byte for byte with its place, names, account and
// time, newest first; the text is a second name of the old file, not a copy.
// Nothing is kept of an empty or missing note. A damaged, foreign or linked
// entry is skipped, and a history folder that is a link is not used.
TEST(History, KeepsReadsBackAndSkipsWhatItCannotTrust) {
    TestFolder dir;
    const QByteArray first("caf\xe9\r\nline two\x81", 15);
    dir.write("quil3.7", first);
    dir.write("trans.2", "slot text");
    dir.write("quil0.0", "");
    History h(dir.path());
    const QString hist = History::folderOf(dir.path());
    EXPECT_EQ(hist, dir.path() + ".quillo-history/");
    EXPECT_TRUE(h.entries().isEmpty());
    ASSERT_TRUE(h.keep(dir.file("quil3.7"), place(3, 7, "Work\nstuff", "Caf\u00e9 %20")).ok());
    EXPECT_EQ(inode(dir.file("quil3.7")), inode(hist + h.entries().value(0).id + ".txt"));
    ASSERT_TRUE(FileLayer::writeAtomic(dir.file("quil3.7"), "second text")); // as the store does
    // The store folder made sticky after its history folder: another account
    // may now rewrite the note in place, so the text is kept as a copy.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 01777), 0);
    ASSERT_TRUE(h.keep(dir.file("quil3.7"), place(3, 7, "Work", "Caf", History::What::Erased)));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0700), 0);
    EXPECT_NE(inode(dir.file("quil3.7")), inode(hist + h.entries().value(0).id + ".txt"));
    ASSERT_TRUE(h.keep(dir.file("trans.2"), place(-1, 2, "", "Slot", History::What::MovedAway)));
    ASSERT_TRUE(h.keep(dir.file("quil0.0"), place(0, 0, "a", "b")).ok());
    ASSERT_TRUE(h.keep(dir.file("quil0.9"), place(0, 9, "a", "b")).ok());

    const QList<History::Entry> all = h.entries();
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0].group, -1);
    EXPECT_EQ(all[0].item, 2);
    EXPECT_EQ(all[0].what, History::What::MovedAway);
    EXPECT_EQ(h.text(all[0]).data, "slot text");
    EXPECT_EQ(h.text(all[1]).data, "second text");
    EXPECT_EQ(all[1].what, History::What::Erased);
    EXPECT_EQ(all[2].groupName, QString("Work\nstuff"));
    EXPECT_EQ(all[2].itemName, QString::fromUtf8("Caf\u00e9 %20"));
    EXPECT_EQ(all[2].account, History::account());
    EXPECT_FALSE(all[2].account.isEmpty());
    EXPECT_EQ(h.text(all[2]).data, first);
    EXPECT_TRUE(all[2].id < all[1].id && all[1].id < all[0].id);
    EXPECT_TRUE(all[2].timeMs <= all[1].timeMs && all[1].timeMs <= all[0].timeMs);
    EXPECT_NEAR(double(all[0].timeMs), double(QDateTime::currentMSecsSinceEpoch()), 60000.0);

    // Hostile and damaged entries beside the sound ones.
    const QString id = all[1].id;
    const QByteArray ent = dir.read(".quillo-history/" + id + ".ent");
    const auto fake = [&](const QString& fakeId, const QByteArray& bytes) {
        dir.write(".quillo-history/" + fakeId + ".ent", bytes);
        dir.write(".quillo-history/" + fakeId + ".txt", "x");
    };
    fake("000000000000001-aaaaaa", QByteArray(ent).replace(id.left(15).toLatin1(), "1"));
    fake("000000000000002-aaaaaa", ent); // claims another time than its name
    fake("000000000000003-aaaaaa", QByteArray(ent).replace("3 7", "31 7"));
    fake("000000000000004-aaaaaa", ent.left(ent.size() - 3));
    fake("00000000000000x-aaaaaa", ent);
    QFile::link(hist + id + ".ent", hist + "000000000000005-aaaaaa.ent");
    dir.write(".quillo-history/000000000000005-aaaaaa.txt", "x");
    dir.write(".quillo-history/000000000000006-aaaaaa.ent",
              QByteArray(ent).replace(id.left(15).toLatin1(), "000000000000006"));
    QFile::link(dir.file("quil3.7"), hist + "000000000000006-aaaaaa.txt");
    EXPECT_EQ(h.entries().size(), 3);
    // An entry made by another account names that account, whatever it says.
    ASSERT_EQ(::chown(QFile::encodeName(hist + id + ".ent").constData(), 65533, 65533), 0);
    EXPECT_EQ(h.entries().value(1).account, "65533");
    EXPECT_EQ(h.entries().value(2).account, History::account());
    History::Entry bad = all[1];
    bad.id = "../quil3";
    EXPECT_FALSE(h.text(bad).result.ok());

    // The history folder swapped for a link: not read, not written.
    ASSERT_NO_FATAL_FAILURE(swapForLink(dir, "elsewhere", dir.file("elsewhere")));
    EXPECT_TRUE(h.entries().isEmpty());
    EXPECT_FALSE(h.text(all[0]).result.ok());
    const qsizetype there =
        QDir(dir.file("elsewhere")).entryList(QDir::Files | QDir::System).size();
    EXPECT_FALSE(h.keep(dir.file("quil3.7"), place(3, 7, "", "")).ok());
    EXPECT_EQ(QDir(dir.file("elsewhere")).entryList(QDir::Files | QDir::System).size(), there);
    // ... nor when the swap comes as the entry is being made,
    ASSERT_NO_FATAL_FAILURE(swapBack(dir, "elsewhere"));
    const QString outside = dir.mkdir("outside");
    const auto inHistory = [&](const char*, const QString& path) { return path.startsWith(hist); };
    swapWhen(dir, "elsewhere", outside, inHistory);
    EXPECT_TRUE(h.keep(dir.file("quil3.7"), place(3, 7, "", "")).ok());
    FileFaults::setObserver(nullptr);
    EXPECT_TRUE(QDir(outside).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());
    EXPECT_EQ(QDir(dir.file("elsewhere")).entryList(QDir::Files | QDir::System).size(), there + 2);
    // ... nor is a kept text read through a link swapped in as it is read.
    ASSERT_NO_FATAL_FAILURE(swapBack(dir, "elsewhere"));
    dir.write("outside/" + all[0].id + ".txt", "forged");
    swapWhen(dir, "elsewhere", outside, inHistory);
    EXPECT_NE(h.text(all[0]).data, "forged");
    FileFaults::setObserver(nullptr);
}

// Past the age limit entries go first, then the oldest while the history
// passes its count or size limit, a few per call.
TEST(History, PruningKeepsTheLimits) {
    TestFolder dir;
    History h(dir.path());
    // Put back however the test ends: a failed assertion must not leave
    // these limits to the tests that follow in this program.
    const auto restore = qScopeGuard([saved = History::limits(), clock = History::clock()] {
        History::limits() = saved;
        History::clock() = clock;
    });
    qint64 now = 1700000000000;
    History::clock() = [&now] { return now; };
    History::limits() = {1000000, 1 << 20, 5};
    dir.write("quil1.1", QByteArray(50, 'a'));
    for (int k = 0; k < 8; ++k) {
        now += 10000;
        ASSERT_TRUE(h.keep(dir.file("quil1.1"), place(1, 1, "g", "i")).ok());
    }
    EXPECT_EQ(h.prune(2), 2); // count 8 > 5, a little at a time
    EXPECT_EQ(h.prune(10), 1);
    EXPECT_EQ(h.entries().size(), 5);
    EXPECT_EQ(h.prune(10), 0);
    // Sizes: each entry is 50 text bytes and a description of under 50.
    History::limits().maxBytes = 300;
    ASSERT_TRUE(FileLayer::writeAtomic(dir.file("quil1.1"), QByteArray(50, 'b')));
    now += 10000;
    ASSERT_TRUE(h.keep(dir.file("quil1.1"), place(1, 1, "g", "i")).ok());
    EXPECT_EQ(h.prune(10), 3);
    QList<History::Entry> left = h.entries();
    ASSERT_EQ(left.size(), 3);
    EXPECT_EQ(h.text(left[0]).data, QByteArray(50, 'b'));
    // Age: the oldest just within it, then all but the newest past it.
    now = left[2].timeMs + 1000000 - 1;
    EXPECT_EQ(h.prune(10), 0);
    now = left[1].timeMs + 1000000 + 1;
    EXPECT_EQ(h.prune(10), 2);
    EXPECT_EQ(h.entries().size(), 1);
    // A listing takes names only and sizes are looked up a few per call:
    // the size limit holds once they are known.
    TestFolder big;
    History b(big.path());
    big.write("quil1.1", QByteArray(50, 'c'));
    for (int k = 0; k < 5; ++k) {
        now += 10000;
        ASSERT_TRUE(b.keep(big.file("quil1.1"), place(1, 1, "g", "i")).ok());
    }
    History::limits().sizesPerCall = 2;
    EXPECT_EQ(b.prune(10), 0) << "two files' sizes known: not over yet";
    for (int calls = 0; calls < 20 && b.entries().size() > 3; ++calls) {
        b.prune(10);
    }
    EXPECT_EQ(b.entries().size(), 3);
}

// A kept text belongs to its operation: the journal names the history's new
// files, and undoing the operation (now, or after a kill) removes them. A
// journal read back is untrusted: only entry names, one level down in the
// history folder itself and never through a link, are acted on.
TEST(History, AnUndoneOperationKeepsNothingAndAJournalNamesNothingElse) {
    TestFolder dir;
    dir.write("quil0.1", "old text");
    dir.write("group.dir", "names");
    for (const bool killed : {false, true}) {
        StoreJournal j;
        j.setFolder(dir.path());
        History h(dir.path());
        QString id;
        ASSERT_TRUE(h.keep(
                         dir.file("quil0.1"), place(0, 1, "g", "i"),
                         [&](const QStringList& p) { return j.recordNew(p); }, &id)
                        .ok());
        ASSERT_TRUE(j.write(dir.file("quil0.1"), "new text").ok());
        EXPECT_EQ(h.entries().size(), 1);
        if (killed) {
            EXPECT_TRUE(StoreJournal::recover(dir.path()));
        } else {
            EXPECT_TRUE(j.rollBack());
        }
        EXPECT_TRUE(h.entries().isEmpty()) << killed;
        EXPECT_FALSE(dir.exists(".quillo-history/" + id + ".txt")) << killed;
        EXPECT_EQ(dir.read("quil0.1"), "old text");
    }
    EXPECT_FALSE(StoreJournal().recordNew(dir.file(".quillo-history/../group.dir")).ok());
    {
        // A commit that stands has synced the store folder itself.
        StoreJournal j;
        j.setFolder(dir.path());
        ASSERT_TRUE(j.write(dir.file("quil0.1"), "old text").ok());
        QStringList synced;
        FileFaults::setObserver([&](const char* step, const QString& path) {
            if (QLatin1String(step) == QLatin1String("syncdir")) {
                synced.append(path);
            }
        });
        ASSERT_TRUE(j.commit().ok());
        FileFaults::reset();
        EXPECT_TRUE(synced.contains(dir.path().chopped(1))) << synced.join(' ').toStdString();
    }

    const QString id = "001700000000000-abcdef";
    const QString elsewhere = dir.mkdir("elsewhere");
    dir.write("elsewhere/" + id + ".txt", "not ours");
    dir.write("elsewhere/group.dir", "not ours");
    dir.write(".quillo-history/" + id + ".ent", "kept");
    dir.mkdir("sub");
    dir.write("sub/" + id + ".txt", "kept");
    dir.write("quil5", "kept");
    // The last line, cut short by a crash, was never followed by its change.
    dir.write("quillo.jnl", "QJNL1\nN\t.quillo-history/../group.dir\nN\t../elsewhere/group.dir\n"
                            "N\tsub/" +
                                id.toUtf8() + ".txt\nB\t.quillo-history/" + id.toUtf8() +
                                ".ent\tx\nN\t.quillo-history/" + id.toUtf8() + ".ent\nN\tquil5");
    EXPECT_TRUE(StoreJournal::recover(dir.path()));
    EXPECT_EQ(dir.read("quil5"), "kept");
    EXPECT_FALSE(dir.exists("quillo.jnl"));
    EXPECT_EQ(dir.read("group.dir"), "names");
    EXPECT_EQ(dir.read("elsewhere/group.dir"), "not ours");
    EXPECT_TRUE(dir.exists("sub/" + id + ".txt"));
    EXPECT_FALSE(dir.exists(".quillo-history/" + id + ".ent")) << "its own line is undone";
    // The history folder swapped for a link: nothing is removed through it.
    ASSERT_NO_FATAL_FAILURE(swapForLink(dir, "moved", elsewhere));
    dir.write("quillo.jnl", "QJNL1\nN\t.quillo-history/" + id.toUtf8() + ".txt\n");
    EXPECT_TRUE(StoreJournal::recover(dir.path()));
    EXPECT_EQ(dir.read("elsewhere/" + id + ".txt"), "not ours");
    // ... nor when the swap comes while a file is being removed, by an undo
    // or by pruning (which clears a lone half of an old entry).
    const QString lone = "001700000000001-abcdef.txt";
    dir.write("elsewhere/" + lone, "not ours");
    for (const bool pruning : {false, true}) {
        ASSERT_NO_FATAL_FAILURE(swapBack(dir, "moved"));
        dir.write(".quillo-history/" + (pruning ? lone : id + ".txt"), "ours");
        swapWhen(dir, "moved", elsewhere,
                 [](const char* step, const QString&) { return qstrcmp(step, "unlink") == 0; });
        if (pruning) {
            History(dir.path()).prune(10);
        } else {
            dir.write("quillo.jnl", "QJNL1\nN\t.quillo-history/" + id.toUtf8() + ".txt\n");
            EXPECT_TRUE(StoreJournal::recover(dir.path()));
        }
        FileFaults::setObserver(nullptr);
        EXPECT_EQ(dir.read("elsewhere/" + id + ".txt"), "not ours");
        EXPECT_EQ(dir.read("elsewhere/" + lone), "not ours") << pruning;
        EXPECT_FALSE(dir.exists("moved/" + (pruning ? lone : id + ".txt"))) << pruning;
    }
}

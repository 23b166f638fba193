// Another copy of the program, as far as the store and its lock go: the
// tests run it as a separate process on the same folder.
//
//   hold <lockfile>                  take the lock, print "held", keep it until stdin closes
//   try <lockfile>                   one attempt: print "held", "busy" or "refused"
//   recover <folder>                 under the lock, undo what a dead copy left half done
//   rename-group <folder> <g> <name> under the lock, rename group g in group.dir
//   write-note <folder> <g> <i> <wrap> <text>   under the lock, save a note as another copy would
//   fill-store <folder> <note bytes> every group and item named, every note written

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "core/storejournal.h"
#include "core/storelock.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>

namespace {

void lockOrWait(StoreLock& lock, const QString& path) {
    while (!lock.tryAcquire(path)) {
        QThread::usleep(200);
    }
}

int hold(const QString& lockPath) {
    StoreLock lock;
    lockOrWait(lock, lockPath);
    std::printf("held\n");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    // The moment of letting go, on the clock every process shares.
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    lock.release();
    std::printf("released %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    return 0;
}

int tryOnce(const QString& lockPath) {
    StoreLock lock;
    const StoreLock::Outcome outcome = lock.attempt(lockPath);
    std::printf("%s\n", outcome == StoreLock::Outcome::Held   ? "held"
                        : outcome == StoreLock::Outcome::Busy ? "busy"
                                                              : "refused");
    return 0;
}

int recover(const QString& folder) {
    StoreLock lock;
    lockOrWait(lock, folder + QStringLiteral("quillo.loc"));
    std::printf("%s\n", StoreJournal::recover(folder) ? "recovered" : "clean");
    FileLayer::removeLeftovers(folder);
    return 0;
}

int fillStore(const QString& folder, int noteBytes) {
    bool ok = true;
    const auto put = [&](const QString& name, const QByteArray& bytes) {
        ok = FileLayer::writeAtomic(folder + name, bytes) && ok;
    };
    QStringList groups;
    for (int g = 0; g < 31; ++g) {
        groups.append(QStringLiteral("Group number %1 with a long name").arg(g));
        QStringList items;
        for (int i = 0; i < 62; ++i) {
            items.append(QStringLiteral("Item %1 of group %2, named in full").arg(i).arg(g));
            put(QStringLiteral("quil%1.%2").arg(g).arg(i),
                NoteFile::encode(QString(noteBytes - 2, QLatin1Char('n')), 1));
        }
        put(QStringLiteral("items%1.dir").arg(g), NameIndex::encode(items));
    }
    put(QStringLiteral("group.dir"), NameIndex::encode(groups));
    return ok ? 0 : 1;
}

// Under the lock, as another copy would: group g renamed, or a note saved.
int renameGroup(const QString& folder, int g, const QString& name) {
    StoreLock lock;
    lockOrWait(lock, folder + QStringLiteral("quillo.loc"));
    QStringList names = NameIndex::decode(FileLayer::readAll(folder + "group.dir").data, 31);
    names[g] = name;
    return FileLayer::writeAtomic(folder + "group.dir", NameIndex::encode(names)) ? 0 : 1;
}

int writeNote(const QString& folder, int g, int i, int wrap, const QString& text) {
    StoreLock lock;
    lockOrWait(lock, folder + QStringLiteral("quillo.loc"));
    const QString path = folder + QStringLiteral("quil%1.%2").arg(g).arg(i);
    return FileLayer::writeAtomic(path, NoteFile::encode(text, static_cast<qint16>(wrap))) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = QCoreApplication::arguments();
    if (a.size() == 3 && a[1] == QLatin1String("hold")) {
        return hold(a[2]);
    }
    if (a.size() == 3 && a[1] == QLatin1String("recover")) {
        return recover(a[2]);
    }
    if (a.size() == 3 && a[1] == QLatin1String("try")) {
        return tryOnce(a[2]);
    }
    if (a.size() == 5 && a[1] == QLatin1String("rename-group")) {
        return renameGroup(a[2], a[3].toInt(), a[4]);
    }
    if (a.size() == 7 && a[1] == QLatin1String("write-note")) {
        return writeNote(a[2], a[3].toInt(), a[4].toInt(), a[5].toInt(), a[6]);
    }
    if (a.size() == 4 && a[1] == QLatin1String("fill-store")) {
        return fillStore(a[2], a[3].toInt());
    }
    std::fprintf(stderr, "usage: see the top of storetool.cpp\n");
    return 2;
}

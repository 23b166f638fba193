#include "core/history.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kMagic[] = "QHIST1";
constexpr qint64 kMaxEntryFile = 4096;
// Older than this, a lone half of an entry is no entry being made.
constexpr qint64 kOrphanMs = 3600 * 1000;
constexpr auto kRelist = std::chrono::seconds(60);

QByteArray encoded(const QString& s) {
    return s.toUtf8().toPercentEncoding(" ");
}

QString decoded(const QByteArray& b) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(b));
}

const char* const kWhat[] = {"saved-over", "moved-away", "erased", "restored"};

QByteArray describe(const History::Entry& e) {
    QByteArray b = QByteArray(kMagic) + '\n' + QByteArray::number(e.timeMs) + '\n' +
                   encoded(e.account) + '\n' + kWhat[static_cast<int>(e.what)] + '\n';
    b += QByteArray::number(e.group) + ' ' + QByteArray::number(e.item) + '\n';
    return b + encoded(e.groupName) + '\n' + encoded(e.itemName) + '\n';
}

bool parse(const QByteArray& bytes, const QString& id, History::Entry* e) {
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() != 8 || lines[0] != kMagic || !lines[7].isEmpty()) {
        return false;
    }
    bool ok[3] = {false, false, false};
    e->id = id;
    e->timeMs = lines[1].toLongLong(&ok[0]);
    const int what = static_cast<int>(std::find(std::begin(kWhat), std::end(kWhat), lines[3]) -
                                      std::begin(kWhat));
    const QList<QByteArray> place = lines[4].split(' ');
    if (place.size() == 2) {
        e->group = place[0].toInt(&ok[1]);
        e->item = place[1].toInt(&ok[2]);
    }
    // The time is the id's own: an entry cannot claim another place in time.
    if (!ok[0] || !ok[1] || !ok[2] || what >= 4 || e->timeMs != id.left(15).toLongLong() ||
        e->group < -1 || e->group > 30 || e->item < 0 || e->item > (e->group < 0 ? 11 : 61)) {
        return false;
    }
    e->what = static_cast<History::What>(what);
    e->account = decoded(lines[2]);
    e->groupName = decoded(lines[5]);
    e->itemName = decoded(lines[6]);
    return true;
}

QString randomTail() {
    return FileLayer::randomLetters(QLatin1String("abcdefghijklmnopqrstuvwxyz0123456789"));
}

// A folder's names, never through a link, the folder itself included.
// Only the names an entry may have (and temporaries of them) are returned.
struct Listed {
    QString name;
};
std::vector<Listed> listFolder(int folderFd) {
    std::vector<Listed> out;
    // An open of its own: reading the names moves it along.
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return out;
    }
    DIR* d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return out;
    }
    static const QRegularExpression temp(
        QStringLiteral(R"(^\.\d{15}-[a-z0-9]{6}\.(txt|ent)\.[A-Za-z0-9]{6}$)"));
    while (const dirent* e = ::readdir(d)) {
        const QString name = QFile::decodeName(e->d_name);
        if (!History::isEntryFileName(name) && !temp.match(name).hasMatch()) {
            continue;
        }
        out.push_back({name});
    }
    ::closedir(d);
    return out;
}

// What pruning knows of one history folder, listed at most once a minute.
struct Known {
    std::chrono::steady_clock::time_point listedAt;
    std::map<QString, qint64> entries; // id -> bytes of both its files, as far as known
    qint64 bytes = 0;
    // Every entry file's bytes, -1 until looked at: a listing takes names
    // only, and each call looks at a few more, so that a full history costs
    // no operation a long pause on a slow share.
    std::map<QString, qint64> sizes;
    std::vector<QString> unsized;
};
std::map<QString, Known>& known() {
    static std::map<QString, Known> k;
    return k;
}

// An account's user name, or its number where it has none.
QString nameOf(uid_t uid) {
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name &&
        *found->pw_name) {
        return QString::fromLocal8Bit(found->pw_name);
    }
    return QString::number(uid);
}

// A small regular file of the open folder, never through a link nor
// waiting on a pipe, with its owner.
bool readSmall(int folderFd, const QString& name, qint64 max, QByteArray* bytes, uid_t* owner) {
    const QByteArray native = QFile::encodeName(name);
    struct stat look {};
    if (::fstatat(folderFd, native.constData(), &look, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(look.st_mode) || look.st_size <= 0 || look.st_size > max) {
        return false;
    }
    const int fd =
        ::openat(folderFd, native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && st.st_dev == look.st_dev && st.st_ino == look.st_ino &&
              S_ISREG(st.st_mode) && st.st_size <= max;
    bytes->resize(ok ? static_cast<qsizetype>(st.st_size) + 1 : 0);
    qsizetype got = 0;
    while (ok && got < bytes->size()) {
        const ssize_t n = ::read(fd, bytes->data() + got, static_cast<size_t>(bytes->size() - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n >= 0;
        if (n <= 0) {
            break;
        }
        got += n;
    }
    ::close(fd);
    bytes->truncate(got);
    *owner = st.st_uid;
    return ok && got <= max;
}

qint64 idTime(const QString& name) {
    return name.left(15).toLongLong();
}

} // namespace

HistoryFolder::HistoryFolder(const QString& folder)
    : m_folder(folder),
      // Without the last separator, which would make the open follow a link.
      m_fd(::open(QFile::encodeName(folder.endsWith(QLatin1Char('/')) ? folder.chopped(1) : folder)
                      .constData(),
                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)) {}

HistoryFolder::~HistoryFolder() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

FileResult HistoryFolder::remove(const QString& name) const {
    if (m_fd < 0) {
        return FileResult::failure(QStringLiteral("delete"), m_folder + name, EBADF);
    }
    return FileLayer::removeAt(m_fd, name, m_folder + name);
}

History::Limits& History::limits() {
    static Limits l;
    return l;
}

std::function<qint64()>& History::clock() {
    static std::function<qint64()> c = [] { return QDateTime::currentMSecsSinceEpoch(); };
    return c;
}

bool& History::enabled() {
    static bool on = true;
    return on;
}

QString History::folderOf(const QString& storeFolder) {
    return storeFolder + QLatin1String(FolderName) + QLatin1Char('/');
}

History::History(const QString& storeFolder) : m_folder(folderOf(storeFolder)) {}

bool History::isId(const QString& id) {
    static const QRegularExpression pattern(QStringLiteral(R"(^\d{15}-[a-z0-9]{6}$)"));
    return pattern.match(id).hasMatch();
}

bool History::isEntryFileName(const QString& name) {
    return (name.endsWith(QLatin1String(".txt")) || name.endsWith(QLatin1String(".ent"))) &&
           isId(name.chopped(4));
}

QString History::account() {
    static const QString name = nameOf(::geteuid());
    return name;
}

QString History::whatName(What what) {
    return QString::fromLatin1(kWhat[static_cast<int>(what)]);
}

FileResult History::usable(bool create) const {
    const QByteArray path = QFile::encodeName(m_folder.chopped(1));
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        if (errno != ENOENT || !create) {
            return FileResult::failure(QStringLiteral("use the folder"), m_folder, errno);
        }
        // As open to others as the store folder it is in, so that every
        // account that can change the store can keep what it replaces.
        struct stat parent {};
        const QByteArray above =
            QFile::encodeName(m_folder.chopped(1).section(QLatin1Char('/'), 0, -2));
        if (::stat(above.constData(), &parent) != 0) {
            return FileResult::failure(QStringLiteral("make the folder"), m_folder, errno);
        }
        if (::mkdir(path.constData(), 0700) == 0) {
            ::chmod(path.constData(), parent.st_mode & 07777);
            // Made once: it lasts from now on, and later syncs of the store
            // folder have no new folder to carry along.
            FileLayer::syncFolder(m_folder);
            FileLayer::syncFolder(m_folder + QStringLiteral(".."));
        } else if (errno != EEXIST) {
            return FileResult::failure(QStringLiteral("make the folder"), m_folder, errno);
        }
        if (::lstat(path.constData(), &st) != 0) {
            return FileResult::failure(QStringLiteral("use the folder"), m_folder, errno);
        }
    }
    if (!S_ISDIR(st.st_mode)) {
        return FileResult::failure(QStringLiteral("use the folder"), m_folder,
                                   S_ISLNK(st.st_mode) ? ELOOP : ENOTDIR);
    }
    m_sticky = (st.st_mode & S_ISVTX) != 0;
    return FileResult::success();
}

FileResult History::ready() const {
    m_ready = false;
    if (const FileResult r = usable(true); !r) {
        return r;
    }
    if (::faccessat(AT_FDCWD, QFile::encodeName(m_folder).constData(), W_OK | X_OK, AT_EACCESS) !=
        0) {
        return FileResult::failure(QStringLiteral("keep earlier texts in"), m_folder, errno);
    }
    m_ready = true;
    return FileResult::success();
}

QList<History::Entry> History::entries() const {
    QList<Entry> out;
    const HistoryFolder folder(m_folder);
    if (!folder.isOpen()) {
        return out;
    }
    const qint64 maxText = limits().maxBytes;
    for (const Listed& l : listFolder(folder.fd())) {
        if (!l.name.endsWith(QLatin1String(".ent")) || !isEntryFileName(l.name)) {
            continue;
        }
        const QString id = l.name.chopped(4);
        const qint64 textSize = FileLayer::size(m_folder + id + QLatin1String(".txt"));
        if (textSize < 0 || textSize > maxText) {
            continue;
        }
        QByteArray bytes;
        uid_t owner = 0;
        Entry e;
        if (!readSmall(folder.fd(), l.name, kMaxEntryFile, &bytes, &owner) ||
            !parse(bytes, id, &e)) {
            continue;
        }
        // Who wrote the description is who owns it, not what it says: an
        // account cannot blame another. A file of this account or of root is
        // taken at its word: a share that shows every file as its mounting
        // account's (or root's) tells accounts apart by nothing else.
        if (owner != ::geteuid() && owner != 0) {
            e.account = nameOf(owner);
        }
        out.append(e);
    }
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.id > b.id; });
    return out;
}

ReadResult History::text(const Entry& e) const {
    ReadResult r;
    if (!isId(e.id)) {
        r.result = FileResult::failure(QStringLiteral("read"), m_folder + e.id, ENOENT);
        return r;
    }
    if (const FileResult f = usable(false); !f) {
        r.result = f;
        return r;
    }
    // Read through the folder opened without following a link, so that a
    // link swapped in for it meanwhile shows nothing from elsewhere.
    const QString name = e.id + QLatin1String(".txt");
    const HistoryFolder folder(m_folder);
    uid_t owner = 0;
    errno = 0;
    if (!folder.isOpen() || !readSmall(folder.fd(), name, limits().maxBytes, &r.data, &owner)) {
        const int err = errno != 0 ? errno : EINVAL;
        r.data.clear();
        r.result = FileResult::failure(QStringLiteral("read"), m_folder + name, err);
        return r;
    }
    r.exists = true;
    return r;
}

FileResult History::keep(const QString& noteFile, Entry meta) {
    return keep(noteFile, std::move(meta), nullptr);
}

FileResult History::keep(const QString& noteFile, Entry meta,
                         const std::function<FileResult(const QStringList& paths)>& beforeCreate,
                         QString* made, qint64 size) {
    if (made) {
        made->clear();
    }
    if (size < 0) {
        FileResult look;
        size = FileLayer::size(noteFile, &look);
        if (size < 0 && look) {
            // "Missing" is made sure of by a second look: a text taken for
            // gone would not be kept.
            size = FileLayer::size(noteFile, &look);
        }
        if (!look) {
            return look;
        }
    }
    if (size <= 0) {
        return FileResult::success(); // no text, nothing lost
    }
    if (!m_ready) {
        if (const FileResult r = usable(true); !r) {
            return r;
        }
    }
    // Its files are made in the folder just looked at, whatever is put in
    // its place meanwhile.
    const HistoryFolder folder(m_folder);
    if (!folder.isOpen()) {
        return FileResult::failure(QStringLiteral("use the folder"), m_folder, errno);
    }
    // Strictly later than this copy's last entry, so that one operation's
    // entries keep their order.
    static std::atomic<qint64> last{0};
    qint64 t = std::max(clock()(), last.load() + 1);
    last = t;
    meta.timeMs = t;
    meta.id = QStringLiteral("%1-%2").arg(t, 15, 10, QLatin1Char('0')).arg(randomTail());
    if (meta.account.isEmpty()) {
        meta.account = account();
    }
    const QString text = m_folder + meta.id + QLatin1String(".txt");
    const QString ent = m_folder + meta.id + QLatin1String(".ent");
    // Both names recorded at once: one line of the journal, not two. Undoing
    // a name never made removes nothing.
    if (beforeCreate) {
        if (const FileResult r = beforeCreate({text, ent}); !r) {
            return r;
        }
    }
    // A note in a sticky folder may be rewritten in place by another
    // account: a second name would follow that rewrite, a copy does not.
    // The note's own folder decides too (the history folder may have been
    // made before the store folder became sticky, or by another account); a
    // folder that cannot be looked at counts as sticky. Once `ready` has
    // said so, looked at once per object, as the history folder is.
    const QString noteFolder = noteFile.section(QLatin1Char('/'), 0, -2) + QLatin1Char('/');
    if (!m_ready || noteFolder != m_noteFolder) {
        struct stat st {};
        m_noteFolder = noteFolder;
        m_noteFolderSticky =
            ::stat(QFile::encodeName(noteFolder).constData(), &st) != 0 || (st.st_mode & S_ISVTX);
    }
    if (const FileResult r =
            FileLayer::keepCopyAt(noteFile, folder.fd(), meta.id + QLatin1String(".txt"), text,
                                  !m_sticky && !m_noteFolderSticky, !beforeCreate);
        !r) {
        return r;
    }
    // Made under a free name. Within an operation nothing here is synced
    // (see StoreJournal::commit): syncing would cost a save half as much
    // again. A power cut in the moments after a save may lose its entry or
    // leave its description empty (the entry is then skipped); the note
    // itself is as safe as ever.
    if (const FileResult r = FileLayer::writeNewAt(folder.fd(), meta.id + QLatin1String(".ent"),
                                                   ent, describe(meta), !beforeCreate);
        !r) {
        if (!beforeCreate) {
            folder.remove(meta.id + QLatin1String(".txt"));
        }
        return r;
    }
    if (made) {
        *made = meta.id;
    }
    auto k = known().find(m_folder);
    if (k != known().end()) {
        const qint64 bytes = size + describe(meta).size();
        k->second.entries[meta.id] = bytes;
        k->second.bytes += bytes;
        k->second.sizes[meta.id + QLatin1String(".txt")] = size;
        k->second.sizes[meta.id + QLatin1String(".ent")] = bytes - size;
    }
    return FileResult::success();
}

int History::prune(int atMost) {
    const auto now = std::chrono::steady_clock::now();
    const qint64 nowMs = clock()();
    auto it = known().find(m_folder);
    const bool relist = it == known().end() || now - it->second.listedAt > kRelist;
    // With nothing to list and nothing due, the folder is not even looked at.
    const Limits lim = limits();
    const auto due = [&](const Known& k) {
        return !k.entries.empty() &&
               (idTime(k.entries.begin()->first) < nowMs - lim.maxAgeMs || k.bytes > lim.maxBytes ||
                static_cast<qint64>(k.entries.size()) > lim.maxEntries);
    };
    // Sizes still to look up are work too: until they are known, the size
    // limit counts only those known.
    if (!relist && !due(it->second) && it->second.unsized.empty()) {
        return 0;
    }
    const HistoryFolder folder(m_folder);
    if (!folder.isOpen()) {
        return 0;
    }
    if (relist) {
        Known k;
        k.listedAt = now;
        std::map<QString, int> halves;
        for (const Listed& l : listFolder(folder.fd())) {
            if (l.name.startsWith(QLatin1Char('.'))) {
                // A temporary a killed copy left: old ones go.
                if (idTime(l.name.mid(1)) < nowMs - kOrphanMs) {
                    folder.remove(l.name);
                }
                continue;
            }
            // A file's size never changes: what an earlier listing saw stands.
            qint64 size = -1;
            if (it != known().end()) {
                size = it->second.sizes.count(l.name) ? it->second.sizes.at(l.name) : -1;
            }
            k.sizes[l.name] = size;
            if (size < 0) {
                k.unsized.push_back(l.name);
            }
            k.entries[l.name.chopped(4)] += std::max<qint64>(size, 0);
            k.bytes += std::max<qint64>(size, 0);
            ++halves[l.name.chopped(4)];
        }
        // A lone half of an entry, once old enough not to be one being made.
        for (const auto& [id, count] : halves) {
            if (count == 1 && idTime(id) < nowMs - kOrphanMs) {
                folder.remove(id + QLatin1String(".ent"));
                folder.remove(id + QLatin1String(".txt"));
                k.bytes -= k.entries[id];
                k.entries.erase(id);
                k.sizes.erase(id + QLatin1String(".ent"));
                k.sizes.erase(id + QLatin1String(".txt"));
            }
        }
        it = known().insert_or_assign(m_folder, std::move(k)).first;
    }
    Known& k = it->second;
    for (int looked = 0; looked < lim.sizesPerCall && !k.unsized.empty(); ++looked) {
        const QString name = k.unsized.back();
        k.unsized.pop_back();
        const auto s = k.sizes.find(name);
        if (s == k.sizes.end() || s->second >= 0) {
            continue; // gone meanwhile
        }
        struct stat st {};
        s->second = ::fstatat(folder.fd(), QFile::encodeName(name).constData(), &st,
                              AT_SYMLINK_NOFOLLOW) == 0 &&
                            S_ISREG(st.st_mode)
                        ? st.st_size
                        : 0;
        k.entries[name.chopped(4)] += s->second;
        k.bytes += s->second;
    }
    int removed = 0;
    while (removed < atMost && due(k)) {
        const auto oldest = k.entries.begin();
        // The description first: without it, what is left is no entry.
        folder.remove(oldest->first + QLatin1String(".ent"));
        folder.remove(oldest->first + QLatin1String(".txt"));
        k.bytes -= oldest->second;
        k.sizes.erase(oldest->first + QLatin1String(".ent"));
        k.sizes.erase(oldest->first + QLatin1String(".txt"));
        k.entries.erase(oldest);
        ++removed;
    }
    return removed;
}

#include "core/filelayer.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

QString FileResult::message() const {
    if (m_ok) {
        return {};
    }
    QString why;
    switch (m_error) {
    case ELOOP:
        why = QStringLiteral("it is a link, and the program never follows a link in its folders");
        break;
    case EISDIR:
        why = QStringLiteral("it is a folder, not a file");
        break;
    case EEXIST:
        why = QStringLiteral("a file of that name is already there, left by another copy or "
                             "another account");
        break;
    case NotAFile:
        why = QStringLiteral("it is not an ordinary file (a pipe, a device or a socket), so the "
                             "program leaves it alone");
        break;
    default:
        why = QString::fromLocal8Bit(std::strerror(m_error));
    }
    return QStringLiteral("Could not %1 the file \"%2\": %3.").arg(m_action, m_path, why);
}

namespace {

struct Faults {
    int countdown = 0; // fail when it reaches 0 from 1
    int nthError = 0;
    QString step;
    QString suffix;
    int stepError = 0;
    int stepTimes = 0;
    int passed = 0;
    int injected = 0;
    QString last;
    // Shared, not copied, when called: an observer keeps its own state (a
    // count of steps) across calls.
    std::shared_ptr<std::function<void(const char*, const QString&)>> observer;
};

Faults& faults() {
    static Faults f;
    return f;
}

// Files are written from more than one thread (the recovery file has one of
// its own), so the checkpoints' count is kept under a lock.
std::mutex& faultsLock() {
    static std::mutex m;
    return m;
}

// False, with errno set, where a test has armed a failure for this step.
bool checkpoint(const char* step, const QString& path) {
    std::unique_lock lock(faultsLock());
    Faults& f = faults();
    ++f.passed;
    if (f.observer) {
        // Outside the lock: an observer may wait, as a slow disk would.
        const auto observer = f.observer;
        lock.unlock();
        (*observer)(step, path);
        lock.lock();
    }
    if (f.countdown > 0 && --f.countdown == 0) {
        ++f.injected;
        f.last = QLatin1String(step) + QLatin1Char(' ') + path;
        errno = f.nthError;
        return false;
    }
    if (f.stepTimes > 0 && f.step == QLatin1String(step) && path.endsWith(f.suffix)) {
        --f.stepTimes;
        ++f.injected;
        f.last = QLatin1String(step) + QLatin1Char(' ') + path;
        errno = f.stepError;
        return false;
    }
    return true;
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

mode_t defaultMode() {
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

bool writeFully(int fd, const QByteArray& data, const QString& path) {
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        if (!checkpoint("write", path)) {
            return false;
        }
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Makes a rename or a new file last through a power cut. Some network file
// systems refuse to sync a folder at all; that is no failure.
bool syncFolderItself(const QString& folder) {
    if (!checkpoint("syncdir", folder)) {
        return false;
    }
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    ::close(fd);
    return ok;
}

bool syncFolderOf(const QString& path) {
    return syncFolderItself(QFileInfo(path).absolutePath());
}

// Why a name is refused, or 0 for a regular file.
int notRegular(const struct stat& st) {
    if (S_ISREG(st.st_mode)) {
        return 0;
    }
    if (S_ISLNK(st.st_mode)) {
        return ELOOP;
    }
    return S_ISDIR(st.st_mode) ? EISDIR : FileResult::NotAFile;
}

// Opens an existing file of the program's folders, where other accounts may
// have put anything: never through a link, never waiting on a pipe, and
// only a regular file. A look comes first, so that a device is not even
// opened (opening one alone can act). -1 with errno set otherwise.
int openRegular(const QString& path, int flags, struct stat* opened = nullptr) {
    const QByteArray name = native(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0) {
        return -1;
    }
    if (const int err = notRegular(st)) {
        errno = err;
        return -1;
    }
    const int fd = ::open(name.constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat now {};
    int err = ::fstat(fd, &now) != 0 ? errno : notRegular(now);
    if (err == 0 && (now.st_dev != st.st_dev || now.st_ino != st.st_ino)) {
        err = EAGAIN; // swapped between the look and the open
    }
    if (err != 0) {
        ::close(fd);
        errno = err;
        return -1;
    }
    if (opened) {
        *opened = now;
    }
    return fd;
}

int closeChecked(int fd, const QString& path) {
    const bool injected = !checkpoint("close", path);
    const int injectedErr = errno;
    const int rc = ::close(fd);
    if (injected) {
        return injectedErr;
    }
    return rc == 0 || errno == EINTR ? 0 : errno;
}

// A second name that this file system or folder does not allow (rather
// than a failure of the folder itself): a copy serves instead.
bool linkRefusedHere(int err) {
    return err == EPERM || err == ENOTSUP || err == EXDEV || err == EMLINK || err == ENOSYS;
}

// Writes all of `data` to the new file `fd`, syncs it if asked and closes
// it; the first error, or 0.
int writeAndClose(int fd, const QByteArray& data, const QString& path, bool sync) {
    int err = 0;
    if (!writeFully(fd, data, path) || (sync && (!checkpoint("sync", path) || ::fsync(fd) != 0))) {
        err = errno;
    }
    const int closeErr = closeChecked(fd, path);
    return err != 0 ? err : closeErr;
}

} // namespace

ReadResult FileLayer::readAll(const QString& path) {
    ReadResult r;
    struct stat st {};
    const int fd = checkpoint("open", path) ? openRegular(path, O_RDONLY, &st) : -1;
    if (fd < 0) {
        if (errno != ENOENT) {
            r.exists = true;
            r.result = FileResult::failure(QStringLiteral("read"), path, errno);
        }
        return r;
    }
    r.exists = true;
    r.data.reserve(static_cast<qsizetype>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = checkpoint("read", path) ? ::read(fd, buf, sizeof buf) : -1;
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            r.result = FileResult::failure(QStringLiteral("read"), path, errno);
            r.data.clear();
            break;
        }
        if (n == 0) {
            break;
        }
        r.data.append(buf, n);
    }
    ::close(fd);
    return r;
}

namespace {

// Gives the new content of `path` a name: over the old file, or (`replace`
// false) only where no name is yet, never through one that exists.
bool publish(const QByteArray& tmp, const QString& path, bool replace) {
    const QByteArray to = native(path);
    if (replace) {
        return ::rename(tmp.constData(), to.constData()) == 0;
    }
    if (::renameat2(AT_FDCWD, tmp.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return false;
    }
    // A file system without that kind of rename: a second name fails where one exists.
    if (::link(tmp.constData(), to.constData()) == 0) {
        ::unlink(tmp.constData());
        return true;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS) {
        return false;
    }
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(tmp.constData(), to.constData()) == 0;
}

FileResult writeWhole(const QString& path, const QByteArray& data, std::optional<mode_t> mode,
                      bool replace) {
    const auto fail = [&path](int err) {
        return FileResult::failure(QStringLiteral("save"), path, err);
    };
    // Nothing is saved over a link, a pipe, a device or a folder; a regular
    // file keeps its permissions, but never a set-id bit.
    mode_t wanted = mode.value_or(defaultMode());
    struct stat st {};
    if (::lstat(native(path).constData(), &st) == 0) {
        if (const int err = notRegular(st)) {
            return fail(err);
        }
        if (!replace) {
            return fail(EEXIST);
        }
        if (!mode) {
            wanted = st.st_mode & 0777;
        }
    }
    const QFileInfo info(path);
    QByteArray tmp = native(info.absolutePath() + QLatin1String("/.") + info.fileName() +
                            QLatin1String(".XXXXXX"));
    // A new name every time, made with O_CREAT|O_EXCL.
    const int fd = checkpoint("mktemp", path) ? ::mkostemp(tmp.data(), O_CLOEXEC) : -1;
    if (fd < 0) {
        return fail(errno);
    }
    int err = 0;
    if (!checkpoint("chmod", path) || ::fchmod(fd, wanted) != 0 || !writeFully(fd, data, path) ||
        !checkpoint("sync", path) || ::fsync(fd) != 0) {
        err = errno;
    }
    const int closeErr = closeChecked(fd, path);
    if (err == 0) {
        err = closeErr;
    }
    if (err == 0 && (!checkpoint("rename", path) || !publish(tmp, path, replace))) {
        err = errno;
    }
    if (err != 0) {
        ::unlink(tmp.constData());
        return fail(err);
    }
    // The new content is in place and every copy reads it from now on; a
    // folder that will not sync only weakens what a power cut in the next
    // moments could undo, so the save has succeeded.
    syncFolderOf(path);
    return FileResult::success();
}

} // namespace

FileResult FileLayer::writeAtomic(const QString& path, const QByteArray& data,
                                  std::optional<mode_t> mode) {
    return writeWhole(path, data, mode, true);
}

FileResult FileLayer::writeNew(const QString& path, const QByteArray& data) {
    return writeWhole(path, data, std::nullopt, false);
}

FileResult FileLayer::writeInPlace(const QString& path, const QByteArray& data) {
    const auto fail = [&path](int err) {
        return FileResult::failure(QStringLiteral("save"), path, err);
    };
    const int fd = checkpoint("open", path) ? openRegular(path, O_WRONLY) : -1;
    if (fd < 0) {
        return fail(errno);
    }
    int err = 0;
    if (!checkpoint("write", path) || ::ftruncate(fd, 0) != 0 || !writeFully(fd, data, path) ||
        !checkpoint("sync", path) || ::fsync(fd) != 0) {
        err = errno;
    }
    const int closeErr = closeChecked(fd, path);
    return err == 0 && closeErr == 0 ? FileResult::success() : fail(err ? err : closeErr);
}

FileResult FileLayer::copy(const QString& from, const QString& to) {
    const ReadResult src = readAll(from);
    if (!src.result) {
        return src.result;
    }
    if (!src.exists) {
        return FileResult::failure(QStringLiteral("copy"), from, ENOENT);
    }
    return writeNew(to, src.data);
}

FileResult FileLayer::keepCopy(const QString& from, const QString& to, bool sync) {
    const auto fail = [&from](int err) {
        return FileResult::failure(QStringLiteral("keep a copy of"), from, err);
    };
    struct stat st {};
    if (::lstat(native(from).constData(), &st) != 0) {
        return fail(errno);
    }
    if (const int err = notRegular(st)) {
        return fail(err);
    }
    // Only this account's own file gets a second name: one to another
    // account's file could never be removed from a sticky folder, and that
    // file may be rewritten in place, which would change the copy too.
    if (st.st_uid == ::geteuid()) {
        if (checkpoint("link", to) &&
            ::link(native(from).constData(), native(to).constData()) == 0) {
            if (sync) {
                syncFolderOf(to);
            }
            return FileResult::success();
        }
        if (!linkRefusedHere(errno)) {
            return fail(errno);
        }
    }
    return copy(from, to);
}

FileResult FileLayer::keepCopyAt(const QString& from, int folderFd, const QString& name,
                                 const QString& path, bool mayLink, bool sync) {
    struct stat st {};
    if (::lstat(native(from).constData(), &st) != 0) {
        return FileResult::failure(QStringLiteral("keep a copy of"), from, errno);
    }
    if (const int err = notRegular(st)) {
        return FileResult::failure(QStringLiteral("keep a copy of"), from, err);
    }
    // Only this account's own file gets a second name, as in keepCopy.
    if (mayLink && st.st_uid == ::geteuid()) {
        if (checkpoint("link", path) && ::linkat(AT_FDCWD, native(from).constData(), folderFd,
                                                 native(name).constData(), 0) == 0) {
            if (sync) {
                ::fsync(folderFd);
            }
            return FileResult::success();
        }
        if (!linkRefusedHere(errno)) {
            return FileResult::failure(QStringLiteral("keep a copy of"), from, errno);
        }
    }
    const ReadResult src = readAll(from);
    if (!src.result) {
        return src.result;
    }
    if (!src.exists) {
        return FileResult::failure(QStringLiteral("copy"), from, ENOENT);
    }
    return writeNewAt(folderFd, name, path, src.data, sync);
}

FileResult FileLayer::writeNewAt(int folderFd, const QString& name, const QString& path,
                                 const QByteArray& data, bool sync) {
    const int fd =
        checkpoint("open", path)
            ? ::openat(folderFd, native(name).constData(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, defaultMode())
            : -1;
    if (fd < 0) {
        return FileResult::failure(QStringLiteral("write to"), path, errno);
    }
    const int err = writeAndClose(fd, data, path, sync);
    if (err != 0) {
        ::unlinkat(folderFd, native(name).constData(), 0);
        return FileResult::failure(QStringLiteral("write to"), path, err);
    }
    if (sync) {
        ::fsync(folderFd);
    }
    return FileResult::success();
}

FileResult FileLayer::append(const QString& path, const QByteArray& data, bool sync, bool create) {
    const auto fail = [&path](int err) {
        return FileResult::failure(QStringLiteral("write to"), path, err);
    };
    const int fd =
        !checkpoint("open", path) ? -1
        : create
            ? ::open(native(path).constData(),
                     O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, defaultMode())
            : openRegular(path, O_WRONLY | O_APPEND);
    if (fd < 0) {
        return fail(errno);
    }
    // Closing hands the bytes to a network file system's server.
    const int err = writeAndClose(fd, data, path, sync);
    if (err != 0) {
        if (create) {
            // Made by this call under a name that was free: a journal whose
            // first line is not there would stop every later change.
            ::unlink(native(path).constData());
        }
        return fail(err);
    }
    if (create && sync) {
        syncFolderOf(path);
    }
    return FileResult::success();
}

void FileLayer::syncFolder(const QString& folder) {
    // The folder itself, not the one it is in.
    syncFolderItself(QFileInfo(folder + QStringLiteral("/.")).absoluteFilePath());
}

FileResult FileLayer::rename(const QString& from, const QString& to, bool sync) {
    if (!checkpoint("rename", from) ||
        ::rename(native(from).constData(), native(to).constData()) != 0) {
        return FileResult::failure(QStringLiteral("move"), from, errno);
    }
    if (sync) {
        syncFolderOf(to);
    }
    return FileResult::success();
}

FileResult FileLayer::remove(const QString& path) {
    if (!checkpoint("unlink", path) ||
        (::unlink(native(path).constData()) != 0 && errno != ENOENT)) {
        return FileResult::failure(QStringLiteral("delete"), path, errno);
    }
    return FileResult::success();
}

FileResult FileLayer::removeAt(int folderFd, const QString& name, const QString& path) {
    if (!checkpoint("unlink", path) ||
        (::unlinkat(folderFd, native(name).constData(), 0) != 0 && errno != ENOENT)) {
        return FileResult::failure(QStringLiteral("delete"), path, errno);
    }
    return FileResult::success();
}

qint64 FileLayer::size(const QString& path, FileResult* result) {
    return size(path, result, nullptr);
}

qint64 FileLayer::size(const QString& path, FileResult* result, QByteArray* stamp) {
    struct stat st {};
    if (stamp) {
        stamp->clear();
    }
    if (!checkpoint("stat", path) || ::lstat(native(path).constData(), &st) != 0 ||
        (errno = notRegular(st)) != 0) {
        if (result) {
            *result = errno == ENOENT ? FileResult::success()
                                      : FileResult::failure(QStringLiteral("read"), path, errno);
        }
        return -1;
    }
    if (result) {
        *result = FileResult::success();
    }
    if (stamp) {
        const qint64 fields[] = {
            static_cast<qint64>(st.st_dev),          static_cast<qint64>(st.st_ino),
            static_cast<qint64>(st.st_size),         static_cast<qint64>(st.st_mtim.tv_sec),
            static_cast<qint64>(st.st_mtim.tv_nsec), static_cast<qint64>(st.st_ctim.tv_sec),
            static_cast<qint64>(st.st_ctim.tv_nsec)};
        *stamp = QByteArray(reinterpret_cast<const char*>(fields), sizeof fields);
    }
    return st.st_size;
}

bool FileLayer::isFolder(const QString& path) {
    struct stat st {};
    return ::stat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileLayer::keptBySticky(const QString& path) {
    struct stat file {};
    struct stat folder {};
    return ::lstat(native(path).constData(), &file) == 0 &&
           ::stat(native(QFileInfo(path).absolutePath()).constData(), &folder) == 0 &&
           (folder.st_mode & S_ISVTX) != 0 && file.st_uid != ::geteuid() &&
           folder.st_uid != ::geteuid();
}

bool FileLayer::isLeftoverName(const QString& name) {
    // Temporaries of the program's own files, and backups of finished
    // operations (".quillo-undo.XXXXXX").
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\.((group\.dir|items\d{1,2}\.dir|quil\d{1,2}\.\d{1,2}|trans\.dir|trans\.\d{1,2}|quillo\.ini|quillo\.rcv)|quillo-undo)\.[A-Za-z0-9]{6}$)"));
    return pattern.match(name).hasMatch();
}

int FileLayer::removeLeftovers(const QString& folder) {
    DIR* d = ::opendir(native(folder).constData());
    if (!d) {
        return 0;
    }
    int removed = 0;
    while (const dirent* e = ::readdir(d)) {
        // Temporaries are hidden; everything else is passed over cheaply.
        if (e->d_name[0] != '.') {
            continue;
        }
        const QString name = QFile::decodeName(e->d_name);
        if (isLeftoverName(name) && remove(folder + name)) {
            ++removed;
        }
    }
    ::closedir(d);
    return removed;
}

void FileFaults::failNth(int n, int error) {
    const std::lock_guard lock(faultsLock());
    faults().countdown = n;
    faults().nthError = error;
}

void FileFaults::failStep(const QString& step, const QString& suffix, int error, int times) {
    const std::lock_guard lock(faultsLock());
    Faults& f = faults();
    f.step = step;
    f.suffix = suffix;
    f.stepError = error;
    f.stepTimes = times;
}

void FileFaults::setObserver(std::function<void(const char*, const QString&)> observer) {
    const std::lock_guard lock(faultsLock());
    faults().observer = observer
                            ? std::make_shared<std::function<void(const char*, const QString&)>>(
                                  std::move(observer))
                            : nullptr;
}

void FileFaults::reset() {
    const std::lock_guard lock(faultsLock());
    Faults& f = faults();
    f = Faults{};
}

int FileFaults::passed() {
    const std::lock_guard lock(faultsLock());
    return faults().passed;
}

int FileFaults::injected() {
    const std::lock_guard lock(faultsLock());
    return faults().injected;
}

QString FileFaults::lastInjected() {
    const std::lock_guard lock(faultsLock());
    return faults().last;
}

QString FileLayer::randomLetters(QLatin1String letters) {
    QString s;
    for (int k = 0; k < 6; ++k) {
        s.append(letters.at(QRandomGenerator::global()->bounded(int(letters.size()))));
    }
    return s;
}

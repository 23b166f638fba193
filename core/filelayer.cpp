#include "core/filelayer.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

QString FileResult::message() const {
    if (m_ok) {
        return {};
    }
    return QStringLiteral("Could not %1 the file \"%2\": %3.")
        .arg(m_action, m_path, QString::fromLocal8Bit(std::strerror(m_error)));
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
    std::function<void(const char*, const QString&)> observer;
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
        observer(step, path);
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
bool syncFolderOf(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
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

int closeChecked(int fd, const QString& path) {
    const bool injected = !checkpoint("close", path);
    const int injectedErr = errno;
    const int rc = ::close(fd);
    if (injected) {
        return injectedErr;
    }
    return rc == 0 || errno == EINTR ? 0 : errno;
}

} // namespace

ReadResult FileLayer::readAll(const QString& path) {
    ReadResult r;
    const int fd =
        checkpoint("open", path) ? ::open(native(path).constData(), O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0) {
        if (errno != ENOENT) {
            r.result = FileResult::failure(QStringLiteral("read"), path, errno);
        }
        return r;
    }
    r.exists = true;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        r.result = FileResult::failure(QStringLiteral("read"), path, EISDIR);
        return r;
    }
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

FileResult FileLayer::writeAtomic(const QString& path, const QByteArray& data,
                                  std::optional<mode_t> mode) {
    const auto fail = [&path](int err) {
        return FileResult::failure(QStringLiteral("save"), path, err);
    };
    const QFileInfo info(path);
    QByteArray tmp = native(info.absolutePath() + QLatin1String("/.") + info.fileName() +
                            QLatin1String(".XXXXXX"));
    const int fd = checkpoint("mktemp", path) ? ::mkstemp(tmp.data()) : -1;
    if (fd < 0) {
        return fail(errno);
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    mode_t wanted = mode.value_or(defaultMode());
    struct stat st {};
    if (!mode && ::stat(native(path).constData(), &st) == 0) {
        wanted = st.st_mode & 07777;
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
    if (err == 0 &&
        (!checkpoint("rename", path) || ::rename(tmp.constData(), native(path).constData()) != 0)) {
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

FileResult FileLayer::copy(const QString& from, const QString& to) {
    const ReadResult src = readAll(from);
    if (!src.result) {
        return src.result;
    }
    if (!src.exists) {
        return FileResult::failure(QStringLiteral("copy"), from, ENOENT);
    }
    return writeAtomic(to, src.data);
}

FileResult FileLayer::keepCopy(const QString& from, const QString& to) {
    if (checkpoint("link", to) && ::link(native(from).constData(), native(to).constData()) == 0) {
        syncFolderOf(to);
        return FileResult::success();
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EXDEV && errno != EMLINK &&
        errno != ENOSYS) {
        return FileResult::failure(QStringLiteral("keep a copy of"), from, errno);
    }
    return copy(from, to);
}

FileResult FileLayer::append(const QString& path, const QByteArray& data, bool sync) {
    const auto fail = [&path](int err) {
        return FileResult::failure(QStringLiteral("write to"), path, err);
    };
    const bool isNew = ::access(native(path).constData(), F_OK) != 0;
    const int fd = checkpoint("open", path)
                       ? ::open(native(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                                defaultMode())
                       : -1;
    if (fd < 0) {
        return fail(errno);
    }
    int err = 0;
    if (!writeFully(fd, data, path) || (sync && (!checkpoint("sync", path) || ::fsync(fd) != 0))) {
        err = errno;
    }
    // Closing hands the bytes to a network file system's server.
    const int closeErr = closeChecked(fd, path);
    if (err == 0) {
        err = closeErr;
    }
    if (err != 0) {
        return fail(err);
    }
    if (isNew && sync) {
        syncFolderOf(path);
    }
    return FileResult::success();
}

void FileLayer::syncFolder(const QString& folder) {
    syncFolderOf(folder + QStringLiteral("/."));
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

qint64 FileLayer::size(const QString& path, FileResult* result) {
    struct stat st {};
    if (!checkpoint("stat", path) || ::stat(native(path).constData(), &st) != 0) {
        if (result) {
            *result = errno == ENOENT ? FileResult::success()
                                      : FileResult::failure(QStringLiteral("read"), path, errno);
        }
        return -1;
    }
    if (result) {
        *result = FileResult::success();
    }
    return st.st_size;
}

bool FileLayer::isFolder(const QString& path) {
    struct stat st {};
    return ::stat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileLayer::isLeftoverName(const QString& name) {
    // Temporaries of the program's own files, and backups of finished
    // operations (".quillo-undo.XXXXXX").
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\.((group\.dir|items\d{1,2}\.dir|quil\d{1,2}\.\d{1,2}|trans\.dir|trans\.\d{1,2}|quillo\.ini)|quillo-undo)\.[A-Za-z0-9]{6}$)"));
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
    faults().observer = std::move(observer);
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

#include "store/filelayer.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

bool writeFully(int fd, const QByteArray& data, qint64 offset) {
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, p, static_cast<size_t>(left))
                                     : ::pwrite(fd, p, static_cast<size_t>(left), offset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= n;
        if (offset >= 0) {
            offset += n;
        }
    }
    return true;
}

// Some network file systems refuse to sync a folder; the rename is done by then.
bool syncFolderOf(const QString& path) {
    const QByteArray dir = native(QFileInfo(path).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

int closeChecked(int fd) {
    const int rc = ::close(fd);
    return rc == 0 || errno == EINTR ? 0 : errno;
}

} // namespace

ReadResult FileLayer::readAll(const QString& path) {
    ReadResult r;
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
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
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
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
    const int fd = ::mkstemp(tmp.data());
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
    if (::fchmod(fd, wanted) != 0 || !writeFully(fd, data, -1) || ::fsync(fd) != 0) {
        err = errno;
    }
    const int closeErr = closeChecked(fd);
    if (err == 0) {
        err = closeErr;
    }
    if (err == 0 && ::rename(tmp.constData(), native(path).constData()) != 0) {
        err = errno;
    }
    if (err != 0) {
        ::unlink(tmp.constData());
        return fail(err);
    }
    if (!syncFolderOf(path)) {
        return fail(errno);
    }
    return FileResult::success();
}

FileResult FileLayer::writeAt(const QString& path, qint64 offset, const QByteArray& data) {
    const int fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, defaultMode());
    if (fd < 0) {
        return FileResult::failure(QStringLiteral("write to"), path, errno);
    }
    int err = 0;
    if (!writeFully(fd, data, offset) || ::fsync(fd) != 0) {
        err = errno;
    }
    const int closeErr = closeChecked(fd);
    if (err == 0) {
        err = closeErr;
    }
    return err == 0 ? FileResult::success()
                    : FileResult::failure(QStringLiteral("write to"), path, err);
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

FileResult FileLayer::rename(const QString& from, const QString& to) {
    if (::rename(native(from).constData(), native(to).constData()) != 0) {
        return FileResult::failure(QStringLiteral("rename"), from, errno);
    }
    if (!syncFolderOf(to)) {
        return FileResult::failure(QStringLiteral("rename"), from, errno);
    }
    return FileResult::success();
}

FileResult FileLayer::remove(const QString& path) {
    if (::unlink(native(path).constData()) != 0 && errno != ENOENT) {
        return FileResult::failure(QStringLiteral("delete"), path, errno);
    }
    return FileResult::success();
}

qint64 FileLayer::size(const QString& path, FileResult* result) {
    struct stat st {};
    if (::stat(native(path).constData(), &st) != 0) {
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

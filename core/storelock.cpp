#include "core/storelock.h"

#include "core/fileresult.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

StoreLock::~StoreLock() {
    release();
}

StoreLock::Outcome StoreLock::attempt(const QString& lockFilePath, int* error) {
    const auto refused = [error](int err) {
        if (error) {
            *error = err;
        }
        return Outcome::Refused;
    };
    if (m_fd >= 0) {
        // A second open by the holder is refused like any other.
        if (error) {
            *error = EAGAIN;
        }
        return Outcome::Busy;
    }
    const QByteArray path = QFile::encodeName(lockFilePath);
    // Never through a link, never waiting on a pipe, never a device: any
    // account sharing the folder may have put something under this name.
    const int flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(path.constData(), flags | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
        // The umask must not shut other accounts out of the shared folder.
        ::fchmod(fd, 0666);
    } else if (errno == EEXIST) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0) {
            return refused(errno);
        }
        if (!S_ISREG(st.st_mode)) {
            return refused(S_ISLNK(st.st_mode) ? ELOOP : FileResult::NotAFile);
        }
        fd = ::open(path.constData(), flags);
    }
    if (fd < 0) {
        return refused(errno);
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return refused(FileResult::NotAFile);
    }
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0; // the whole file
    fl.l_pid = 0;
    if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EAGAIN || err == EACCES) {
            if (error) {
                *error = err;
            }
            return Outcome::Busy;
        }
        return refused(err);
    }
    m_fd = fd;
    return Outcome::Held;
}

void StoreLock::release() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

QString StoreLock::reason(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("You are not allowed to use the lock file in the network folder.");
    case EROFS:
        return QStringLiteral("The network folder is read-only.");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("The network folder cannot be found.");
    case ENOLCK:
    case EOPNOTSUPP:
    case EINVAL:
        return QStringLiteral("The network folder does not support locking.");
    case ELOOP:
    case EISDIR:
    case FileResult::NotAFile:
        return QStringLiteral("The lock file \"quillo.loc\" in the network folder is not an "
                              "ordinary file (it is a link, a pipe, a device or a folder), so "
                              "the program does not use it. Whoever put it there must remove it.");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("The network folder's disk is full.");
    default:
        return QStringLiteral("The lock file cannot be opened: %1.")
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

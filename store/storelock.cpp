#include "store/storelock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

StoreLock::~StoreLock() {
    release();
}

bool StoreLock::tryAcquire(const QString& lockFilePath, int* error) {
    if (m_fd >= 0) {
        // A second open by the holder is refused like any other.
        if (error) {
            *error = EAGAIN;
        }
        return false;
    }
    const int fd =
        ::open(QFile::encodeName(lockFilePath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error) {
            *error = errno;
        }
        return false;
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
        if (error) {
            *error = err;
        }
        return false;
    }
    m_fd = fd;
    return true;
}

void StoreLock::release() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

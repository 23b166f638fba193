#pragma once

#include <QString>

// The shared-access lock on "quillo.loc" in the network folder.
//
// Holding the lock means holding one open handle on the file with a
// whole-file write lock of the open file description kind (F_OFD_SETLK,
// l_pid 0). Such a lock conflicts with every other open of the file, in
// other processes and in this one alike; it goes away when the handle is
// closed or the process dies, and the kernel passes it on to NFS and SMB
// servers as a byte-range lock. The file's content is never read or written
// and the file is never deleted; whether it exists says nothing. A new lock
// file is made readable and writable by everyone (0666, whatever the umask),
// so several user accounts can share one folder.
class StoreLock final {
public:
    enum class Outcome {
        Held,   // this handle holds the lock now
        Busy,   // another handle holds it
        Refused // the file cannot be used at all; `error` says why
    };

    StoreLock() = default;
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // One attempt, never blocking. A second attempt by the holder is Busy.
    Outcome attempt(const QString& lockFilePath, int* error = nullptr);
    bool tryAcquire(const QString& lockFilePath, int* error = nullptr) {
        return attempt(lockFilePath, error) == Outcome::Held;
    }
    // Closing the handle gives the lock back.
    void release();
    bool isHeld() const { return m_fd >= 0; }

    // Why a lock file cannot be used, in plain words, for the error of a Refused attempt.
    static QString reason(int error);

private:
    int m_fd = -1;
};

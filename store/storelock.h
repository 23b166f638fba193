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
// and the file is never deleted; whether it exists says nothing.
class StoreLock final {
public:
    StoreLock() = default;
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // One attempt, never blocking. False when another handle holds the lock
    // or the file cannot be opened (folder unreachable, access denied);
    // `error` then holds the system's error number.
    bool tryAcquire(const QString& lockFilePath, int* error = nullptr);
    // Closing the handle gives the lock back.
    void release();
    bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

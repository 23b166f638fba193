#pragma once

#include <QProcess>
#include <QString>

// What another process finds when it tries the lock once now:
// "held" (it could take it), "busy" or "refused".
QByteArray tryLockElsewhere(const QString& lockPath);

// Another copy holding the store's lock, in a process of its own.
class Holder final {
public:
    explicit Holder(const QString& lockPath);
    ~Holder();
    // Blocks until the other process holds the lock.
    bool waitUntilHeld();
    void letGo();
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
};

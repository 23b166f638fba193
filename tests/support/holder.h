#pragma once

#include <QProcess>
#include <QString>

// Another copy holding the store's lock, in a process of its own.
class Holder final {
public:
    explicit Holder(const QString& lockPath);
    ~Holder();
    // Blocks until the other process holds the lock.
    bool waitUntilHeld();
    void letGo();
    void kill();
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
};

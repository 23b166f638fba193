#pragma once

#include "mainwindowfixture.h"

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

// The program in network mode on the folder "net" of its test folder.
class NetworkFixture : public MainWindowFixture {
protected:
    void SetUp() override;
    QByteArray shared(const QString& name) const;
    void share(const QString& name, const QByteArray& bytes) const;
    // The mode the settings file holds.
    qint16 storedMode() const;
    QString net;
    QString lock;
};

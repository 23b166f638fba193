#include "app/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kTimeoutMs = 1000;
const QByteArray kShow = QByteArrayLiteral("show\n");
} // namespace

namespace {

// A folder of this account's own that no other account can enter or change.
bool isPrivateFolder(const QString& folder) {
    struct stat st {};
    return ::lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
}

QString SingleInstance::folder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime)) {
        return QDir::cleanPath(runtime);
    }
    // Made here, owner-only; one another account made first is not used.
    const QString own = QDir::cleanPath(QDir::tempPath() + QStringLiteral("/quillo-pad-%1").arg(::getuid()));
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateFolder(own) ? own : QString();
}

QString SingleInstance::serverName() {
    const QString f = folder();
    return f.isEmpty() ? QString() : f + QStringLiteral("/quillo-pad");
}

bool SingleInstance::handOverToRunningCopy() {
    const QString name = serverName();
    if (name.isEmpty()) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kTimeoutMs)) {
        return false;
    }
    socket.write(kShow);
    socket.waitForBytesWritten(kTimeoutMs);
    // Wait for the first copy to take the request before ending.
    socket.waitForReadyRead(kTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

SingleInstance::Claim SingleInstance::claim() {
    // Bounded: a copy that holds the name but never answers is given a few
    // seconds, after which this one does not run beside it either.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (handOverToRunningCopy()) {
            return Claim::HandedOver;
        }
        if (beforeListen) {
            beforeListen();
        }
        if (listen()) {
            return Claim::First;
        }
        if (!m_busy) {
            // Listening is impossible here for another reason; run unguarded
            // rather than not at all.
            return Claim::First;
        }
        QThread::msleep(50);
    }
    return Claim::HandedOver;
}

bool SingleInstance::listen() {
    m_busy = false;
    const QString name = serverName();
    if (name.isEmpty()) {
        return false;
    }
    if (m_lockFd < 0) {
        const int fd = ::open(QFile::encodeName(name + QStringLiteral(".lock")).constData(),
                              O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0) {
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            m_busy = errno == EWOULDBLOCK;
            ::close(fd);
            return false;
        }
        m_lockFd = fd;
    }
    // Holding the lock, a socket still there is one a killed copy left.
    QLocalServer::removeServer(name);
    delete m_server;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains('\n')) {
                    peer->write("ok\n");
                    peer->flush();
                    emit showRequested();
                }
            });
        }
    });
    return true;
}

#include "app/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr int kTimeoutMs = 1000;
constexpr char kShow[] = "show\n";
constexpr char kOk[] = "ok\n";
// What a peer may send before its line ends: more is not a request.
constexpr qsizetype kMaxRequest = 64;
} // namespace

namespace {

// A folder of this account's own that no other account can enter or change.
bool isPrivateFolder(const QString& folder) {
    struct stat st {};
    return ::lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

// The address of the socket file `path`; false when the path is too long.
bool addressOf(const QString& path, sockaddr_un& address) {
    const QByteArray bytes = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || size_t(bytes.size()) >= sizeof(address.sun_path)) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), address.sun_path);
    return true;
}

// Waits up to kTimeoutMs for `events` on `fd`.
bool waitFor(int fd, short events) {
    pollfd p{fd, events, 0};
    int n = 0;
    do {
        n = ::poll(&p, 1, kTimeoutMs);
    } while (n < 0 && errno == EINTR);
    return n > 0 && (p.revents & events) != 0;
}

// Sends all of `data` on the non-blocking socket `fd`, waiting as needed.
bool sendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            size -= size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT)) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
    // The socket file goes while the lock still says it is this copy's.
    closeServer();
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
}

QString SingleInstance::folder() {
    // The socket's whole path must fit in an address: a folder too deep for
    // that is passed over, or every copy would run unguarded.
    const auto fits = [](const QString& folder) {
        sockaddr_un address{};
        return addressOf(folder + QStringLiteral("/quillo-pad"), address);
    };
    const QString runtime = QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime) && fits(runtime)) {
        return runtime;
    }
    // Made here, owner-only; one another account made first is not used.
    const QString name = QStringLiteral("/quillo-pad-%1").arg(::getuid());
    QString own = QDir::cleanPath(QDir::tempPath() + name);
    if (!fits(own)) {
        own = QStringLiteral("/tmp") + name;
    }
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateFolder(own) ? own : QString();
}

QString SingleInstance::serverName() {
    const QString f = folder();
    return f.isEmpty() ? QString() : f + QStringLiteral("/quillo-pad");
}

bool SingleInstance::handOverToRunningCopy() {
    sockaddr_un address{};
    if (!addressOf(serverName(), address)) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (!connected && (errno == EAGAIN || errno == EINPROGRESS) && waitFor(fd, POLLOUT)) {
        int error = 0;
        socklen_t length = sizeof error;
        connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    if (connected && sendAll(fd, kShow, sizeof kShow - 1)) {
        // Wait for the first copy to take the request before ending.
        if (waitFor(fd, POLLIN)) {
            char reply[8];
            (void)!::recv(fd, reply, sizeof reply, 0);
        }
    }
    ::close(fd);
    return connected;
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
    sockaddr_un address{};
    if (!addressOf(name, address)) {
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
    closeServer();
    // Holding the lock, a socket still there is one a killed copy left.
    ::unlink(address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, S_IRWXU) != 0 || ::listen(fd, 32) != 0) {
        ::close(fd);
        return false;
    }
    m_serverPath = name;
    m_server = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_server, &QSocketNotifier::activated, this, &SingleInstance::acceptPeers);
    return true;
}

void SingleInstance::closeServer() {
    if (!m_server) {
        return;
    }
    const int fd = int(m_server->socket());
    delete m_server;
    m_server = nullptr;
    ::close(fd);
    ::unlink(QFile::encodeName(m_serverPath).constData());
    m_serverPath.clear();
}

void SingleInstance::acceptPeers() {
    for (;;) {
        const int fd =
            ::accept4(int(m_server->socket()), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        auto* peer = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        // Closed with its notifier, so that no new peer takes its number
        // while the notifier is still watching it.
        connect(peer, &QObject::destroyed, [fd] { ::close(fd); });
        connect(peer, &QSocketNotifier::activated, this, [this, peer] { readPeer(peer); });
    }
}

void SingleInstance::readPeer(QSocketNotifier* peer) {
    const int fd = int(peer->socket());
    QByteArray& line = m_requests[fd];
    char buffer[kMaxRequest];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
        return;
    }
    if (n > 0) {
        line.append(buffer, n);
    }
    const bool request = line.contains('\n');
    if (request) {
        sendAll(fd, kOk, sizeof kOk - 1);
    }
    if (n <= 0 || request || line.size() > kMaxRequest) {
        // Done with this peer: it has asked, gone, or sent no request.
        m_requests.remove(fd);
        peer->setEnabled(false);
        peer->deleteLater();
    }
    if (request) {
        emit showRequested();
    }
}

#include "app/singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

namespace {
constexpr int kTimeoutMs = 1000;
const QByteArray kShow = QByteArrayLiteral("show\n");
} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

QString SingleInstance::serverName() {
    return QStringLiteral("quillo-pad-%1").arg(::getuid());
}

bool SingleInstance::handOverToRunningCopy() {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(serverName());
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
        if (m_server->serverError() != QAbstractSocket::AddressInUseError) {
            // Listening is impossible here for another reason; run unguarded
            // rather than not at all.
            return Claim::First;
        }
        delete m_server;
        m_server = nullptr;
        QThread::msleep(50);
    }
    return Claim::HandedOver;
}

bool SingleInstance::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!m_server->listen(serverName())) {
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

#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

// Only one copy runs per user on this machine. The first copy listens on a
// local socket in a folder only this account can enter: $XDG_RUNTIME_DIR
// when it is the user's own and private, else a private folder of the
// user's own in the temporary folder. Another account can neither take the
// name first nor learn that a copy started. The first copy also holds a
// lock on a file beside the socket for as long as it runs, so a copy that
// was killed leaves nothing that could stop the next start. A second copy
// connects, asks the first to restore and raise its window, and ends
// without touching any file.
//
// The socket is a plain local socket watched by the event loop: the
// program's only one, and checked before the window, so no network library
// is loaded for it.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;
    // The private folder (no separator at the end), or empty where none can
    // be had: the program then runs unguarded rather than not at all.
    static QString folder();
    static QString serverName();
    enum class Claim { First, HandedOver };
    // Either this is the first copy (it now listens for later ones) or a
    // running copy was asked to show itself. Two copies started at the same
    // moment both find nobody listening; only one gets the lock, and the
    // other goes back and hands over, so exactly one runs.
    Claim claim();
    // True when another copy answered and was asked to show itself.
    bool handOverToRunningCopy();
    // Takes the lock and starts listening for later copies; false if
    // another copy holds the lock, or listening is impossible.
    bool listen();
    // Tests run this between the look for a running copy and the listen.
    std::function<void()> beforeListen;

signals:
    void showRequested();

private:
    void acceptPeers();
    void readPeer(QSocketNotifier* peer);
    void closeServer();

    QSocketNotifier* m_server = nullptr;
    QString m_serverPath; // the socket file while listening
    QHash<int, QByteArray> m_requests; // what each peer has sent so far
    int m_lockFd = -1;
    bool m_busy = false; // the last listen found the lock held by another copy
};

#pragma once

#include <QObject>

#include <functional>

class QLocalServer;

// Only one copy runs per user on this machine. The first copy listens on a
// local socket in the abstract namespace, named after the user id, so a copy
// that was killed leaves nothing on disk that could stop the next start.
// A second copy connects, asks the first to restore and raise its window,
// and ends without touching any file.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    static QString serverName();
    enum class Claim { First, HandedOver };
    // Either this is the first copy (it now listens for later ones) or a
    // running copy was asked to show itself. Two copies started at the same
    // moment both find nobody listening, and one of them then fails to
    // listen: that one goes back and hands over, so exactly one runs.
    Claim claim();
    // True when another copy answered and was asked to show itself.
    bool handOverToRunningCopy();
    // Starts listening for later copies; false if that is impossible.
    bool listen();
    // Tests run this between the look for a running copy and the listen.
    std::function<void()> beforeListen;

signals:
    void showRequested();

private:
    QLocalServer* m_server = nullptr;
};

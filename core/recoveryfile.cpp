#include "core/recoveryfile.h"

#include "core/filelayer.h"

#include <QList>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

QByteArray RecoveryNote::encode() const {
    const QByteArray was = base.toUtf8();
    return QByteArrayLiteral("QRCV1\n") + storeFolder.toUtf8() + '\n' + QByteArray::number(group) +
           ' ' + QByteArray::number(item) + ' ' + QByteArray::number(wordWrap) + ' ' +
           QByteArray::number(was.size()) + '\n' + was + text.toUtf8();
}

std::optional<RecoveryNote> RecoveryNote::decode(const QByteArray& bytes) {
    const qsizetype first = bytes.indexOf('\n');
    const qsizetype second = first < 0 ? -1 : bytes.indexOf('\n', first + 1);
    const qsizetype third = second < 0 ? -1 : bytes.indexOf('\n', second + 1);
    if (third < 0 || bytes.left(first) != "QRCV1") {
        return std::nullopt;
    }
    const QList<QByteArray> numbers = bytes.mid(second + 1, third - second - 1).split(' ');
    if (numbers.size() != 4) {
        return std::nullopt;
    }
    RecoveryNote r;
    bool ok[4] = {false, false, false, false};
    r.group = numbers[0].toInt(&ok[0]);
    r.item = numbers[1].toInt(&ok[1]);
    r.wordWrap = static_cast<qint16>(numbers[2].toShort(&ok[2]));
    const qsizetype baseBytes = numbers[3].toLongLong(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || r.group < 0 || r.group > 30 || r.item < 0 ||
        r.item > 61 || baseBytes < 0 || baseBytes > bytes.size() - third - 1) {
        return std::nullopt;
    }
    r.storeFolder = QString::fromUtf8(bytes.mid(first + 1, second - first - 1));
    r.base = QString::fromUtf8(bytes.mid(third + 1, baseBytes));
    r.text = QString::fromUtf8(bytes.mid(third + 1 + baseBytes));
    return r;
}

struct RecoveryWriter::State {
    enum class Job { None, Write, Remove };

    QString path;
    std::mutex mutex;
    std::condition_variable changed;
    Job pending = Job::None;
    RecoveryNote note;
    bool busy = false;
    bool ending = false;
    std::thread thread; // started by the first request

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return pending != Job::None || ending; });
            if (pending == Job::None) {
                return; // ending, with nothing left to do
            }
            const Job job = std::exchange(pending, Job::None);
            const RecoveryNote taken = std::exchange(note, RecoveryNote{});
            busy = true;
            lock.unlock();
            // Owner-only: it holds the user's text. A failure is no reason to
            // interrupt typing; the next change tries again.
            if (job == Job::Write) {
                FileLayer::writeAtomic(path, taken.encode(), 0600);
            } else {
                FileLayer::remove(path);
            }
            lock.lock();
            busy = false;
            changed.notify_all();
        }
    }

    void ask(Job job, RecoveryNote n) {
        {
            const std::lock_guard lock(mutex);
            pending = job;
            note = std::move(n);
            if (!thread.joinable()) {
                thread = std::thread([this] { run(); });
            }
        }
        changed.notify_all();
    }
};

RecoveryWriter::RecoveryWriter(QString path) : d(std::make_unique<State>()) {
    d->path = std::move(path);
}

RecoveryWriter::~RecoveryWriter() {
    {
        const std::lock_guard lock(d->mutex);
        d->ending = true;
    }
    d->changed.notify_all();
    if (d->thread.joinable()) {
        d->thread.join();
    }
}

void RecoveryWriter::write(RecoveryNote note) {
    d->ask(State::Job::Write, std::move(note));
}

void RecoveryWriter::remove() {
    d->ask(State::Job::Remove, RecoveryNote{});
}

void RecoveryWriter::settle() {
    std::unique_lock lock(d->mutex);
    d->changed.wait(lock, [this] { return d->pending == State::Job::None && !d->busy; });
}

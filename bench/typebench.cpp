// Typing into a note of about 1 MiB while the recovery file of unsaved typing
// is kept, on a disk whose syncs take 200 ms (the file layer's test-only
// checkpoint waits there). Keys come from a thread of their own at a steady
// pace, as a user's keys come whatever the program is doing; for each key,
// the time from its arrival until the note box is repainted with it. Prints
// the longest such gap and the median, and how many recovery writes synced.
//
//   quillo_typebench [seconds of typing]

#include "app/startup.h"
#include "bench/benchservices.h"
#include "core/filelayer.h"
#include "core/notefile.h"
#include "store/module1.h"
#include "ui/main/edit.h"

#include <QApplication>
#include <QInputDevice>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> slowSyncs{0};

class Watch final : public QObject {
public:
    std::mutex mutex;
    std::vector<Clock::time_point> arrived; // keys posted, not yet taken in
    std::vector<Clock::time_point> taken;   // taken in, not yet painted
    std::vector<double> gaps;

    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            const std::lock_guard lock(mutex);
            if (!arrived.empty()) {
                taken.push_back(arrived.front());
                arrived.erase(arrived.begin());
            }
        } else if (e->type() == QEvent::Paint && !taken.empty()) {
            // Measured once the paint is done.
            o->removeEventFilter(this);
            QCoreApplication::sendEvent(o, e);
            o->installEventFilter(this);
            const Clock::time_point now = Clock::now();
            for (const Clock::time_point t : taken) {
                gaps.push_back(std::chrono::duration<double, std::milli>(now - t).count());
            }
            taken.clear();
            return true;
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 8;
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QString text;
    for (int line = 1; text.size() < 1024 * 1024 - 100; ++line) {
        text += QStringLiteral("Line %1 of a long note, typed some time ago.\n").arg(line);
    }
    FileLayer::writeAtomic(folder + QStringLiteral("quil0.0"), NoteFile::encode(text, 1));

    BenchServices services;
    Module1 m(services, dir.path());
    edit w(m);
    InitialLoad(m, w);
    ShowMainWindow(m, w);
    QApplication::processEvents();
    QPlainTextEdit* box = m.noteBox();
    box->setFocus();

    FileFaults::setObserver([](const char* step, const QString& path) {
        if (qstrcmp(step, "sync") == 0 && path.contains(QLatin1String("quillo.rcv"))) {
            ++slowSyncs;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });

    Watch watch;
    box->installEventFilter(&watch);
    box->viewport()->installEventFilter(&watch);
    // Made here: the keys' device is an object of the window's thread.
    const QInputDevice* keyboard = QInputDevice::primaryKeyboard();
    std::atomic<bool> typing{true};
    // A key every 40 ms: a fast typist.
    std::thread typist([&] {
        const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
        for (int k = 0; Clock::now() < end; ++k) {
            {
                const std::lock_guard lock(watch.mutex);
                watch.arrived.push_back(Clock::now());
            }
            const QString c(QChar(u'a' + k % 26));
            const int key = Qt::Key_A + k % 26;
            QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, 0,
                                                           0, 0, c, false, 1, keyboard));
            QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier,
                                                           0, 0, 0, c, false, 1, keyboard));
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
        typing = false;
    });
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (!typing) {
            QCoreApplication::exit(0); // quit() would ask the window, which only minimises
        }
    });
    done.start(100);
    QApplication::exec();
    typist.join();
    FileFaults::setObserver(nullptr);

    std::vector<double> gaps = watch.gaps;
    if (gaps.empty() || !m.noteText().startsWith(QLatin1String("ab"))) {
        std::fprintf(stderr, "the keys did not arrive in the note\n");
        return 1;
    }
    std::sort(gaps.begin(), gaps.end());
    std::printf("typing into a 1 MiB note, recovery syncs slowed to 200 ms: %zu keys, "
                "key to repaint longest %.1f ms, median %.1f ms (%d recovery writes synced)\n",
                gaps.size(), gaps.back(), gaps[gaps.size() / 2], slowSyncs.load());
    return 0;
}

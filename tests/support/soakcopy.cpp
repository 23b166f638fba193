// One copy of the program in the soak: the real window and store
// procedures (offscreen), in network mode on a shared folder, doing random
// operations as a user would. Each operation that changes the store appends,
// inside that same operation and under the lock, a numbered entry to the log
// in the shared folder ("soak.<n>", with "soak.seq" counting): a copy killed
// half-way leaves neither the change nor its entry.
//
//   quillo_soakcopy <program folder> <shared folder> <copy> <seed> <ops> <max note length>
//                   [<die at file step>]
//
// With "window" first it is a copy of the window soak instead (windowcopy.cpp).
//
// With the last argument it kills itself (SIGKILL) at that change of a file
// (a write, move, link or delete of the file layer) once its work has
// begun: in the middle of an operation that changes the store.
//
// At the end it prints "longest-wait <ms>", "conflicts <n>" (drops another
// copy's change refused, rightly) and "errors <n>".

#include "app/startup.h"
#include "bench/benchservices.h"
#include "core/filelayer.h"
#include "core/nameindex.h"
#include "soak.h"
#include "store/module1.h"
#include "store/notetext.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/nameedit.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QThread>
#include <QUrl>
#include <QVariant>

#include <csignal>
#include <cstdio>
#include <random>

namespace {

class Copy {
public:
    Copy(Module1& module, edit& window, BenchServices& services, int copy, quint64 seed,
         int maxLength)
        : m(module), w(window), m_services(services), m_copy(copy), m_rng(seed),
          m_maxLength(maxLength) {
        m.beforeCommit = [this] { logEntry(); };
    }

    void step() {
        const int kind = pick(100);
        if (kind < 30) {
            save();
        } else if (kind < 40) {
            nameGroup();
        } else if (kind < 50) {
            nameItem();
        } else if (kind < 68) {
            moveItem();
        } else if (kind < 73) {
            moveGroup();
        } else if (kind < 80) {
            erase();
        } else if (kind < 90) {
            useSlots();
        } else {
            m_op = QStringLiteral("refresh");
            w.refreshit();
        }
        m_op.clear();
    }

    int conflicts = 0; // drops refused because another copy changed the source first

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    // Names and captions go into the log percent-encoded: they may hold
    // tabs and line breaks.
    static QString esc(const QString& text) {
        return QString::fromLatin1(QUrl::toPercentEncoding(text));
    }
    // The log entry of the operation about to run: its fields, tab-separated.
    template <typename... Field> void logAs(const char* op, const Field&... field) {
        m_op = QStringList{op, QVariant::fromValue(field).toString()...}.join(QLatin1Char('\t'));
    }
    QString name() {
        // The last is longer than a name field holds.
        static const QStringList words =
            QStringList{"Recipes", "Work", "  padded  ", "", "x", "Caf\u00e9 \u20ac", "Books", " "}
            << QString(45, QLatin1Char('L'));
        return words.at(pick(static_cast<int>(words.size())));
    }
    int g() const { return m.S.CurrentGroup; }
    static QString how(int button) { return button == 1 ? "move" : "copy"; }
    // A left click on a group button (a right one would open its name box):
    // false when the group did not open.
    bool choose(int group) {
        w.LastButton = 1;
        w.Group_Click(group);
        return g() == group;
    }
    bool select(int group, int item) {
        if (!choose(group)) {
            return false;
        }
        w.Item_Click(item);
        return m.S.currentItem() == item;
    }
    // What a drag from item j of the group on display carries.
    void dragItem(int j) {
        w.DragKind = QStringLiteral("item");
        w.DragSourceGroup = static_cast<qint16>(g());
        w.DragCaption = w.Item[j]->text();
    }
    int firstOf(const std::array<ButtonLabel*, 62>& items, bool named) {
        std::vector<int> found;
        for (int k = 0; k < 62; ++k) {
            if (items[k]->text().isEmpty() != named) {
                found.push_back(k);
            }
        }
        return found.empty() ? -1 : found[size_t(pick(int(found.size())))];
    }

    // The entry for the operation now standing, written in it.
    void logEntry() {
        const QString seqPath = m.StoreFolder + QStringLiteral("soak.seq");
        const int seq = FileLayer::readAll(seqPath).data.toInt() + 1;
        const QString what = m_op.isEmpty() ? QStringLiteral("unexpected") : m_op;
        m.opWrite(seqPath, QByteArray::number(seq));
        m.opWrite(m.StoreFolder + QStringLiteral("soak.%1").arg(seq),
                  QStringLiteral("%1\t%2").arg(m_copy).arg(what).toUtf8());
    }

    void save() {
        const int group = pick(6);
        const int item = pick(10);
        if (!select(group, item)) {
            return;
        }
        const quint64 seed = m_rng();
        NoteText::set(m.noteBox(), soakText(seed, m_maxLength));
        logAs("save", group, item, m.S.WordWrap, seed, m_maxLength);
        w.Item_MouseDown(item, 1, 0, 0);
        w.DragArmed = 0;
        // Not saved (another copy changed the names first): the edit is given up.
        NoteText::set(m.noteBox(), m.SavedText);
    }

    void nameGroup() {
        const int group = pick(6);
        if (!choose(group)) {
            return;
        }
        const QString text = name();
        logAs("name-group", group, esc(text.left(40)));
        w.groupedit->setText(text);
        w.groupedit_LostFocus();
        w.dropNameEdit();
    }

    void nameItem() {
        const int group = pick(6);
        const int item = pick(10);
        if (!select(group, item)) {
            return;
        }
        const QString text = name();
        logAs("name-item", group, item, esc(text.left(40)));
        w.ItemEdit->setText(text);
        w.ItemEdit_LostFocus();
        w.dropNameEdit();
    }

    // A drop from a group no longer on display checks its source under the
    // lock. The refusal is right only if the source's index, read under the
    // lock just after, no longer holds the dragged name there; a refusal of
    // a source still named so is a fault.
    void acceptRealConflict(int errorsBefore, int group, int item, const QString& caption) {
        if (m_services.errors != errorsBefore + 1 ||
            !m_services.lastMessage.contains(QLatin1String("while you were dragging it"))) {
            return;
        }
        QElapsedTimer waited;
        waited.start();
        while (!m.TakeLockQuickly()) {
            if (waited.elapsed() > 10000) {
                return; // left an error: nothing could be checked
            }
            QThread::msleep(1);
        }
        const QByteArray index = FileLayer::readAll(m.itemIndexPath(group)).data;
        m.CloseAllFiles();
        if (NameIndex::decode(index, 62).value(item) != caption) {
            --m_services.errors;
            ++conflicts;
        }
    }

    void moveItem() {
        const int errorsBefore = m_services.errors;
        choose(pick(6));
        const int s = g();
        const int j = firstOf(w.Item, true);
        if (j < 0) {
            return;
        }
        dragItem(j);
        const QString caption = w.DragCaption;
        const int button = 1 + pick(2);
        w.LastButton = static_cast<qint16>(button);
        w.group_DragOver(pick(6), w.Item[j]);
        const int k = firstOf(w.Item, false);
        if (k < 0) {
            return;
        }
        logAs("item", how(button), s, j, g(), k, esc(caption));
        w.Item_DragDrop(k, w.Item[j]);
        acceptRealConflict(errorsBefore, s, j, caption);
    }

    void moveGroup() {
        const int j = pick(6);
        const int k = pick(8);
        if (w.Group[j]->text().isEmpty() || !w.Group[k]->text().isEmpty() || j == k) {
            return;
        }
        const int button = 1 + pick(2);
        w.DragKind = QStringLiteral("group");
        w.LastButton = static_cast<qint16>(button);
        logAs("group", how(button), j, k);
        w.group_DragDrop(k, w.Group[j]);
    }

    void erase() {
        if (pick(5) == 0) {
            const int j = pick(6);
            if (w.Group[j]->text().isEmpty()) {
                return;
            }
            w.DragKind = QStringLiteral("group");
            logAs("erase-group", j);
            w.Del_DragDrop(w.Group[j]);
            return;
        }
        choose(pick(6));
        const int j = firstOf(w.Item, true);
        if (j < 0) {
            return;
        }
        dragItem(j);
        logAs("erase-item", g(), j);
        w.Del_DragDrop(w.Item[j]);
    }

    void useSlots() {
        choose(pick(6));
        const int button = 1 + pick(2);
        w.LastButton = static_cast<qint16>(button);
        const int slot = pick(12);
        if (w.Trans[slot]->text().isEmpty()) {
            const int j = firstOf(w.Item, true);
            if (j < 0) {
                return;
            }
            dragItem(j);
            logAs("to-slot", how(button), g(), j, slot, esc(w.DragCaption));
            w.Trans_DragDrop(slot, w.Item[j]);
        } else {
            const int k = firstOf(w.Item, false);
            if (k < 0) {
                return;
            }
            w.DragKind = QStringLiteral("trans");
            w.DragCaption = w.Trans[slot]->text();
            logAs("from-slot", how(button), slot, g(), k, esc(w.DragCaption));
            w.Item_DragDrop(k, w.Trans[slot]);
        }
    }

    Module1& m;
    edit& w;
    BenchServices& m_services;
    int m_copy;
    std::mt19937_64 m_rng;
    int m_maxLength;
    QString m_op;
};

} // namespace

int runWindowCopy(int argc, char** argv);

// Settings for network mode on `shared`, then the program's start-up with its
// window shown (offscreen); false when it did not come up in network mode.
bool startOnShare(Module1& m, edit& w, const QString& shared) {
    SettingsRecord r;
    r.NetworkMode = 1;
    r.setNetworkFolder(shared);
    FileLayer::writeAtomic(m.AppFolder + QStringLiteral("quillo.ini"), r.toBytes(), 0600);
    m.lockRetryMs = 5;
    InitialLoad(m, w);
    ShowMainWindow(m, w);
    return m.S.NetworkMode == 1;
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "window") == 0) {
        return runWindowCopy(argc, argv);
    }
    if (argc != 7 && argc != 8) {
        std::fprintf(stderr, "usage: see the top of soakcopy.cpp\n");
        return 2;
    }
    BenchServices services;
    Module1 m(services, QString::fromLocal8Bit(argv[1]));
    edit w(m);
    if (!startOnShare(m, w, QString::fromLocal8Bit(argv[2]))) {
        return 3;
    }
    Copy copy(m, w, services, std::atoi(argv[3]), std::strtoull(argv[4], nullptr, 10),
              std::atoi(argv[6]));
    const int ops = std::atoi(argv[5]);
    const int dieAt = argc == 8 ? std::atoi(argv[7]) : 0;
    if (dieAt > 0) {
        FileFaults::setObserver([dieAt, changes = 0](const char* step, const QString&) mutable {
            for (const char* change : {"write", "rename", "link", "unlink", "mktemp"}) {
                if (qstrcmp(step, change) == 0 && ++changes >= dieAt) {
                    ::raise(SIGKILL);
                }
            }
        });
    }
    for (int k = 0; k < ops; ++k) {
        copy.step();
        QApplication::processEvents();
    }
    std::printf("longest-wait %lld\nrecovered %d\nconflicts %d\nerrors %d\n",
                static_cast<long long>(m.LongestLockWaitMs), m.JournalsRecovered, copy.conflicts,
                services.errors);
    return services.errors == 0 ? 0 : 1;
}

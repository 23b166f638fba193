// One copy of the program's main window in the window soak: offscreen, in
// network mode on a shared folder, driven only through its widgets by
// random user actions (clicks, typing, naming, left and right drags,
// keyboard Move To/Copy To/Erase, slots, search, the mode switch, Esc in
// the Waiting dialog, Undo Erase). After every action it checks what it
// can see for itself and prints each fault as a line "fault <what>":
//
// - an action begun in the network store changed nothing in its local one;
// - a conflict is announced only when another copy wrote the note: not
//   when the file holds a text this copy itself typed into that note.
//
//   quillo_soakcopy window <program folder> <shared folder> <copy> <seed> <actions>

#include "windowcopy.h"
#include "fakeuiservices.h"

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "core/notefile.h"
#include "store/module1.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"
#include "ui/main/searchform.h"
#include "ui/main/targetform.h"
#include "ui/net/waiting.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <random>

bool startOnShare(Module1& m, edit& w, const QString& shared);

namespace {

// The files of a copy's local store, by name: what no action begun in the
// network store may change.
QMap<QString, QByteArray> localStoreFiles(const QString& folder) {
    static const QRegularExpression store(
        QStringLiteral("^(group\\.dir|items\\d+\\.dir|quil\\d+\\.\\d+)$"));
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (store.match(name).hasMatch()) {
            files.insert(name, FileLayer::readAll(folder + name).data);
        }
    }
    return files;
}

class Driver {
public:
    Driver(Module1& module, edit& window, FakeUiServices& services, int copy, std::mt19937_64& rng)
        : m(module), w(window), ui(services), m_copy(copy), m_rng(rng) {
        ui.onError = [this](const QString& message) { checkMessage(message); };
        ui.onModal = [this](QDialog& d) {
            answer(d);
            return false;
        };
    }
    int faults = 0;
    int conflicts = 0;
    int waits = 0;
    int cancels = 0;

    void step() {
        const bool network = m.S.NetworkMode == 1;
        const auto local = localStoreFiles(m.AppFolder);
        // A copy the Waiting dialog sent back to its local notes returns soon.
        const int kind = !network && pick(2) == 0 ? 85 : pick(100);
        m_findAnswered = false;
        // Every question gets its first answer: Erase, and leave the network
        // store with the changed text on the clipboard.
        ui.answers.assign(8, 0);
        m_action = QString::number(kind);
        if (qEnvironmentVariableIsSet("QUILLO_WSOAK_TRACE")) {
            std::fprintf(stderr, "action %d\n", kind);
        }
        if (kind < 12) {
            clickOn(w.Item[pick(10)]);
        } else if (kind < 18) {
            clickOn(w.Group[pick(5)]);
        } else if (kind < 36) {
            typeNote();
        } else if (kind < 40) {
            renameItem();
        } else if (kind < 43) {
            renameGroup();
        } else if (kind < 55) {
            drag(button(), {w.Item[pick(10)], otherGroup(), w.Item[pick(10)]});
        } else if (kind < 60) {
            drag(button(), {w.Item[pick(10)], w.Trans[pick(12)]});
        } else if (kind < 65) {
            drag(button(), {w.Trans[pick(12)], otherGroup(), w.Item[pick(10)]});
        } else if (kind < 68) {
            drag(Qt::LeftButton, {w.Item[pick(10)], otherGroup(), w.Del[0]});
        } else if (kind < 70) {
            drag(button(), {w.Group[pick(5)], w.Group[pick(8)]});
        } else if (kind < 78) {
            fromKeyboard();
        } else if (kind < 81) {
            w.Ffind_Click();
        } else if (kind < 86) {
            clickOn(w.NetOption[pick(4) == 0 ? 0 : 1]);
        } else if (kind < 89) {
            w.FundoErase->trigger();
        } else {
            w.refreshit();
        }
        settle();
        // A user's pace: the other copies and the timers get their turn.
        QElapsedTimer pause;
        pause.start();
        const int ms = pick(40);
        while (pause.elapsed() < ms) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        if (network && localStoreFiles(m.AppFolder) != local) {
            fault(QStringLiteral("an action begun in the network store changed the local one"));
        }
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    // The dialogs as a user would answer them while they show.
    void answer(QDialog& d) {
        if (auto* waiting = qobject_cast<Waiting*>(&d)) {
            ++waits;
            if (pick(3) == 0) {
                ++cancels;
                QTimer::singleShot(10 + pick(200), waiting,
                                   [waiting] { QTest::keyClick(waiting, Qt::Key_Escape); });
            }
        } else if (auto* form = qobject_cast<TargetForm*>(&d)) {
            QTimer::singleShot(0, form, [this, form] {
                cueRival(m_keySource, m.S.CurrentGroup);
                if (form->AreaList && form->AreaList->count() > 0) {
                    form->AreaList->setCurrentIndex(pick(int(form->AreaList->count())));
                }
                if (form->PlaceList->count() > 0) {
                    form->PlaceList->setCurrentRow(pick(int(form->PlaceList->count())));
                }
                QTest::keyClick(form->PlaceList, Qt::Key_Return);
            });
        } else if (auto* find = qobject_cast<SearchForm*>(&d); find && !m_findAnswered) {
            // Searched once an action: the dialog that comes back after the
            // last match is cancelled.
            m_findAnswered = true;
            QTimer::singleShot(0, find, [this, find] {
                find->Txt->setText(QStringLiteral("c%1n").arg(pick(4)));
                find->accept();
            });
        } else {
            QTimer::singleShot(0, &d, [&d] { d.reject(); });
        }
    }
    // Mostly a named group other than the one on display: a drag opens it.
    ButtonLabel* otherGroup() {
        ButtonLabel* g = w.Group[pick(5)];
        for (int k = 0; k < 4 && (g->text().isEmpty() || g->index() == m.S.CurrentGroup); ++k) {
            g = w.Group[pick(5)];
        }
        return g;
    }
    Qt::MouseButton button() { return pick(2) == 0 ? Qt::LeftButton : Qt::RightButton; }
    QPoint at(QWidget* c) const { return c->mapTo(&w, c->rect().center()); }
    void settle() {
        for (int k = 0; k < 3; ++k) {
            QApplication::processEvents();
        }
    }
    void fault(const QString& what) {
        ++faults;
        std::printf("fault copy %d, action %s: %s\n", m_copy, qPrintable(m_action),
                    qPrintable(what));
        std::fflush(stdout);
    }

    void clickOn(QWidget* c, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(w.windowHandle(), b, Qt::NoModifier, at(c));
        QTest::mouseRelease(w.windowHandle(), b, Qt::NoModifier, at(c));
        settle();
    }
    void drag(Qt::MouseButton b, std::initializer_list<QWidget*> path) {
        QWindow* win = w.windowHandle();
        QPoint from = at(*path.begin());
        auto* source = qobject_cast<ButtonLabel*>(*path.begin());
        const int group = m.S.CurrentGroup;
        const bool named = !source->text().isEmpty();
        QTest::mousePress(win, b, Qt::NoModifier, from);
        for (QWidget* through : path) {
            // The lock busy as the drag opens a group, or at the drop of a
            // source that is a slot or no longer in the group on display.
            auto* over = qobject_cast<ButtonLabel*>(through);
            if (named && through != *path.begin() &&
                (over && over->kind() == ButtonLabel::Kind::Group
                     ? pick(3) == 0
                     : through == *(path.end() - 1) &&
                           (group != m.S.CurrentGroup ||
                            source->kind() == ButtonLabel::Kind::Trans))) {
                cueRival(source, group);
            }
            const QPoint to = at(through);
            QTest::mouseMove(win, (from + to) / 2 + QPoint(2, 2));
            QTest::mouseMove(win, to);
            from = to;
        }
        QTest::mouseRelease(win, b, Qt::NoModifier, from);
        settle();
    }

    // Every note begins with its item's name, so that a note carried under
    // another name shows; its last word says who wrote it.
    void typeNote() {
        if (w.EditMode != 0) {
            return;
        }
        const QString name = w.Item[m.HighlightedItem]->text();
        if (name.contains(QLatin1Char('(')) && !name.endsWith(QStringLiteral(" (mine)"))) {
            return;
        }
        QString base = name;
        base.remove(QStringLiteral(" (mine)"));
        const QString text = (base.isEmpty() ? QString() : base + QLatin1Char(' ')) +
                             QStringLiteral("c%1n%2").arg(m_copy).arg(++m_count);
        QPlainTextEdit* box = m.noteBox();
        clickOn(box);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, text);
        m_typed[where()].insert(text);
        // The test allows this text in this note whatever its name then.
        std::printf("typed %s\t%s\n", qPrintable(where()), qPrintable(text));
    }
    QString where() const {
        return QStringLiteral("%1|%2|%3")
            .arg(m.StoreFolder)
            .arg(m.S.CurrentGroup)
            .arg(m.S.currentItem());
    }
    void checkMessage(const QString& message) {
        if (!message.contains(QStringLiteral("saved a different text"))) {
            return;
        }
        ++conflicts;
        // The text the refresh took must be another copy's, not this copy's own save.
        if (m_typed.value(where()).contains(m.storedText())) {
            fault(QStringLiteral("a conflict was announced over this copy's own save \"%1\"")
                      .arg(m.storedText()));
        }
    }

    // A right click on the button, a name typed over the old one, Enter.
    void rename(ButtonLabel* button, QLineEdit* box, const QString& name) {
        clickOn(button, Qt::RightButton);
        if (w.EditMode == 0) {
            return;
        }
        box->selectAll();
        QTest::keyClicks(box, name);
        QTest::keyClick(box, Qt::Key_Return);
        settle();
    }
    void renameItem() {
        ButtonLabel* item = w.Item[pick(10)];
        const QString name = item->text();
        if (name.size() < 4 || name.contains(QLatin1Char('('))) {
            return;
        }
        // A shorter name that the note still begins with.
        rename(item, w.ItemEdit, name.left(3 + pick(int(name.size()) - 3)));
    }
    void renameGroup() {
        ButtonLabel* group = w.Group[pick(5)];
        rename(group, w.groupedit, QStringLiteral("G%1x%2").arg(m_copy).arg(pick(100)));
    }
    void fromKeyboard() {
        ButtonLabel* source = pick(4) == 0 ? w.Trans[pick(12)] : w.Item[pick(10)];
        m_keySource = source;
        if (w.EditMode != 0 || !QApplication::activeWindow()) {
            QApplication::setActiveWindow(&w);
        }
        source->setFocus(Qt::TabFocusReason);
        if (QApplication::focusWidget() != source) {
            return;
        }
        static const QStringList entries = {"Move To...", "Copy To...", "Erase"};
        const QString entry = entries.at(pick(3));
        QTimer::singleShot(0, &w, [entry] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) {
                return;
            }
            for (QAction* a : menu->actions()) {
                if (a->text() == entry && a->isEnabled()) {
                    menu->setActiveAction(a);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            }
            menu->close();
        });
        QTest::keyClick(source, Qt::Key_Menu);
        settle();
    }

    // At the moments the lock matters most (a keyboard move has chosen its
    // source, a drag comes over a group or to its drop) the other process
    // is asked, by a file "cue.<copy>" naming the source's index, note
    // prefix and position, to take the lock now and move that very source
    // away; it removes the file once it holds the lock and has done so.
    void cueRival(const ButtonLabel* source, int group) {
        static const QString dir = qEnvironmentVariable("QUILLO_WSOAK_CUE");
        if (dir.isEmpty() || m.S.NetworkMode != 1 || source->kind() == ButtonLabel::Kind::Group) {
            return;
        }
        const bool slot = source->kind() == ButtonLabel::Kind::Trans;
        const QString cue = dir + QStringLiteral("/cue.%1").arg(m_copy);
        FileLayer::writeAtomic(cue, (slot ? QStringLiteral("trans.dir trans. %1")
                                          : QStringLiteral("items%1.dir quil%1. %2").arg(group))
                                        .arg(source->index())
                                        .toUtf8());
        QElapsedTimer waited;
        waited.start();
        while (QFileInfo::exists(cue) && waited.elapsed() < 2000) {
            QThread::msleep(2);
        }
        QFile::remove(cue);
    }

    Module1& m;
    edit& w;
    FakeUiServices& ui;
    int m_copy;
    ButtonLabel* m_keySource = nullptr;
    std::mt19937_64& m_rng;
    int m_count = 0;
    bool m_findAnswered = false;
    QString m_action;
    QMap<QString, QSet<QString>> m_typed; // store|group|item -> the texts typed there
};

} // namespace

int runWindowCopy(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: see the top of windowcopy.cpp\n");
        return 2;
    }
    const QString appFolder = Module1::withSeparator(QString::fromLocal8Bit(argv[2]));
    const int copy = std::atoi(argv[4]);
    std::mt19937_64 rng(std::strtoull(argv[5], nullptr, 10));
    const int actions = std::atoi(argv[6]);
    // The local store each copy starts with: its notes begin with their names.
    seedStore(appFolder, {QStringLiteral("Local")}, QStringLiteral("L"),
              QStringLiteral("local c%1n0").arg(copy));
    FakeUiServices services;
    Module1 m(services, appFolder);
    edit w(m);
    if (!startOnShare(m, w, QString::fromLocal8Bit(argv[3]))) {
        return 3;
    }
    QApplication::setActiveWindow(&w);
    Driver driver(m, w, services, copy, rng);
    for (int k = 0; k < actions; ++k) {
        driver.step();
    }
    std::printf("waits %d\ncancels %d\nconflicts %d\nfaults %d\n", driver.waits, driver.cancels,
                driver.conflicts, driver.faults);
    return 0;
}

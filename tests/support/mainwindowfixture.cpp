#include "mainwindowfixture.h"
#include "soon.h"

#include "core/filelayer.h"
#include "store/notetext.h"
#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/notebox.h"

#include <QApplication>

void MainWindowFixture::TearDown() {
    // A fault or observer a failed test left armed must not reach the next test.
    FileFaults::reset();
    if (w) {
        w->hide();
    }
    w.reset();
    m.reset();
}

void MainWindowFixture::start(const QString& appFolder) {
    m = std::make_unique<Module1>(ui, appFolder.isEmpty() ? dir.path() : appFolder);
    if (prepare) {
        prepare(*m);
    }
    w = std::make_unique<edit>(*m);
    InitialLoad(*m, *w);
    ShowMainWindow(*m, *w);
    if (m->S.StartMinimised == 0) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        QApplication::setActiveWindow(w.get());
        ASSERT_SOON(w->isActiveWindow());
    }
}

void MainWindowFixture::restart(const QString& appFolder) {
    w.reset();
    m.reset();
    start(appFolder);
}

QPoint MainWindowFixture::centreInWindow(QWidget* target) const {
    return target->mapTo(w.get(), target->rect().center());
}

void MainWindowFixture::click(QWidget* target, Qt::MouseButton button) {
    press(target, button);
    release(target, button);
    QApplication::processEvents();
}

void MainWindowFixture::drag(Qt::MouseButton button, std::initializer_list<QWidget*> path) {
    QWindow* win = w->windowHandle();
    QPoint at = centreInWindow(*path.begin());
    QTest::mousePress(win, button, Qt::NoModifier, at);
    for (QWidget* through : path) {
        // Two steps on the way, so each control sees the pointer pass.
        const QPoint to = centreInWindow(through);
        QTest::mouseMove(win, (at + to) / 2 + QPoint(2, 2));
        QTest::mouseMove(win, to);
        at = to;
    }
    QTest::mouseRelease(win, button, Qt::NoModifier, at);
    QApplication::processEvents();
}

void MainWindowFixture::type(const QString& text) {
    for (qsizetype k = 0; k < text.size(); ++k) {
        QWidget* target = QApplication::focusWidget();
        const QChar c = text.at(k);
        if (c.unicode() < 0x7F && c.unicode() >= 0x20) {
            QTest::keyClick(target, c.toLatin1());
            continue;
        }
        // Characters beyond ASCII come as text, the way an input method sends them.
        const qsizetype n = c.isHighSurrogate() && k + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, text.mid(k, n), Qt::NoModifier);
        k += n - 1;
    }
}

void MainWindowFixture::expectChosen(int group, int item) const {
    EXPECT_EQ(m->S.CurrentGroup, group);
    EXPECT_EQ(m->S.currentItem(), item);
    EXPECT_EQ(m->HighlightedGroup, group);
    EXPECT_EQ(m->HighlightedItem, item);
    for (int g = 0; g < 31; ++g) {
        EXPECT_EQ(VbColor::of(w->Group[g]), g == group ? 0xFF : m->S.GroupColor) << "group " << g;
    }
    for (int i = 0; i < 62; ++i) {
        EXPECT_EQ(VbColor::of(w->Item[i]), i == item ? 0xFF : m->S.ItemColor) << "item " << i;
    }
}

void keyTo(QWidget& window, Qt::Key k, Qt::KeyboardModifiers mods) {
    QTest::keyClick(window.windowHandle(), k, mods);
    QApplication::processEvents();
}

QMap<QString, QByteArray> withoutSettings(QMap<QString, QByteArray> files) {
    files.remove(QStringLiteral("quillo.ini"));
    return files;
}

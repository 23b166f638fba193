#pragma once

#include "fakeuiservices.h"
#include "testfolder.h"

#include "app/startup.h"
#include "store/module1.h"
#include "ui/main/edit.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// One program in a test folder: its own services double, state and window.
class MainWindowFixture : public ::testing::Test {
protected:
    void TearDown() override;

    // Runs start-up on `appFolder` (the test folder by default) and shows the window.
    void start(const QString& appFolder = QString());
    // Ends this run's window and starts again, as the next run of the program.
    void restart(const QString& appFolder = QString());
    // Mouse on a control, through the window, as a user's mouse would come.
    void press(QWidget* target, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(w->windowHandle(), button, Qt::NoModifier, centreInWindow(target));
    }
    void release(QWidget* target, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(w->windowHandle(), button, Qt::NoModifier, centreInWindow(target));
    }
    void click(QWidget* target, Qt::MouseButton button = Qt::LeftButton);
    // Presses on the first control, moves through the centre of each of the
    // others and releases on the last, as a user's drag would go.
    void drag(Qt::MouseButton button, std::initializer_list<QWidget*> path);
    void type(const QString& text);
    void key(Qt::Key k) { QTest::keyClick(focus(), k); }
    QString note() const { return m->noteText(); }
    QWidget* focus() const { return QApplication::focusWidget(); }
    QPoint centreInWindow(QWidget* target) const;
    // Exactly the chosen group and item are highlighted, every other button
    // shows its colour.
    void expectChosen(int group, int item) const;

    // Runs on the program's state before start-up reads anything.
    std::function<void(Module1&)> prepare;
    TestFolder dir;
    FakeUiServices ui;
    std::unique_ptr<Module1> m;
    std::unique_ptr<edit> w;
};

// A key pressed while `window` is active, as the desktop sends it; then its effects.
void keyTo(QWidget& window, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier);
// The files of a store but its settings, which every change of choice rewrites.
QMap<QString, QByteArray> withoutSettings(QMap<QString, QByteArray> files);

#include "ui/main/helpkey.h"

#include "store/uiservices.h"
#include "store/module1.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

HelpKey::HelpKey(QWidget& mainWindow, Module1& module)
    : QObject(&mainWindow), m_window(mainWindow), m(module) {
    qApp->installEventFilter(this);
}

HelpKey::~HelpKey() {
    qApp->removeEventFilter(this);
}

bool HelpKey::isProgramWidget(QObject* o) const {
    const auto* w = qobject_cast<QWidget*>(o);
    if (!w) {
        return false;
    }
    // The main window and every window it owns: its dialogs and theirs.
    for (const QWidget* up = w; up; up = up->parentWidget()) {
        if (up == &m_window) {
            return true;
        }
    }
    // A modal dialog without an owner is still this program's.
    return w->window() == QApplication::activeModalWidget();
}

void HelpKey::send(QWidget* target) const {
    if (!isProgramWidget(target)) {
        target = &m_window;
    }
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier));
}

bool HelpKey::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            isProgramWidget(watched)) {
            m.services.showHelp(m.HelpFile);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

#pragma once

#include "fakeuiservices.h"

#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

// Plays a user's part in modal dialogs: each step runs once its dialog is on
// screen, in the order the dialogs open (a step may open a nested one). A
// step must close its dialog; one left open fails the test and is closed.
class DialogScript final {
public:
    explicit DialogScript(FakeUiServices& ui) {
        ui.onModal = [this](QDialog& d) {
            if (m_steps.empty()) {
                ADD_FAILURE() << "unexpected dialog " << d.objectName().toStdString();
                QTimer::singleShot(0, &d, [&d] { d.done(QDialog::Rejected); });
                return false;
            }
            auto step = std::move(m_steps.front());
            m_steps.pop_front();
            QTimer::singleShot(0, &d, [step, &d] {
                EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
                step(d);
                if (d.isVisible()) {
                    ADD_FAILURE() << "a step left " << d.objectName().toStdString() << " open";
                    d.done(QDialog::Rejected);
                }
            });
            return false;
        };
    }
    DialogScript& then(std::function<void(QDialog&)> step) {
        m_steps.push_back(std::move(step));
        return *this;
    }
    bool finished() const { return m_steps.empty(); }

private:
    std::deque<std::function<void(QDialog&)>> m_steps;
};

// A mouse click (or double click) on a control, through its window, as a
// user's mouse would come. Check boxes and option buttons are hit on their
// mark at the left.
inline QPoint pointOn(QWidget* target) {
    const QPoint local(target->inherits("QAbstractButton") && !target->inherits("QPushButton")
                           ? qMin(8, target->width() / 2)
                           : target->width() / 2,
                       target->height() / 2);
    return target->mapTo(target->window(), local);
}
inline void mouseClick(QWidget* target) {
    QTest::mouseClick(target->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      pointOn(target));
}

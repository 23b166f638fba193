#pragma once

#include "mainwindowfixture.h"

#include "ui/main/buttonlabel.h"

#include <QLabel>

// The window's controls by short names, so that tables of drags read as one
// line a case: "G4" is group 4, "I9" item 9, "T5" transfer slot 5, "D0" the
// first erase target.
class NamedControlsFixture : public MainWindowFixture {
protected:
    QWidget* control(const QString& name) const {
        const auto k = static_cast<size_t>(name.mid(1).toInt());
        switch (name.at(0).toLatin1()) {
        case 'G':
            return w->Group.at(k);
        case 'I':
            return w->Item.at(k);
        case 'T':
            return w->Trans.at(k);
        default:
            return w->Del.at(k);
        }
    }
    // A drag along two or three controls, "I0 G3 I2" for instance.
    void dragAlong(Qt::MouseButton button, const char* path) {
        const QStringList p = QString::fromLatin1(path).split(' ');
        if (p.size() == 3) {
            drag(button, {control(p[0]), control(p[1]), control(p[2])});
        } else {
            drag(button, {control(p[0]), control(p.at(1))});
        }
    }
};

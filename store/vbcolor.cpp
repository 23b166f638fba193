#include "store/vbcolor.h"

#include <QApplication>
#include <QPalette>
#include <QVariant>
#include <QWidget>

QColor VbColor::toQColor(qint32 value) {
    const auto v = static_cast<quint32>(value);
    if ((v & 0xFF000000U) == 0x80000000U) {
        const QPalette pal = QApplication::palette();
        switch (v & 0xFFU) {
        case 5: // window background
            return pal.color(QPalette::Base);
        case 8: // window text
            return pal.color(QPalette::Text);
        case 15: // button face
            return pal.color(QPalette::Button);
        default:
            return pal.color(QPalette::Window);
        }
    }
    return {static_cast<int>(v & 0xFFU), static_cast<int>((v >> 8) & 0xFFU),
            static_cast<int>((v >> 16) & 0xFFU)};
}

void VbColor::paint(QWidget* w, qint32 value) {
    if (w->property("vbBack").isValid() && of(w) == value) {
        return;
    }
    w->setProperty("vbBack", value);
    QPalette pal = w->palette();
    const QColor colour = toQColor(value);
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::Base, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

qint32 VbColor::of(const QWidget* w) {
    return w->property("vbBack").toInt();
}

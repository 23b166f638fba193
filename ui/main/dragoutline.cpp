#include "ui/main/dragoutline.h"

#include <QPainter>

DragOutline::DragOutline(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DragOutline"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void DragOutline::showAt(const QRect& rect) {
    if (!isVisible()) {
        setGeometry(parentWidget()->rect());
        raise();
        show();
    }
    // Repaint only where the outline was and where it goes.
    update(m_rect.adjusted(-2, -2, 2, 2));
    m_rect = rect;
    update(m_rect.adjusted(-2, -2, 2, 2));
}

void DragOutline::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    // Two rings, dark inside light, so the outline shows on every colour.
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(m_rect.adjusted(-1, -1, 0, 0));
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(m_rect.adjusted(0, 0, -1, -1));
}

#include "ui/main/buttonlabel.h"

#include "ui/twips.h"

#include <QMouseEvent>

namespace {

// 1 left, 2 right, 4 middle, as the handlers count buttons.
int buttonCode(Qt::MouseButtons b) {
    if (b & Qt::LeftButton) {
        return 1;
    }
    if (b & Qt::RightButton) {
        return 2;
    }
    if (b & Qt::MiddleButton) {
        return 4;
    }
    return 0;
}

float twips(qreal px) {
    return static_cast<float>(px * Twips::PerPixel);
}

} // namespace

ButtonLabel::ButtonLabel(Kind kind, int index, QWidget* parent)
    : QLabel(parent), m_kind(kind), m_index(index) {
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setIndent(2);
    setAutoFillBackground(true);
    setMouseTracking(true);
}

void ButtonLabel::mousePressEvent(QMouseEvent* event) {
    const int code = buttonCode(event->button());
    if (code == 0) {
        return;
    }
    // A second button during a press is ignored. But a release that went
    // elsewhere (a dialog opened during the press took it) leaves the
    // earlier button up: then this is a fresh press.
    const Qt::MouseButtons heldBefore = event->buttons() & ~event->button();
    if (m_pressed != Qt::NoButton && (heldBefore & m_pressed)) {
        return;
    }
    m_pressed = event->button();
    emit mouseDown(m_index, code, twips(event->position().x()), twips(event->position().y()));
}

void ButtonLabel::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMove(m_index, buttonCode(event->buttons()), twips(event->position().x()),
                   twips(event->position().y()), event->globalPosition().toPoint());
}

void ButtonLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != m_pressed) {
        return;
    }
    m_pressed = Qt::NoButton;
    emit mouseUp(m_index, rect().contains(event->position().toPoint()),
                 event->globalPosition().toPoint());
}

#include "ui/main/buttonlabel.h"

#include "store/vbcolor.h"
#include "ui/main/accessiblebutton.h"
#include "ui/twips.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

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

bool isStepKey(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

} // namespace

ButtonLabel::ButtonLabel(Kind kind, int index, QWidget* parent)
    : QLabel(parent), m_kind(kind), m_index(index) {
    static const bool readable = [] {
        QAccessible::installFactory(&AccessibleButton::create);
        return true;
    }();
    Q_UNUSED(readable)
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setIndent(2);
    setAutoFillBackground(true);
    setMouseTracking(true);
    // The keyboard reaches the button; a click leaves the focus in the note.
    setFocusPolicy(Qt::TabFocus);
}

bool ButtonLabel::isHighlighted() const {
    return m_kind != Kind::Trans && property("vbBack").isValid() &&
           VbColor::of(this) == VbColor::Highlight;
}

void ButtonLabel::announce() {
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

bool ButtonLabel::event(QEvent* event) {
    const bool handled = QLabel::event(event);
    // Before the window is first shown (start-up colours every button)
    // nobody can hear it; start-up names the note once at the end.
    if (event->type() == QEvent::DynamicPropertyChange && window()->isVisible() &&
        static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName() == "vbBack") {
        // The highlight came or went: "selected" is part of the name.
        announce();
        emit looksChanged(m_index);
    }
    return handled;
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

void ButtonLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && isStepKey(key)) {
        emit stepRequested(m_index, key);
    } else if (event->isAutoRepeat()) {
        // A held key chooses or opens once, as one click would.
        event->accept();
        return;
    } else if (mods == Qt::NoModifier &&
               (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        emit activated(m_index, 1);
    } else if (mods == Qt::NoModifier && key == Qt::Key_F2) {
        emit activated(m_index, 2);
    } else if ((mods == Qt::NoModifier && key == Qt::Key_Menu) ||
               (mods == Qt::ShiftModifier && key == Qt::Key_F10)) {
        emit menuRequested(m_index);
    } else {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ButtonLabel::contextMenuEvent(QContextMenuEvent* event) {
    // A right click renames or copies: the menu is the keyboard's.
    if (event->reason() == QContextMenuEvent::Mouse) {
        event->ignore();
        return;
    }
    emit menuRequested(m_index);
}

QString ButtonLabel::oneLine(QString name, const QString& separator) {
    name.replace(QStringLiteral("\r\n"), separator);
    name.replace(QLatin1Char('\r'), separator);
    name.replace(QLatin1Char('\n'), separator);
    return name;
}

void ButtonLabel::paintEvent(QPaintEvent* /*event*/) {
    // The border as a frame draws it; the caption on one line, as a name
    // taken from a note's first line breaks would otherwise show as two
    // lines clipped to the button's height. What the caption holds stays.
    // One painter for the border and the caption: a hundred buttons are
    // drawn before the window first shows.
    QPainter p(this);
    drawFrame(&p);
    style()->drawItemText(&p, contentsRect().adjusted(indent(), 0, 0, 0),
                          static_cast<int>(alignment()) | Qt::TextSingleLine, palette(),
                          isEnabled(), oneLine(text(), QStringLiteral("\u00b6")), foregroundRole());
    if (hasFocus()) {
        // A thick dotted line in the caption's colour inside the border
        // shows on every back colour, the highlight included.
        QPen pen(palette().color(foregroundRole()), 2, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(QRectF(rect()).adjusted(2, 2, -2, -2));
    }
    if (text() != m_shownCaption) {
        m_shownCaption = text();
        emit looksChanged(m_index);
    }
}

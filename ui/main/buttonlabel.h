#pragma once

#include <QLabel>

// A group, item or slot button: a bordered label whose caption is the name.
// It carries its index in its array and reports mouse presses, moves and
// releases with that index, positions in twips within the label and the
// pointer's place on the screen (a pressed label keeps the mouse, so moves
// and the release of a drag come here wherever the pointer is).
class ButtonLabel final : public QLabel {
    Q_OBJECT
public:
    enum class Kind { Group, Item, Trans };
    ButtonLabel(Kind kind, int index, QWidget* parent);
    Kind kind() const { return m_kind; }
    int index() const { return m_index; }

signals:
    // Buttons count 1 left, 2 right, 4 middle.
    void mouseDown(int index, int button, float x, float y);
    void mouseMove(int index, int buttons, float x, float y, QPoint global);
    // The release of the pressed button; `inside` when it is over this label.
    void mouseUp(int index, bool inside, QPoint global);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Kind m_kind;
    int m_index;
    Qt::MouseButton m_pressed = Qt::NoButton;
};

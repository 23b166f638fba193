#pragma once

#include <QLabel>

// A group, item or slot button: a bordered label whose caption is the name.
// It carries its index in its array and reports mouse presses, moves and
// clicks (press and release on the label, with either button) with that
// index and with positions in twips.
class ButtonLabel final : public QLabel {
    Q_OBJECT
public:
    ButtonLabel(int index, QWidget* parent);
    int index() const { return m_index; }

signals:
    void mouseDown(int index, int button, float x, float y);
    void mouseMove(int index, int button, float x, float y);
    void clicked(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_index;
    Qt::MouseButton m_pressed = Qt::NoButton;
};

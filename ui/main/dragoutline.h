#pragma once

#include <QWidget>

// A transparent layer over the whole main window that draws the plain
// outline of a dragged button where the pointer takes it. It lies above
// every control, the note text included, and lets every mouse event through.
class DragOutline final : public QWidget {
    Q_OBJECT
public:
    explicit DragOutline(QWidget* parent);
    // Shows the outline at `rect`, in the parent's coordinates.
    void showAt(const QRect& rect);
    QRect outline() const { return m_rect; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect m_rect;
};

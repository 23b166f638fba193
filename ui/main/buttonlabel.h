#pragma once

#include <QLabel>

// A group, item or slot button: a bordered label whose caption is the name.
// It carries its index in its array and reports mouse presses, moves and
// releases with that index, positions in twips within the label and the
// pointer's place on the screen (a pressed label keeps the mouse, so moves
// and the release of a drag come here wherever the pointer is).
//
// It takes the focus from the keyboard only (a click leaves the focus in
// the note), shows it with a dotted outline, and reports the keys a focused
// button acts on. Screen readers see it as a button (see AccessibleButton).
class ButtonLabel final : public QLabel {
    Q_OBJECT
public:
    enum class Kind { Group, Item, Trans };
    ButtonLabel(Kind kind, int index, QWidget* parent);
    Kind kind() const { return m_kind; }
    int index() const { return m_index; }
    // Shows the chosen-button colour (only group and item buttons do).
    bool isHighlighted() const;
    // The name with each line break as `separator`: a button shows it on
    // one line with a pilcrow, a screen reader hears a blank.
    static QString oneLine(QString name, const QString& separator);

signals:
    // Buttons count 1 left, 2 right, 4 middle.
    void mouseDown(int index, int button, float x, float y);
    void mouseMove(int index, int buttons, float x, float y, QPoint global);
    // The release of the pressed button; `inside` when it is over this label.
    void mouseUp(int index, bool inside, QPoint global);
    // From the keyboard or a screen reader: act as a click with `button`
    // (Enter or Space 1, F2 2), open the button's menu, or move the focus
    // along the column (`key` is the arrow, Home or End pressed).
    void activated(int index, int button);
    void menuRequested(int index);
    void stepRequested(int index, int key);
    // The caption or the highlight changed on screen.
    void looksChanged(int index);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void announce();

    Kind m_kind;
    int m_index;
    Qt::MouseButton m_pressed = Qt::NoButton;
    QString m_shownCaption;
};

#pragma once

#include <QPlainTextEdit>

// A note text box. It holds only characters the store can hold: anything
// else typed or pasted is replaced by '?' at once, where the user sees it,
// so nothing changes silently when the note is saved.
class NoteBox final : public QPlainTextEdit {
    Q_OBJECT
public:
    NoteBox(int index, QWidget* parent);
    int index() const { return m_index; }

signals:
    // The box took the focus (its name for screen readers is made fresh).
    void focusEntered(int index);

protected:
    void focusInEvent(QFocusEvent* event) override;
    // Text leaves the box with CR LF line breaks and may come in with any of
    // CR LF, LF or CR: also by the box's own menu, keys and middle click.
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void onContentsChange(int position, int removed, int added);

    int m_index;
    bool m_fixing = false;
};

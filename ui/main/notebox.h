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

private:
    void onContentsChange(int position, int removed, int added);

    int m_index;
    bool m_fixing = false;
};

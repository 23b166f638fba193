#include "ui/main/nameedit.h"

#include "core/codepage.h"
#include "core/nameindex.h"

NameEdit::NameEdit(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(NameIndex::FieldSize);
    setFrame(true);
    connect(this, &QLineEdit::textEdited, this, &NameEdit::onTextEdited);
}

void NameEdit::onTextEdited(const QString& text) {
    const QString held = CodePage::sanitize(text);
    if (held != text) {
        const int at = cursorPosition();
        setText(held);
        setCursorPosition(qMin(at, static_cast<int>(held.size())));
    }
}

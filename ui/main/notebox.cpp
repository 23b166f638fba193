#include "ui/main/notebox.h"

#include "core/codepage.h"
#include "core/textfile.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

NoteBox::NoteBox(int index, QWidget* parent) : QPlainTextEdit(parent), m_index(index) {
    setObjectName(QStringLiteral("Txt%1").arg(index));
    setTabChangesFocus(false);
    connect(document(), &QTextDocument::contentsChange, this, &NoteBox::onContentsChange);
}

void NoteBox::onContentsChange(int position, int /*removed*/, int added) {
    if (m_fixing || added <= 0) {
        return;
    }
    QTextCursor cursor(document());
    cursor.setPosition(position);
    cursor.setPosition(qMin(position + added, document()->characterCount() - 1),
                       QTextCursor::KeepAnchor);
    const QString inserted = cursor.selectedText();
    // A line break within a paragraph (Shift+Enter) is an ordinary line
    // break in a note.
    QString held = inserted;
    held.replace(QChar::LineSeparator, QLatin1Char('\n'));
    held = CodePage::sanitize(held);
    if (held == inserted) {
        return;
    }
    m_fixing = true;
    cursor.insertText(held);
    m_fixing = false;
}

QMimeData* NoteBox::createMimeDataFromSelection() const {
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    auto* mime = new QMimeData;
    mime->setText(TextFile::withCrLf(text));
    return mime;
}

void NoteBox::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText()) {
        insertPlainText(TextFile::normaliseBreaks(source->text()));
    }
}

void NoteBox::focusInEvent(QFocusEvent* event) {
    emit focusEntered(m_index);
    QPlainTextEdit::focusInEvent(event);
}

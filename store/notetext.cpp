#include "store/notetext.h"

#include <QPlainTextEdit>
#include <QTextDocument>

QString NoteText::get(const QPlainTextEdit* box) {
    QString text = box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void NoteText::set(QPlainTextEdit* box, const QString& text) {
    if (get(box) != text) {
        box->setPlainText(text);
    }
}

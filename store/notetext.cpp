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

QString NoteText::shown(const QString& text) {
    if (!text.contains(QLatin1Char('\r'))) {
        return text;
    }
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

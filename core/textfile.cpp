#include "core/textfile.h"

#include "core/codepage.h"

#include <QStringDecoder>

QString TextFile::normaliseBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString TextFile::decode(const QByteArray& bytes) {
    // The decoder keeps a leading mark, so exactly one is dropped below and a
    // U+FEFF that belongs to the text stays.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        text = CodePage::decode(bytes);
    } else if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1); // a byte-order mark is no part of the note
    }
    return normaliseBreaks(text);
}

QString TextFile::withCrLf(QString text) {
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

QByteArray TextFile::encode(const QString& text) {
    QString crlf = withCrLf(text);
    // Reading drops one leading byte-order mark; a text that begins with
    // U+FEFF of its own gets one written before it, so that it reads back whole.
    if (crlf.startsWith(QChar(0xFEFF))) {
        crlf.prepend(QChar(0xFEFF));
    }
    return crlf.toUtf8();
}

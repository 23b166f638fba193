#include "store/textfile.h"

#include "store/codepage.h"

#include <QStringDecoder>

QString TextFile::normaliseBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString TextFile::decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
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
    return withCrLf(text).toUtf8();
}

#pragma once

#include <QByteArray>
#include <QString>

// The store's 8-bit code page: Windows-1252, one byte per character.
// Every byte 0x00..0xFF decodes to exactly one character and encodes back to
// the same byte (the five bytes the code page leaves undefined map to the C1
// control of the same number), so reading and rewriting a file never changes it.
class CodePage final {
public:
    static QString decode(const QByteArray& bytes);
    // Characters that cannot be held are written as '?'. Callers keep such
    // characters out of the text boxes in the first place (sanitize), so this
    // fallback is never reached from the user interface.
    static QByteArray encode(const QString& text);
    static bool canHold(QChar c);
    // Replaces every character the code page cannot hold by '?'.
    // Paragraph separators (line breaks inside a text document) are kept.
    static QString sanitize(const QString& text);

    static constexpr char16_t Replacement = u'?';
};

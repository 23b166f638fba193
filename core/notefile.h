#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A note file (quil<g>.<i>, trans.<n>) of length L: bytes 0..L-3 are the
// text in the store's code page with CR LF line breaks and no terminator;
// bytes L-2..L-1 are the note's word-wrap flag, a 16-bit little-endian
// integer (1 wrapped, 0 not). An empty note is a 2-byte file.
//
// In memory the text uses "\n" line breaks, as the text boxes hold it: CR LF,
// and a lone CR or LF that another program wrote, each read as one "\n".
class NoteFile final {
public:
    struct Content {
        QString text;
        std::optional<qint16> wordWrap; // absent in a damaged 1-byte file
    };

    static QByteArray encode(const QString& text, qint16 wordWrap);
    // A damaged 1-byte file is read as far as it goes: its byte as the text.
    static Content decode(const QByteArray& bytes);
    // The two parts of a note file, undecoded: the text's bytes and the flag
    // (read as `decode` reads them).
    static QByteArray textBytes(const QByteArray& bytes);
    static std::optional<qint16> wordWrapOf(const QByteArray& bytes);

    static QByteArray toFileText(const QString& text);
    static QString fromFileText(const QByteArray& bytes);
};

#pragma once

#include <QByteArray>
#include <QString>

// Ordinary text files exchanged with other programs. They are read as UTF-8
// when their bytes are valid UTF-8 and as Windows-1252 otherwise, with any of
// CR LF, LF or CR as line breaks; they are written as UTF-8 with CR LF.
// In memory the text has "\n" line breaks, as the note boxes hold it.
class TextFile final {
public:
    static QString decode(const QByteArray& bytes);
    static QByteArray encode(const QString& text);
    // Any of CR LF, LF or CR becomes "\n".
    static QString normaliseBreaks(QString text);
    // "\n" becomes CR LF, as text leaves the program (files, the clipboard).
    static QString withCrLf(QString text);
};

#pragma once

#include <QString>

class QPlainTextEdit;

// The text of a note box exactly as typed, with "\n" line breaks. (The
// document's own plain-text export turns no-break spaces into blanks, which
// would change the note's bytes.)
class NoteText final {
public:
    static QString get(const QPlainTextEdit* box);
    static void set(QPlainTextEdit* box, const QString& text);
    // The text a box holds once `text` is set into it: the box breaks the
    // line at a lone CR too, and at CR LF only once.
    static QString shown(const QString& text);
};

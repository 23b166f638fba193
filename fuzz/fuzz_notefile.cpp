// Note files quil<g>.<i> and trans.<n>: the text, then a 16-bit little-endian
// word-wrap flag. The text comes out as the note box holds it: every line
// break of the file (CR LF, or a lone CR or LF written by another program)
// becomes "\n", and no CR is left. Writing it back gives the file's bytes
// with every line break as CR LF, which is the file itself when all its
// breaks were CR LF already.
#include "fuzzcheck.h"
#include "core/codepage.h"
#include "core/notefile.h"

#include <QtEndian>

namespace {

// The file's text with each line break written as `lineBreak`.
QByteArray withBreaks(const QByteArray& text, const char* lineBreak) {
    QByteArray out;
    for (qsizetype k = 0; k < text.size(); ++k) {
        const char c = text.at(k);
        if (c == '\r' || c == '\n') {
            out.append(lineBreak);
            if (c == '\r' && k + 1 < text.size() && text.at(k + 1) == '\n') {
                ++k;
            }
        } else {
            out.append(c);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray in = fuzz::bytes(data, size);
    const NoteFile::Content c = NoteFile::decode(in);
    FUZZ_CHECK(!c.text.contains(QLatin1Char('\r')));
    if (in.size() < 2) {
        // A damaged 1-byte file: its byte is the text, and there is no flag.
        FUZZ_CHECK(!c.wordWrap.has_value());
        FUZZ_CHECK(c.text == CodePage::decode(withBreaks(in, "\n")));
        return 0;
    }
    const QByteArray text = in.left(in.size() - 2);
    const QByteArray flag = in.right(2);
    FUZZ_CHECK(c.wordWrap == qFromLittleEndian<qint16>(flag.constData()));
    FUZZ_CHECK(c.text == CodePage::decode(withBreaks(text, "\n")));

    // The file itself whenever all its line breaks are CR LF.
    const QByteArray rewritten = NoteFile::encode(c.text, *c.wordWrap);
    FUZZ_CHECK(rewritten == withBreaks(text, "\r\n") + flag);
    // What the program writes reads back as it was.
    const NoteFile::Content again = NoteFile::decode(rewritten);
    FUZZ_CHECK(again.text == c.text && again.wordWrap == c.wordWrap);
    return 0;
}

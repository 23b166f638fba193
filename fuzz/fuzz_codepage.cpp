// The store's code page: every byte string decodes to as many characters the
// code page can hold and encodes back to itself; any text encodes to one byte a
// character, '?' for a character the code page cannot hold.
#include "fuzzcheck.h"
#include "core/codepage.h"

namespace {

void checkBytes(const QByteArray& in) {
    const QString text = CodePage::decode(in);
    FUZZ_CHECK(text.size() == in.size());
    for (const QChar c : text) {
        FUZZ_CHECK(CodePage::canHold(c));
    }
    FUZZ_CHECK(CodePage::encode(text) == in);
    FUZZ_CHECK(CodePage::sanitize(text) == text);
}

void checkText(const QString& text) {
    const QByteArray out = CodePage::encode(text);
    FUZZ_CHECK(out.size() == text.size());
    const QString back = CodePage::decode(out);
    for (qsizetype k = 0; k < text.size(); ++k) {
        FUZZ_CHECK(back.at(k) == (CodePage::canHold(text.at(k)) ? text.at(k) : QChar(u'?')));
    }
    // One '?' for each character that cannot be held, a surrogate pair being
    // one character; paragraph separators stay for the note box.
    const QString held = CodePage::sanitize(text);
    qsizetype expectedSize = text.size();
    for (qsizetype k = 0; k + 1 < text.size(); ++k) {
        if (text.at(k).isHighSurrogate() && text.at(k + 1).isLowSurrogate()) {
            --expectedSize;
            ++k;
        }
    }
    FUZZ_CHECK(held.size() == expectedSize);
    for (const QChar c : held) {
        FUZZ_CHECK(CodePage::canHold(c) || c == QChar::ParagraphSeparator);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray in = fuzz::bytes(data, size);
    checkBytes(in);
    checkText(fuzz::units(in));
    return 0;
}

// Text files from other programs: any bytes read as text with "\n" line
// breaks and no CR, and any text without CR that is written to a text file
// reads back exactly.
#include "fuzzcheck.h"
#include "core/textfile.h"

namespace {

void checkRoundTrip(const QString& text) {
    FUZZ_CHECK(TextFile::decode(TextFile::encode(text)) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray in = fuzz::bytes(data, size);
    const QString read = TextFile::decode(in);
    FUZZ_CHECK(!read.contains(QLatin1Char('\r')));
    FUZZ_CHECK(read.isValidUtf16());
    checkRoundTrip(read);

    // The bytes as UTF-8 (invalid sequences as U+FFFD) and as UTF-16: texts
    // that need not look like anything a file gave.
    QString utf8 = QString::fromUtf8(in);
    utf8.remove(QLatin1Char('\r'));
    checkRoundTrip(utf8);
    QString utf16 = fuzz::units(in);
    if (utf16.isValidUtf16()) {
        utf16.remove(QLatin1Char('\r'));
        checkRoundTrip(utf16);
    }
    return 0;
}

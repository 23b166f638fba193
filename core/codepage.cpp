#include "core/codepage.h"

#include <array>

namespace {

// 0x80..0x9F of Windows-1252. Undefined positions keep their own C1 control.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int byteFor(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        return u;
    }
    for (int k = 0; k < 32; ++k) {
        if (kHigh[static_cast<size_t>(k)] == u) {
            return 0x80 + k;
        }
    }
    return -1;
}

} // namespace

QString CodePage::decode(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *dst++ = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80U] : char16_t(b));
    }
    return out;
}

QByteArray CodePage::encode(const QString& text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (const QChar c : text) {
        const int b = byteFor(c.unicode());
        *dst++ = static_cast<char>(b < 0 ? Replacement : b);
    }
    return out;
}

bool CodePage::canHold(QChar c) {
    return byteFor(c.unicode()) >= 0;
}

QString CodePage::sanitize(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text.at(k);
        if (c == QChar::ParagraphSeparator || canHold(c)) {
            out.append(c);
            continue;
        }
        // One mark for one character, even where it takes two code units.
        if (c.isHighSurrogate() && k + 1 < text.size() && text.at(k + 1).isLowSurrogate()) {
            ++k;
        }
        out.append(QChar(Replacement));
    }
    return out;
}

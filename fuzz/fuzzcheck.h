#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken promise ends the run as a crash does, so libFuzzer keeps the input
// that broke it.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

// The fuzzer's buffer itself, not a copy: a read past its end is a sanitizer
// report, not a quiet read of a copy's terminating zero.
inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                   static_cast<qsizetype>(size));
}

// Any sequence of UTF-16 code units, lone surrogates included: what a string
// handed in from elsewhere may hold. An odd last byte is dropped.
inline QString units(const QByteArray& b) {
    QString s;
    s.reserve(b.size() / 2);
    for (qsizetype k = 0; k + 1 < b.size(); k += 2) {
        s.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(b.at(k)) |
                                             static_cast<unsigned char>(b.at(k + 1)) << 8)));
    }
    return s;
}

} // namespace fuzz

// The name indexes "trans.dir" (12 names), "group.dir" (31) and items<g>.dir
// (62): any bytes give exactly `count` names of at most 40 characters without
// trailing blanks, and writing them back gives the file's bytes, where a short
// file comes back padded with blanks and a long one cut to its full length.
#include "fuzzcheck.h"
#include "core/nameindex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray in = fuzz::bytes(data, size);
    for (const int count : {12, 31, 62}) {
        const QStringList names = NameIndex::decode(in, count);
        FUZZ_CHECK(names.size() == count);
        for (const QString& name : names) {
            FUZZ_CHECK(name.size() <= NameIndex::FieldSize);
            FUZZ_CHECK(!name.endsWith(QLatin1Char(' ')));
            FUZZ_CHECK(NameIndex::trimmed(name) == name);
        }
        const qsizetype full = qsizetype(count) * NameIndex::FieldSize;
        QByteArray expected = in.left(full);
        expected.append(full - expected.size(), ' ');
        FUZZ_CHECK(NameIndex::encode(names) == expected);
    }
    return 0;
}

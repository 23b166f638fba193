// The settings record "quillo.ini": only a file of exactly 366 bytes is read,
// and a record that reads writes back the bytes it came from, except that a
// selected group or item outside 0..30 / 0..61 is read as 0 (it would select a
// control that does not exist).
#include "core/settingsrecord.h"
#include "fuzzcheck.h"

#include <QtEndian>

namespace {

// The bytes the program writes back after reading `in`: the selection indexes
// at 0..63 outside their ranges become 0, every other byte stays.
QByteArray expectedRewrite(const QByteArray& in) {
    QByteArray out = in;
    for (int at = 0; at < 64; at += 2) {
        const auto v = qFromLittleEndian<qint16>(in.constData() + at);
        const int highest = at == 0 ? 30 : 61;
        if (v < 0 || v > highest) {
            out[at] = 0;
            out[at + 1] = 0;
        }
    }
    return out;
}

void checkRecord(const QByteArray& in) {
    const std::optional<SettingsRecord> r = SettingsRecord::fromBytes(in);
    FUZZ_CHECK(r.has_value());
    FUZZ_CHECK(r->NetworkFolder.size() == SettingsRecord::FolderLength);
    FUZZ_CHECK(r->ChangePassword.size() == SettingsRecord::PasswordLength);
    FUZZ_CHECK(r->currentItem() >= 0 && r->currentItem() <= 61);
    const QByteArray out = r->toBytes();
    FUZZ_CHECK(out == expectedRewrite(in));
    // What was written once reads and writes back unchanged.
    FUZZ_CHECK(SettingsRecord::fromBytes(out)->toBytes() == out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray in = fuzz::bytes(data, size);
    const bool whole = in.size() == SettingsRecord::Size;
    FUZZ_CHECK(SettingsRecord::fromBytes(in).has_value() == whole);
    if (whole) {
        checkRecord(in);
    } else {
        // Any other length still gives a record to check: cut or padded with blanks.
        QByteArray fitted = in.left(SettingsRecord::Size);
        fitted.append(SettingsRecord::Size - fitted.size(), ' ');
        checkRecord(fitted);
    }
    return 0;
}

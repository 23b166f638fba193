#pragma once

#include <QString>

#include <random>

// What the soak's copies and its model share: the note text a seed stands
// for. Lengths run from nothing to `maxLength` (mostly short, now and then
// long), in lines of the characters the store holds.
inline QString soakText(quint64 seed, int maxLength) {
    std::mt19937_64 rng(seed);
    const auto pick = [&rng](int n) {
        return static_cast<int>(std::uniform_int_distribution<int>(0, n - 1)(rng));
    };
    const int kind = pick(100);
    const int cap = kind < 30 ? 100 : kind < 80 ? 4000 : kind < 95 ? 65536 : 1 << 20;
    const int length = pick(std::min(cap, maxLength) + 1);
    static const QString alphabet =
        QStringLiteral("abcdefghijklmnopqrstuvwxyz ABCDEFGHIJ 0123456789 .,;:!?-\t"
                       "\u00e9\u00fc\u00df\u20ac\u2019");
    QString text;
    text.reserve(length);
    while (text.size() < length) {
        if (pick(60) == 0) {
            text.append(QLatin1Char('\n'));
        } else {
            text.append(alphabet.at(pick(static_cast<int>(alphabet.size()))));
        }
    }
    return text;
}

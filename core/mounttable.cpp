#include "core/mounttable.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

bool isDigits(const QByteArray& s) {
    return !s.isEmpty() && std::ranges::all_of(s, [](char c) { return c >= '0' && c <= '9'; });
}

// "major:minor", both decimal.
bool isDevice(const QByteArray& s) {
    const qsizetype colon = s.indexOf(':');
    return colon > 0 && isDigits(s.left(colon)) && isDigits(s.mid(colon + 1));
}

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

// The kernel writes blank, tab, newline and backslash inside a field as \ooo.
// A backslash not followed by three octal digits of one byte stays as it is.
QString unescape(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    const qsizetype n = field.size();
    for (qsizetype k = 0; k < n; ++k) {
        const char c = field.at(k);
        if (c == '\\' && n - k >= 4 && field.at(k + 1) >= '0' && field.at(k + 1) <= '3' &&
            isOctal(field.at(k + 2)) && isOctal(field.at(k + 3))) {
            out.append(static_cast<char>(((field.at(k + 1) - '0') << 6) |
                                         ((field.at(k + 2) - '0') << 3) | (field.at(k + 3) - '0')));
            k += 3;
        } else {
            out.append(c);
        }
    }
    return QFile::decodeName(out);
}

} // namespace

std::optional<MountEntry> MountTable::parseLine(const QByteArray& line) {
    QByteArray text = line;
    while (!text.isEmpty() && (text.back() == '\n' || text.back() == '\r')) {
        text.chop(1);
    }
    // Fields are separated by single blanks; an empty source shows as two.
    const QList<QByteArray> f = text.split(' ');
    constexpr qsizetype firstOptional = 6;
    qsizetype sep = -1;
    for (qsizetype k = firstOptional; k < f.size(); ++k) {
        if (f.at(k) == "-") {
            sep = k;
            break;
        }
    }
    // Type, source and super options follow the separator; later kernels
    // may add more fields after them.
    if (sep < 0 || f.size() - sep < 4) {
        return std::nullopt;
    }
    if (!isDigits(f.at(0)) || !isDigits(f.at(1)) || !isDevice(f.at(2)) || f.at(3).isEmpty() ||
        !f.at(4).startsWith('/') || f.at(5).isEmpty() || f.at(sep + 1).isEmpty()) {
        return std::nullopt;
    }
    for (qsizetype k = firstOptional; k < sep; ++k) {
        if (f.at(k).isEmpty()) {
            return std::nullopt;
        }
    }
    MountEntry e;
    e.mountPoint = unescape(f.at(4));
    e.options = unescape(f.at(5));
    e.fsType = unescape(f.at(sep + 1));
    e.source = unescape(f.at(sep + 2));
    e.superOptions = unescape(f.at(sep + 3));
    return e;
}

QList<MountEntry> MountTable::parse(const QByteArray& mountinfo) {
    QList<MountEntry> entries;
    for (const QByteArray& line : mountinfo.split('\n')) {
        if (auto e = parseLine(line)) {
            entries.append(std::move(*e));
        }
    }
    return entries;
}

QList<MountEntry> MountTable::current() {
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return parse(f.readAll());
}

std::optional<MountEntry> MountTable::containing(const QList<MountEntry>& mounts,
                                                 const QString& path) {
    const QString p = QDir::cleanPath(path);
    if (!p.startsWith(QLatin1Char('/'))) {
        return std::nullopt;
    }
    std::optional<MountEntry> best;
    qsizetype bestLength = -1;
    for (const MountEntry& m : mounts) {
        const QString mp = QDir::cleanPath(m.mountPoint);
        if (!mp.startsWith(QLatin1Char('/'))) {
            continue;
        }
        const bool inside =
            mp.size() == 1 || p == mp || (p.startsWith(mp) && p.at(mp.size()) == QLatin1Char('/'));
        // A later mount on the same point hides the earlier one.
        if (inside && mp.size() >= bestLength) {
            best = m;
            bestLength = mp.size();
        }
    }
    return best;
}

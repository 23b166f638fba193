// The kernel's mount table (/proc/self/mountinfo), the mount that holds a
// folder, and the check of that mount's locking. Any bytes give entries or
// nothing; an entry written back as a mount line reads as the same entry; the
// mount found for a path is the deepest one whose mount point holds it.
#include "fuzzcheck.h"
#include "core/mounttable.h"
#include "core/sharecheck.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace {

// A field as the kernel writes it, with every character that would end or
// split a field or the line written as \ooo.
QByteArray escaped(const QString& field) {
    QByteArray out;
    for (const char c : QFile::encodeName(field)) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\\') {
            const auto b = static_cast<unsigned char>(c);
            out.append('\\').append(char('0' + (b >> 6))).append(char('0' + ((b >> 3) & 7)));
            out.append(char('0' + (b & 7)));
        } else {
            out.append(c);
        }
    }
    return out;
}

bool same(const MountEntry& a, const MountEntry& b) {
    return a.mountPoint == b.mountPoint && a.fsType == b.fsType && a.source == b.source &&
           a.options == b.options && a.superOptions == b.superOptions;
}

void checkEntry(const MountEntry& e) {
    FUZZ_CHECK(e.mountPoint.startsWith(QLatin1Char('/')));
    FUZZ_CHECK(!e.options.isEmpty() && !e.fsType.isEmpty());
    const QByteArray line = "36 35 98:0 / " + escaped(e.mountPoint) + ' ' + escaped(e.options) +
                            " shared:1 - " + escaped(e.fsType) + ' ' + escaped(e.source) + ' ' +
                            escaped(e.superOptions) + '\n';
    const std::optional<MountEntry> again = MountTable::parseLine(line);
    FUZZ_CHECK(again && same(*again, e));
    const QString risk = ShareCheck::risk(e);
    if (!risk.isEmpty()) {
        FUZZ_CHECK(ShareCheck::warning(e.mountPoint, risk).contains(risk));
    }
}

QStringList components(const QString& cleanPath) {
    return cleanPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

// True when the mount point's components begin the path's.
bool holds(const MountEntry& m, const QStringList& path) {
    const QString mp = QDir::cleanPath(m.mountPoint);
    const QStringList parts = components(mp);
    return mp.startsWith(QLatin1Char('/')) && parts.size() <= path.size() &&
           path.mid(0, parts.size()) == parts;
}

void checkContaining(const QList<MountEntry>& mounts, const QString& path) {
    const std::optional<MountEntry> found = MountTable::containing(mounts, path);
    const QString clean = QDir::cleanPath(path);
    if (!clean.startsWith(QLatin1Char('/'))) {
        FUZZ_CHECK(!found);
        return;
    }
    const QStringList parts = components(clean);
    bool anyHolds = false;
    for (const MountEntry& m : mounts) {
        anyHolds = anyHolds || holds(m, parts);
    }
    FUZZ_CHECK(found.has_value() == anyHolds);
    if (!found) {
        return;
    }
    FUZZ_CHECK(holds(*found, parts));
    const qsizetype depth = components(QDir::cleanPath(found->mountPoint)).size();
    for (const MountEntry& m : mounts) {
        FUZZ_CHECK(!holds(m, parts) || components(QDir::cleanPath(m.mountPoint)).size() <= depth);
    }
    ShareCheck::risk(*found);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray in = fuzz::bytes(data, size);
    const QList<MountEntry> mounts = MountTable::parse(in);
    qsizetype parsedLines = 0;
    const QList<QByteArray> lines = in.split('\n');
    for (const QByteArray& line : lines) {
        if (const std::optional<MountEntry> e = MountTable::parseLine(line)) {
            FUZZ_CHECK(parsedLines < mounts.size() && same(*e, mounts.at(parsedLines)));
            ++parsedLines;
        }
    }
    FUZZ_CHECK(parsedLines == mounts.size());

    QStringList paths = {QStringLiteral("/"), QFile::decodeName(lines.last())};
    for (const MountEntry& e : mounts) {
        checkEntry(e);
        paths << e.mountPoint << e.mountPoint + QStringLiteral("/x")
              << e.mountPoint + QStringLiteral("x");
    }
    for (const QString& path : paths) {
        checkContaining(mounts, path);
    }
    return 0;
}

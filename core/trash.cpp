#include "core/trash.h"

#include "core/filelayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kMagic[] = "QTRASH1";

// Names may hold line breaks (an item named after its note's first line).
QByteArray text(const QString& s) {
    return s.toUtf8().toPercentEncoding(" /");
}

QString fromText(const QByteArray& b) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(b));
}

QByteArray manifest(const Trash::Entry& e) {
    QByteArray b = QByteArray(kMagic) + '\n' + QByteArray::number(e.run) + '\n' +
                   (e.kind == Trash::Kind::Group ? "group" : "item") + '\n';
    b += text(e.storeFolder) + '\n' + QByteArray::number(e.group) + ' ' +
         QByteArray::number(e.item) + '\n';
    return b + text(e.groupName) + '\n' + text(e.itemName) + '\n';
}

std::optional<Trash::Entry> parse(const QByteArray& bytes, const QString& folder) {
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() != 8 || lines[0] != kMagic || (lines[2] != "group" && lines[2] != "item")) {
        return std::nullopt;
    }
    const QList<QByteArray> place = lines[4].split(' ');
    Trash::Entry e;
    bool ok[3] = {false, false, false};
    e.run = lines[1].toInt(&ok[0]);
    if (place.size() == 2) {
        e.group = place[0].toInt(&ok[1]);
        e.item = place[1].toInt(&ok[2]);
    }
    if (!ok[0] || !ok[1] || !ok[2] || e.group < 0 || e.group > 30 || e.item < 0 || e.item > 61) {
        return std::nullopt;
    }
    e.kind = lines[2] == "group" ? Trash::Kind::Group : Trash::Kind::Item;
    e.storeFolder = fromText(lines[3]);
    e.groupName = fromText(lines[5]);
    e.itemName = fromText(lines[6]);
    e.folder = folder;
    return e;
}

} // namespace

Trash::Trash(const QString& appFolder) : m_folder(appFolder + QStringLiteral("trash/")) {}

void Trash::startRun() {
    const ReadResult r = FileLayer::readAll(m_folder + QStringLiteral("run"));
    m_run = r.data.trimmed().toInt() + 1;
    // Private: it holds the user's notes, and the program folder may not be.
    // A link or another account's folder under its name is not used.
    m_usable = false;
    struct stat st {};
    if (!QDir().mkpath(m_folder) ||
        ::lstat(QFile::encodeName(m_folder.chopped(1)).constData(), &st) != 0 ||
        !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        ::chmod(QFile::encodeName(m_folder).constData(), 0700) != 0 ||
        !FileLayer::writeAtomic(m_folder + QStringLiteral("run"), QByteArray::number(m_run),
                                0600)) {
        return; // nothing can be kept; erasing says so when it comes to it
    }
    m_usable = true;
    for (int n : numbers()) {
        const QString folder = m_folder + QString::number(n) + QLatin1Char('/');
        const ReadResult kept = FileLayer::readAll(folder + QStringLiteral("manifest"));
        const std::optional<Entry> e = parse(kept.data, folder);
        if (!e || e->run < m_run - 1) {
            QDir(folder).removeRecursively();
        }
    }
}

QList<int> Trash::numbers() const {
    QList<int> found;
    const QStringList names = QDir(m_folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool ok = false;
        const int n = name.toInt(&ok);
        if (ok && n > 0) {
            found.append(n);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

FileResult Trash::keep(Entry& e, const Files& files) {
    const QList<int> used = numbers();
    e.run = m_run;
    e.folder = m_folder + QString::number(used.isEmpty() ? 1 : used.last() + 1) + QLatin1Char('/');
    errno = 0;
    if (!m_usable || !QDir().mkpath(e.folder)) {
        return FileResult::failure(QStringLiteral("make the folder"), e.folder,
                                   errno ? errno : EIO);
    }
    for (const auto& [name, from] : files) {
        if (!QFileInfo::exists(from)) {
            continue;
        }
        const FileResult copied = FileLayer::keepCopy(from, e.file(name));
        if (!copied) {
            drop(e);
            return copied;
        }
    }
    return FileResult::success();
}

FileResult Trash::seal(const Entry& e) const {
    const FileResult written =
        FileLayer::writeAtomic(e.file(QStringLiteral("manifest")), manifest(e), 0600);
    if (!written) {
        drop(e);
    }
    return written;
}

std::optional<Trash::Entry> Trash::last() const {
    QList<int> found = numbers();
    while (!found.isEmpty()) {
        const QString folder = m_folder + QString::number(found.takeLast()) + QLatin1Char('/');
        const ReadResult kept = FileLayer::readAll(folder + QStringLiteral("manifest"));
        if (std::optional<Entry> e = parse(kept.data, folder)) {
            return e;
        }
    }
    return std::nullopt;
}

void Trash::drop(const Entry& e) const {
    QDir(e.folder).removeRecursively();
}

#include "windowcopy.h"

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "core/notefile.h"

#include <QDir>
#include <QRegularExpression>

#include <functional>

namespace {

void checkIndex(const QString& folder, const QString& index, int count,
                const std::function<QString(int)>& note, const std::function<QString(int)>& key,
                const QSet<QString>& typed, QStringList& out) {
    const ReadResult r = FileLayer::readAll(folder + index);
    const QStringList names = NameIndex::decode(r.data, count);
    for (int k = 0; k < count; ++k) {
        const ReadResult n = FileLayer::readAll(folder + note(k));
        if (!n.exists || n.data.isEmpty()) {
            continue;
        }
        const QString name = names.at(k);
        const QString text = NoteFile::decode(n.data).text;
        // A kept "(mine)" note is named after the note on screen when the
        // other copy's text came: it holds this copy's own text.
        const bool mine = name.endsWith(QStringLiteral(" (mine)")) && lastWriter(text) >= 0;
        const bool typedHere = typed.contains(key(k) + QLatin1Char('\t') + text);
        if (!mine && !typedHere && (name.isEmpty() || !text.startsWith(name))) {
            out.append(QStringLiteral("%1 holds \"%2\" under the name \"%3\"")
                           .arg(note(k), text.left(60), names.at(k)));
        }
    }
}

} // namespace

QStringList namesAndNotesDisagree(const QString& folder, const QSet<QString>& typed) {
    QStringList out;
    for (int g = 0; g < 31; ++g) {
        checkIndex(
            folder, QStringLiteral("items%1.dir").arg(g), 62,
            [g](int i) { return QStringLiteral("quil%1.%2").arg(g).arg(i); },
            [&folder, g](int i) { return QStringLiteral("%1|%2|%3").arg(folder).arg(g).arg(i); },
            typed, out);
    }
    checkIndex(
        folder, QStringLiteral("trans.dir"), 12,
        [](int n) { return QStringLiteral("trans.%1").arg(n); }, [](int) { return QString(); },
        typed, out);
    return out;
}

QMap<QString, QByteArray> localStoreFiles(const QString& folder) {
    QMap<QString, QByteArray> files;
    static const QRegularExpression store(
        QStringLiteral("^(group\\.dir|items\\d+\\.dir|quil\\d+\\.\\d+)$"));
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (store.match(name).hasMatch()) {
            files.insert(name, FileLayer::readAll(folder + name).data);
        }
    }
    return files;
}

int lastWriter(const QString& text) {
    static const QRegularExpression mark(QStringLiteral("c(\\d+)n\\d+\\s*$"));
    const QRegularExpressionMatch m = mark.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

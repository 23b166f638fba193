#include "windowcopy.h"

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "core/notefile.h"

#include <QRegularExpression>

namespace {

// The notes `<notes><k>` against the names in `index`; `typedAt` + k is
// where a copy's typing into that note is logged (empty for the slots).
void checkIndex(const QString& folder, const QString& index, const QString& notes, int count,
                const QString& typedAt, const QSet<QString>& typed, QStringList& out) {
    // The mark each soak text ends with: "c<copy>n<count>".
    static const QRegularExpression mark(QStringLiteral("c\\d+n\\d+\\s*$"));
    const QStringList names = NameIndex::decode(FileLayer::readAll(folder + index).data, count);
    for (int k = 0; k < count; ++k) {
        const ReadResult n = FileLayer::readAll(folder + notes + QString::number(k));
        if (!n.exists || n.data.isEmpty()) {
            continue;
        }
        const QString name = names.at(k);
        const QString text = NoteFile::decode(n.data).text;
        // A kept "(mine)" note is named after the note on screen when the
        // other copy's text came: it holds this copy's own text.
        const bool mine = name.endsWith(QStringLiteral(" (mine)")) && mark.match(text).hasMatch();
        const bool typedHere =
            !typedAt.isEmpty() && typed.contains(typedAt + QString::number(k) + '\t' + text);
        if (!mine && !typedHere && (name.isEmpty() || !text.startsWith(name))) {
            out.append(QStringLiteral("%1%2 holds \"%3\" under the name \"%4\"")
                           .arg(notes)
                           .arg(k)
                           .arg(text.left(60), name));
        }
    }
}

} // namespace

QStringList namesAndNotesDisagree(const QString& folder, const QSet<QString>& typed) {
    QStringList out;
    for (int g = 0; g < 31; ++g) {
        checkIndex(folder, QStringLiteral("items%1.dir").arg(g), QStringLiteral("quil%1.").arg(g),
                   62, QStringLiteral("%1|%2|").arg(folder).arg(g), typed, out);
    }
    checkIndex(folder, QStringLiteral("trans.dir"), QStringLiteral("trans."), 12, QString(), typed,
               out);
    return out;
}

void seedStore(const QString& folder, const QStringList& groups, const QString& prefix,
               const QString& tail) {
    FileLayer::writeAtomic(folder + QStringLiteral("group.dir"), NameIndex::encode(groups));
    QStringList items;
    for (int i = 0; i < 6; ++i) {
        items.append(prefix + QString::number(i));
        FileLayer::writeAtomic(folder + QStringLiteral("quil0.%1").arg(i),
                               NoteFile::encode(items.last() + ' ' + tail, 1));
    }
    FileLayer::writeAtomic(folder + QStringLiteral("items0.dir"), NameIndex::encode(items));
}

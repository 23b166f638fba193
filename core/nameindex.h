#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// An index file ("group.dir", items<g>.dir, "trans.dir") is a plain array of
// 40-byte name fields, entry k at byte k * 40, no header. A field holds the
// name in the store's code page padded with blanks (0x20); there is no
// terminator. Trailing blanks are removed on reading, so 40 blanks is the
// empty name, which marks a free position.
class NameIndex final {
public:
    static constexpr int FieldSize = 40;

    // The name cut to 40 characters and padded with blanks.
    static QByteArray field(const QString& name);
    static QByteArray encode(const QStringList& names);
    // Reads `count` names. A damaged, short file is read as far as it goes:
    // a partial last field gives what it holds, missing fields are empty.
    static QStringList decode(const QByteArray& data, int count);
    static QString trimmed(const QString& name);
};

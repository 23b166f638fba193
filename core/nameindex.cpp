#include "core/nameindex.h"

#include "core/codepage.h"

QByteArray NameIndex::field(const QString& name) {
    QByteArray bytes = CodePage::encode(name.left(FieldSize));
    bytes.append(FieldSize - bytes.size(), ' ');
    return bytes;
}

QByteArray NameIndex::encode(const QStringList& names) {
    QByteArray out;
    out.reserve(names.size() * FieldSize);
    for (const QString& name : names) {
        out.append(field(name));
    }
    return out;
}

QStringList NameIndex::decode(const QByteArray& data, int count) {
    QStringList names;
    names.reserve(count);
    for (int k = 0; k < count; ++k) {
        const qsizetype at = qsizetype(k) * FieldSize;
        names.append(at < data.size() ? trimmed(CodePage::decode(data.mid(at, FieldSize)))
                                      : QString());
    }
    return names;
}

QString NameIndex::trimmed(const QString& name) {
    qsizetype end = name.size();
    while (end > 0 && name.at(end - 1) == QLatin1Char(' ')) {
        --end;
    }
    return name.left(end);
}

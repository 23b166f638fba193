#include "core/recoveryfile.h"

#include <QList>

QByteArray RecoveryNote::encode() const {
    const QByteArray was = base.toUtf8();
    return QByteArrayLiteral("QRCV1\n") + storeFolder.toUtf8() + '\n' + QByteArray::number(group) +
           ' ' + QByteArray::number(item) + ' ' + QByteArray::number(wordWrap) + ' ' +
           QByteArray::number(was.size()) + '\n' + was + text.toUtf8();
}

std::optional<RecoveryNote> RecoveryNote::decode(const QByteArray& bytes) {
    const qsizetype first = bytes.indexOf('\n');
    const qsizetype second = first < 0 ? -1 : bytes.indexOf('\n', first + 1);
    const qsizetype third = second < 0 ? -1 : bytes.indexOf('\n', second + 1);
    if (third < 0 || bytes.left(first) != "QRCV1") {
        return std::nullopt;
    }
    const QList<QByteArray> numbers = bytes.mid(second + 1, third - second - 1).split(' ');
    if (numbers.size() != 4) {
        return std::nullopt;
    }
    RecoveryNote r;
    bool ok[4] = {false, false, false, false};
    r.group = numbers[0].toInt(&ok[0]);
    r.item = numbers[1].toInt(&ok[1]);
    r.wordWrap = static_cast<qint16>(numbers[2].toShort(&ok[2]));
    const qsizetype baseBytes = numbers[3].toLongLong(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || r.group < 0 || r.group > 30 || r.item < 0 ||
        r.item > 61 || baseBytes < 0 || baseBytes > bytes.size() - third - 1) {
        return std::nullopt;
    }
    r.storeFolder = QString::fromUtf8(bytes.mid(first + 1, second - first - 1));
    r.base = QString::fromUtf8(bytes.mid(third + 1, baseBytes));
    r.text = QString::fromUtf8(bytes.mid(third + 1 + baseBytes));
    return r;
}

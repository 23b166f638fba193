#include "core/settingsrecord.h"

#include "core/codepage.h"

#include <QtEndian>

namespace {

QString fixedLength(const QString& s, int length) {
    QString out = s.left(length);
    out.append(QString(length - out.size(), QLatin1Char(' ')));
    return out;
}

class Writer {
public:
    explicit Writer(QByteArray& out) : m_out(out) {}
    void i16(qint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        m_out.append(b, 2);
    }
    void i32(qint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        m_out.append(b, 4);
    }
    void text(const QString& s, int length) {
        m_out.append(CodePage::encode(fixedLength(s, length)));
    }

private:
    QByteArray& m_out;
};

class Reader {
public:
    explicit Reader(const QByteArray& in) : m_p(in.constData()) {}
    qint16 i16() {
        const auto v = qFromLittleEndian<qint16>(m_p);
        m_p += 2;
        return v;
    }
    qint32 i32() {
        const auto v = qFromLittleEndian<qint32>(m_p);
        m_p += 4;
        return v;
    }
    QString text(int length) {
        QString s = CodePage::decode(QByteArray(m_p, length));
        m_p += length;
        return s;
    }

private:
    const char* m_p;
};

} // namespace

SettingsRecord SettingsRecord::defaults(QSize availableTwips) {
    SettingsRecord r;
    r.LargeLayout = availableTwips.width() >= LargeScreenTwips &&
                            availableTwips.height() >= LargeScreenHeightTwips
                        ? 1
                        : 0;
    return r;
}

std::optional<SettingsRecord> SettingsRecord::fromBytes(const QByteArray& bytes) {
    if (bytes.size() != Size) {
        return std::nullopt;
    }
    SettingsRecord r;
    Reader in(bytes);
    r.CurrentGroup = in.i16();
    for (qint16& item : r.CurrentItem) {
        item = in.i16();
    }
    r.GroupColor = in.i32();
    r.ItemColor = in.i32();
    r.PadColor = in.i32();
    r.TransColor = in.i32();
    r.WordWrap = in.i16();
    r.BoldText = in.i16();
    r.StartMinimised = in.i16();
    r.LargeLayout = in.i16();
    r.NetworkMode = in.i16();
    r.NetworkFolder = in.text(FolderLength);
    r.ChangePassword = in.text(PasswordLength);
    r.RefreshSeconds = in.i16();
    // An index outside its range would select a group or item that does not
    // exist; such a record was not written by the program, so start from 0.
    if (r.CurrentGroup < 0 || r.CurrentGroup > 30) {
        r.CurrentGroup = 0;
    }
    for (qint16& item : r.CurrentItem) {
        if (item < 0 || item > 61) {
            item = 0;
        }
    }
    return r;
}

QByteArray SettingsRecord::toBytes() const {
    QByteArray out;
    out.reserve(Size);
    Writer w(out);
    w.i16(CurrentGroup);
    for (const qint16 item : CurrentItem) {
        w.i16(item);
    }
    w.i32(GroupColor);
    w.i32(ItemColor);
    w.i32(PadColor);
    w.i32(TransColor);
    w.i16(WordWrap);
    w.i16(BoldText);
    w.i16(StartMinimised);
    w.i16(LargeLayout);
    w.i16(NetworkMode);
    w.text(NetworkFolder, FolderLength);
    w.text(ChangePassword, PasswordLength);
    w.i16(RefreshSeconds);
    return out;
}

void SettingsRecord::setNetworkFolder(const QString& folder) {
    NetworkFolder = fixedLength(folder, FolderLength);
}

void SettingsRecord::setChangePassword(const QString& password) {
    ChangePassword = fixedLength(password, PasswordLength);
}

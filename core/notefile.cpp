#include "core/notefile.h"

#include "core/codepage.h"

#include <QtEndian>

QByteArray NoteFile::toFileText(const QString& text) {
    QByteArray bytes = CodePage::encode(text);
    bytes.replace("\n", "\r\n");
    return bytes;
}

QString NoteFile::fromFileText(const QByteArray& bytes) {
    // A lone CR (from another program) is a line break in the note box as
    // well: read it as one, or the text read would never equal the text shown
    // and every refresh would take the note for changed by another copy.
    QByteArray copy = bytes;
    copy.replace("\r\n", "\n");
    copy.replace('\r', '\n');
    return CodePage::decode(copy);
}

QByteArray NoteFile::encode(const QString& text, qint16 wordWrap) {
    QByteArray bytes = toFileText(text);
    char flag[2];
    qToLittleEndian<qint16>(wordWrap, flag);
    bytes.append(flag, 2);
    return bytes;
}

NoteFile::Content NoteFile::decode(const QByteArray& bytes) {
    return {fromFileText(textBytes(bytes)), wordWrapOf(bytes)};
}

QByteArray NoteFile::textBytes(const QByteArray& bytes) {
    return bytes.size() < 2 ? bytes : bytes.first(bytes.size() - 2);
}

std::optional<qint16> NoteFile::wordWrapOf(const QByteArray& bytes) {
    if (bytes.size() < 2) {
        return std::nullopt;
    }
    return qFromLittleEndian<qint16>(bytes.constData() + bytes.size() - 2);
}

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Typed text not yet saved to its note, kept in the program folder (never in
// the shared store) so that a crash or a power cut does not take it along:
// "quillo.rcv", owner-only, UTF-8:
//
//   QRCV1
//   <store folder>
//   <group> <item> <word wrap> <bytes of the base text>
//   <the base text: what the note held when the changes began>
//   <the text, to the end of the file>
//
// Both texts are UTF-8 with "\n" line breaks.
struct RecoveryNote final {
    QString storeFolder;
    int group = 0;
    int item = 0;
    qint16 wordWrap = 1;
    QString base;
    QString text;

    static constexpr const char* FileName = "quillo.rcv";
    QByteArray encode() const;
    // Nothing for bytes that are not such a file.
    static std::optional<RecoveryNote> decode(const QByteArray& bytes);
};

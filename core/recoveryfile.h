#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
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

// Writes the recovery file on a thread of its own, so that typing never
// waits for the disk (a write syncs, and the program folder may be on a slow
// or network home folder). At most one write is under way; a request that
// has not begun yet is replaced by a newer one, so the newest text wins.
// Requests are carried out in the order they were made: a removal asked for
// after a write is never undone by that write landing late.
class RecoveryWriter final {
public:
    explicit RecoveryWriter(QString path);
    // Carries out what is still asked for (the newest request), then ends.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    // The note is the writer's own copy; it is encoded off the caller's thread.
    void write(RecoveryNote note);
    void remove();
    // Returns once every request made so far has been carried out.
    void settle();

private:
    struct State;
    std::unique_ptr<State> d;
};

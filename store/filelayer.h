#pragma once

#include "store/fileresult.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

struct ReadResult final {
    FileResult result;
    QByteArray data;
    bool exists = false; // a missing file reads as ok, empty and not existing
};

// Every read, write, copy, rename and delete of the program's files goes
// through here, and every outcome comes back as a value.
//
// Whole-file writes are atomic: the bytes go to a temporary file in the same
// folder, which is flushed and synced (every result checked), renamed over
// the target, and the folder is synced. A crash, a kill, a power cut or a full
// disk therefore leaves either the old file or the new one, never a torn one.
class FileLayer final {
public:
    static ReadResult readAll(const QString& path);
    // A new file gets `mode` (or the usual default); an existing one keeps
    // its permissions unless `mode` is given.
    static FileResult writeAtomic(const QString& path, const QByteArray& data,
                                  std::optional<mode_t> mode = std::nullopt);
    // Overwrites bytes in place at `offset`, creating the file if it is missing.
    static FileResult writeAt(const QString& path, qint64 offset, const QByteArray& data);
    // Copies atomically: the destination is the whole source or what it was before.
    static FileResult copy(const QString& from, const QString& to);
    // Replaces `to` by `from` in one step.
    static FileResult rename(const QString& from, const QString& to);
    // Deleting a missing file is not an error.
    static FileResult remove(const QString& path);
    // -1 for a missing file.
    static qint64 size(const QString& path, FileResult* result = nullptr);
    static bool isFolder(const QString& path);
};

#pragma once

#include <QString>

#include <utility>

// The outcome of one file operation, as a value. A failure carries what was
// being done, the file and the system's reason, so the user can be told in
// plain words which file could not be used and why.
class FileResult final {
public:
    // The reason for a name that is there but is no ordinary file (a pipe,
    // a device, a socket): outside the system's own error numbers. A link
    // gives ELOOP and a folder EISDIR.
    static constexpr int NotAFile = 0x10000;

    static FileResult success() { return {}; }
    static FileResult failure(QString action, QString path, int error) {
        FileResult r;
        r.m_ok = false;
        r.m_action = std::move(action);
        r.m_path = std::move(path);
        r.m_error = error;
        return r;
    }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    int error() const { return m_error; }
    const QString& path() const { return m_path; }
    // For example: Could not save the file "/home/ann/notes/quil0.3": No space left on device.
    QString message() const;

private:
    bool m_ok = true;
    int m_error = 0;
    QString m_action;
    QString m_path;
};

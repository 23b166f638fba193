#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One mounted file system as the kernel lists it.
struct MountEntry final {
    QString mountPoint;
    QString fsType;
    QString source;
    QString options;
    QString superOptions;
};

// The kernel's table of mounts, read from /proc/self/mountinfo. Every byte of
// it is treated as untrusted: any input gives entries or nothing, never a
// read outside the bytes given.
class MountTable final {
public:
    // One line of /proc/self/mountinfo (fields: id, parent, major:minor, root, mount point,
    // mount options, optional fields..., "-", fs type, source, super options); octal escapes
    // such as \040 in paths are decoded. Nothing for a line that is not one.
    static std::optional<MountEntry> parseLine(const QByteArray& line);
    static QList<MountEntry> parse(const QByteArray& mountinfo);
    static QList<MountEntry> current(); // this process's mounts
    // The entry whose mount point is the longest prefix (by whole path components) of `path`.
    static std::optional<MountEntry> containing(const QList<MountEntry>& mounts,
                                                const QString& path);
};

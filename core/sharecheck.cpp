#include "core/sharecheck.h"

#include <QStringList>

namespace {

bool hasOption(const MountEntry& mount, const QString& option) {
    const QStringList all = (mount.options + QLatin1Char(',') + mount.superOptions)
                                .split(QLatin1Char(','), Qt::SkipEmptyParts);
    return all.contains(option);
}

// FUSE file systems known to pass POSIX locks on to their servers (or to
// live on a local disk, where every copy is on this one machine).
bool fuseKeepsLocks(const QString& type) {
    static const QStringList ok = {QStringLiteral("fuseblk"), QStringLiteral("fuse.glusterfs"),
                                   QStringLiteral("fuse.ceph-fuse"), QStringLiteral("fuse.ceph")};
    return ok.contains(type);
}

} // namespace

QString ShareCheck::risk(const MountEntry& mount) {
    const QString& type = mount.fsType;
    if (type == QLatin1String("nfs") || type == QLatin1String("nfs4")) {
        if (hasOption(mount, QStringLiteral("nolock"))) {
            return QStringLiteral("it is NFS mounted with \"nolock\"");
        }
        for (const char* local : {"local_lock=all", "local_lock=posix"}) {
            if (hasOption(mount, QLatin1String(local))) {
                return QStringLiteral("it is NFS mounted with \"%1\"").arg(QLatin1String(local));
            }
        }
        return {};
    }
    if (type == QLatin1String("cifs") || type == QLatin1String("smb3")) {
        return hasOption(mount, QStringLiteral("nobrl"))
                   ? QStringLiteral("it is SMB mounted with \"nobrl\"")
                   : QString();
    }
    if (type == QLatin1String("fuse.sshfs")) {
        return QStringLiteral("sshfs does not pass locks on");
    }
    if ((type == QLatin1String("fuse") || type.startsWith(QLatin1String("fuse."))) &&
        !fuseKeepsLocks(type)) {
        return QStringLiteral("%1 may not pass locks on").arg(type);
    }
    if (type == QLatin1String("davfs")) {
        return QStringLiteral("WebDAV does not pass locks on");
    }
    return {};
}

QString ShareCheck::warning(const QString& folder, const QString& risk) {
    return QStringLiteral(
               "The network folder \"%1\" may not keep copies of Quillo Pad on different "
               "machines apart: %2. Each machine then sees only its own lock, and two people "
               "can change the same note at the same moment, so one of the changes is lost.\n\n"
               "Mount the share with NFS version 4 (or NFS version 3 with the lock manager), "
               "or with SMB 3 without \"nobrl\", and choose that folder instead.")
        .arg(folder, risk);
}

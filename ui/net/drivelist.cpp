#include "ui/net/drivelist.h"

#include <QDir>

#include <algorithm>
#include <array>

namespace {

// File systems that hold no user's files: the kernel's views of itself,
// automount triggers, read-only package images and layered container roots.
constexpr std::array<const char*, 28> kPseudo = {
    "proc",      "sysfs",    "cgroup",      "cgroup2",  "devpts",     "devtmpfs", "mqueue",
    "debugfs",   "tracefs",  "securityfs",  "pstore",   "bpf",        "configfs", "fusectl",
    "hugetlbfs", "autofs",   "binfmt_misc", "efivarfs", "rpc_pipefs", "nfsd",     "nsfs",
    "selinuxfs", "squashfs", "overlay",     "aufs",     "fuse.lxcfs", "binder",   "fuse.snapfuse"};

// Places where only the system mounts things.
constexpr std::array<const char*, 9> kSystemPlaces = {"/proc",
                                                      "/sys",
                                                      "/dev",
                                                      "/boot",
                                                      "/etc",
                                                      "/snap",
                                                      "/var/lib/docker",
                                                      "/var/lib/containers",
                                                      "/var/lib/kubelet"};

bool under(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool isMemoryFs(const QString& type) {
    return type == QLatin1String("tmpfs") || type == QLatin1String("ramfs");
}

} // namespace

bool DriveList::offered(const MountEntry& e) {
    const QString mp = QDir::cleanPath(e.mountPoint);
    if (mp == QLatin1String("/")) {
        return true;
    }
    for (const char* type : kPseudo) {
        if (e.fsType == QLatin1String(type)) {
            return false;
        }
    }
    for (const char* place : kSystemPlaces) {
        if (under(mp, QLatin1String(place))) {
            return false;
        }
    }
    // Under /run live the system's memory file systems, but also removable
    // media and the desktop's network shares.
    return !(under(mp, QStringLiteral("/run")) && isMemoryFs(e.fsType));
}

QList<MountEntry> DriveList::choose(const QList<MountEntry>& mounts, const QStringList& alwaysFor) {
    QList<MountEntry> chosen;
    const auto add = [&chosen](const MountEntry& e) {
        const QString mp = QDir::cleanPath(e.mountPoint);
        // A later mount on the same point hides the earlier one.
        const auto same = std::find_if(chosen.begin(), chosen.end(), [&mp](const MountEntry& c) {
            return QDir::cleanPath(c.mountPoint) == mp;
        });
        if (same != chosen.end()) {
            *same = e;
        } else {
            chosen.append(e);
        }
    };
    for (const MountEntry& e : mounts) {
        if (offered(e)) {
            add(e);
        }
    }
    for (const QString& path : alwaysFor) {
        if (const auto e = MountTable::containing(mounts, path)) {
            add(*e);
        }
    }
    std::sort(chosen.begin(), chosen.end(), [](const MountEntry& a, const MountEntry& b) {
        return QDir::cleanPath(a.mountPoint) < QDir::cleanPath(b.mountPoint);
    });
    return chosen;
}

QString DriveList::caption(const MountEntry& e) {
    QString mp = QDir::cleanPath(e.mountPoint);
    if (e.source.isEmpty() || e.source == QLatin1String("none") || e.source == e.fsType) {
        return mp;
    }
    return mp + QStringLiteral("   (") + e.source + QLatin1Char(')');
}

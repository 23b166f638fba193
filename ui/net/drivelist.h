#pragma once

#include "core/mounttable.h"

#include <QList>
#include <QString>
#include <QStringList>

// The file systems the network folder dialog offers as drives: those a user
// would keep shared notes on, never the kernel's and the system's own.
class DriveList final {
public:
    // The offered entries of `mounts`, plus whatever file system holds each
    // of `alwaysFor` (the home folder, the folder the dialog starts in), one
    // per mount point, sorted by mount point.
    static QList<MountEntry> choose(const QList<MountEntry>& mounts, const QStringList& alwaysFor);
    // The root, disks, removable media and network shares; not proc, sysfs,
    // cgroup and their kin, not memory file systems under /run or /dev, not
    // container and snap internals.
    static bool offered(const MountEntry& e);
    // What the list shows: the mount point, and where it comes from.
    static QString caption(const MountEntry& e);
};

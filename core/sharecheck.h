#pragma once

#include "core/mounttable.h"

#include <QString>

// Copies on different machines keep apart only through the lock on
// "quillo.loc", so the network folder's file system must pass that lock on
// to the server, where every machine sees it. Some do not: sshfs and most
// other FUSE file systems, NFS mounted with `nolock` or with local locks
// (`local_lock=all` or `posix`), and SMB mounted with `nobrl`. On those every
// machine's lock is its own, and two people can change one note at once.
class ShareCheck final {
public:
    // What is wrong with sharing a store on this mount, in a few words
    // ("locks stay on each machine with sshfs"), or nothing when it keeps
    // copies apart.
    static QString risk(const MountEntry& mount);
    // The whole warning for the user, naming the folder.
    static QString warning(const QString& folder, const QString& risk);
};

#include "core/mounttable.h"
#include "core/sharecheck.h"

#include <gtest/gtest.h>

// Lines of the kernel's mount table as it writes them, and the mount that
// holds a folder. Random and cut bytes are the fuzzing's part.
TEST(MountTable, ReadsLinesAndFindsTheMountHoldingAPath) {
    const auto e = MountTable::parseLine("36 35 98:0 /mnt1 /mnt/my\\040share rw,noatime master:1 "
                                         "shared:7 - cifs //server/notes\\011x rw,vers=3.0\n");
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(
        QStringList({e->mountPoint, e->fsType, e->source, e->options, e->superOptions}),
        QStringList({"/mnt/my share", "cifs", "//server/notes\tx", "rw,noatime", "rw,vers=3.0"}));
    // A backslash that escapes nothing is kept; an empty source is allowed.
    const auto bare = MountTable::parseLine("22 1 0:5 / /a\\134b\\477\\9 rw - tmpfs  rw\r\n");
    ASSERT_TRUE(bare.has_value());
    EXPECT_EQ(bare->mountPoint, QStringLiteral("/a\\b\\477\\9"));
    EXPECT_FALSE(MountTable::parseLine("1 2 3:4 / /x rw - ext4 src").has_value());

    const QList<MountEntry> mounts = MountTable::parse("garbage\n"
                                                       "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                                       "2 1 8:2 / /mnt/a rw - ext4 /dev/sda2 rw\n"
                                                       "3 1 8:3 / /mnt/a/b rw - vfat /dev/sdb1 rw\n"
                                                       "4 1 8:4 / /mnt/a rw - nfs first rw\n");
    ASSERT_EQ(mounts.size(), 4);
    const auto source = [&](const QString& path) {
        const auto m = MountTable::containing(mounts, path);
        return m ? m->source : QStringLiteral("(none)");
    };
    EXPECT_EQ(source("/mnt/ab"), QStringLiteral("/dev/sda1")) << "whole components only";
    EXPECT_EQ(source("/mnt/a/"), QStringLiteral("first")) << "the later mount hides the earlier";
    EXPECT_EQ(source("/mnt/a/b/c"), QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(source("/mnt/a/b/../x"), QStringLiteral("first"));
    EXPECT_EQ(source("relative/path"), QStringLiteral("(none)"));
    EXPECT_TRUE(MountTable::containing(MountTable::current(), "/").has_value());
}

// The shares a user meets whose locks stay on each machine, and a sound one.
TEST(ShareCheck, FileSystemsThatDoNotPassLocksOnAreNamed) {
    const std::pair<const char*, const char*> cases[] = {
        {"nfs4 s:/n rw,vers=4.2,hard,local_lock=none", ""},
        {"nfs s:/n rw,vers=3,nolock", "it is NFS mounted with \"nolock\""},
        {"cifs //s/o rw,vers=3.1.1,nobrl", "it is SMB mounted with \"nobrl\""},
        {"fuse.sshfs a@s: rw,user_id=1000", "sshfs does not pass locks on"}};
    for (const auto& [fields, risk] : cases) {
        const auto mount = MountTable::parseLine(QByteArray("36 25 0:40 / /mnt/n rw - ") + fields);
        ASSERT_TRUE(mount) << fields;
        EXPECT_EQ(ShareCheck::risk(*mount), QString::fromLatin1(risk)) << fields;
    }
}

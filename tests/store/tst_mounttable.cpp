#include "store/mounttable.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

const QByteArray kShare = "36 35 98:0 /mnt1 /mnt/my\\040share rw,noatime master:1 shared:7 - cifs "
                          "//server/notes\\011x rw,vers=3.0\n";

} // namespace

TEST(MountTable, ReadsTheFieldsOfALineAndDecodesEscapes) {
    const auto e = MountTable::parseLine(kShare);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->mountPoint, QStringLiteral("/mnt/my share"));
    EXPECT_EQ(e->fsType, QStringLiteral("cifs"));
    EXPECT_EQ(e->source, QStringLiteral("//server/notes\tx"));
    EXPECT_EQ(e->options, QStringLiteral("rw,noatime"));
    EXPECT_EQ(e->superOptions, QStringLiteral("rw,vers=3.0"));

    // No optional fields, an empty source, a backslash kept where it escapes nothing.
    const auto bare = MountTable::parseLine("22 1 0:5 / /a\\134b\\477\\9\\4 rw - tmpfs  rw\r\n");
    ASSERT_TRUE(bare.has_value());
    EXPECT_EQ(bare->mountPoint, QStringLiteral("/a\\b\\477\\9\\4"));
    EXPECT_EQ(bare->source, QString());
    EXPECT_EQ(bare->fsType, QStringLiteral("tmpfs"));

    const QList<MountEntry> all =
        MountTable::parse("garbage\n" + kShare + "\n\n" + "27 1 254:0 / / rw - ext4 /dev/vda rw");
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all.at(1).mountPoint, QStringLiteral("/"));
}

TEST(MountTable, RefusesWhatIsNotALineAndNeverReadsPastTheBytes) {
    for (const char* bad : {"", "-", "1 2 3:4 / /x rw - ext4 src",  // no super options
                            "1 2 3:4 / /x - ext4 src opt",          // no mount options
                            "a 2 3:4 / /x rw - ext4 src opt",       // id not a number
                            "1 2 34 / /x rw - ext4 src opt",        // no major:minor
                            "1 2 3:4 / x rw - ext4 src opt",        // mount point not a path
                            "1 2 3:4 / /x rw shared:1  - ext4 s o", // empty optional field
                            "1 2 3:4 / /x rw"}) {
        EXPECT_FALSE(MountTable::parseLine(bad).has_value()) << bad;
    }
    // Every cut of a good line either parses or gives nothing; none reads
    // beyond its end (the sanitizer build would stop here).
    for (qsizetype n = 0; n <= kShare.size(); ++n) {
        const auto e = MountTable::parseLine(kShare.left(n));
        if (e) {
            EXPECT_GE(n, kShare.indexOf(" - ") + 3);
        }
    }
    QRandomGenerator random(14);
    const QByteArray alphabet("0123456789 :-/\\\n", 16);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        const int length = random.bounded(120);
        for (int k = 0; k < length; ++k) {
            bytes.append(round % 2 == 0 ? alphabet.at(random.bounded(alphabet.size()))
                                        : static_cast<char>(random.bounded(256)));
        }
        for (const MountEntry& e : MountTable::parse(bytes)) {
            EXPECT_TRUE(e.mountPoint.startsWith(QLatin1Char('/')));
        }
    }
}

TEST(MountTable, ContainingMatchesWholePathComponents) {
    const QList<MountEntry> mounts = MountTable::parse("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                                       "2 1 8:2 / /mnt/a rw - ext4 /dev/sda2 rw\n"
                                                       "3 1 8:3 / /mnt/a/b rw - vfat /dev/sdb1 rw\n"
                                                       "4 1 8:4 / /mnt/a rw - nfs first rw\n");
    const auto source = [&](const QString& path) {
        const auto e = MountTable::containing(mounts, path);
        return e ? e->source : QStringLiteral("(none)");
    };
    EXPECT_EQ(source("/mnt/ab"), QStringLiteral("/dev/sda1"));
    EXPECT_EQ(source("/mnt/a"), QStringLiteral("first")) << "the later mount hides the earlier";
    EXPECT_EQ(source("/mnt/a/"), QStringLiteral("first"));
    EXPECT_EQ(source("/mnt/a/b/c"), QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(source("/mnt/a/b/../x"), QStringLiteral("first"));
    EXPECT_EQ(source("/"), QStringLiteral("/dev/sda1"));
    EXPECT_EQ(source("relative/path"), QStringLiteral("(none)"));
    EXPECT_FALSE(MountTable::containing({}, "/x").has_value());
}

TEST(MountTable, CurrentHoldsTheRoot) {
    const QList<MountEntry> mounts = MountTable::current();
    ASSERT_FALSE(mounts.isEmpty());
    EXPECT_TRUE(MountTable::containing(mounts, "/").has_value());
}

#include "childprocess.h"
#include "fakeuiservices.h"
#include "testfolder.h"

#include "app/settingsrecord.h"
#include "store/module1.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray i16(qint16 v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 2);
}
QByteArray i32(qint32 v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}

} // namespace

TEST(Settings, FirstRunWritesTheDefaultsAtTheirOffsets) {
    TestFolder dir;
    FakeUiServices ui;
    Module1 m(ui, dir.path());
    m.ReadSettings();
    const QByteArray b = dir.read("quillo.ini");
    ASSERT_EQ(b.size(), 366);
    EXPECT_EQ(b.left(64), QByteArray(64, '\0'));
    EXPECT_EQ(b.mid(64, 4), i32(0x0000FF00));
    EXPECT_EQ(b.mid(68, 4), i32(0x00FFFF00));
    EXPECT_EQ(b.mid(72, 4), i32(static_cast<qint32>(0x80000005u)));
    EXPECT_EQ(b.mid(76, 4), i32(0x0000FFFF));
    EXPECT_EQ(b.mid(80, 2), i16(1)) << "WordWrap";
    EXPECT_EQ(b.mid(82, 2), i16(1)) << "BoldText";
    EXPECT_EQ(b.mid(84, 2), i16(0));
    EXPECT_EQ(b.mid(86, 2), i16(1)) << "a 1024-pixel screen is large";
    EXPECT_EQ(b.mid(88, 2), i16(0));
    EXPECT_EQ(b.mid(90, 274), QByteArray(274, ' '));
    EXPECT_EQ(b.mid(364, 2), i16(2));
    EXPECT_TRUE(ui.errors.isEmpty());
    struct stat st {};
    ::stat(QFile::encodeName(dir.file("quillo.ini")).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the change password is in this file";
}

TEST(Settings, OnlyExactly366BytesAreRead) {
    for (const int length : {0, 365, 367, 1000}) {
        TestFolder dir;
        QByteArray bytes(length, '\x07');
        dir.write("quillo.ini", bytes);
        FakeUiServices ui;
        Module1 m(ui, dir.path());
        m.ReadSettings();
        EXPECT_EQ(m.S.GroupColor, 0x0000FF00) << length;
        const QByteArray after = dir.read("quillo.ini");
        EXPECT_EQ(after.size(), 366) << "a longer file is cut, so it is valid from now on";
        EXPECT_EQ(after, SettingsRecord::defaults(15360).toBytes());
    }
}

TEST(Settings, EveryFieldRoundTripsByteForByte) {
    SettingsRecord r;
    r.CurrentGroup = 7;
    for (int g = 0; g < 31; ++g) {
        r.CurrentItem[static_cast<size_t>(g)] = static_cast<qint16>(61 - g);
    }
    r.CurrentItem[7] = 12;
    r.GroupColor = 0x00123456;
    r.ItemColor = 0x00ABCDEF;
    r.PadColor = 0x00010203;
    r.TransColor = static_cast<qint32>(0x8000000F);
    r.WordWrap = 0;
    r.BoldText = 0;
    r.StartMinimised = 1;
    r.LargeLayout = 0;
    r.NetworkMode = 1;
    r.setNetworkFolder(QStringLiteral("/mnt/share/notes/Caf\u00e9"));
    r.setChangePassword(QStringLiteral("s\u20accret"));
    r.RefreshSeconds = 60;
    const QByteArray b = r.toBytes();
    ASSERT_EQ(b.size(), 366);
    EXPECT_EQ(b.mid(0, 2), i16(7));
    EXPECT_EQ(b.mid(16, 2), i16(12)) << "group 7 with item 12 puts 12 at offset 16";
    EXPECT_EQ(b.mid(90, 21), QByteArray("/mnt/share/notes/Caf\xE9"));
    EXPECT_EQ(b.mid(111, 233), QByteArray(233, ' '));
    EXPECT_EQ(b.mid(344, 6), QByteArray("s\x80"
                                        "cret"));
    EXPECT_EQ(b.mid(350, 14), QByteArray(14, ' '));

    TestFolder dir;
    dir.write("quillo.ini", b);
    FakeUiServices ui;
    Module1 m(ui, dir.path());
    m.ReadSettings();
    EXPECT_EQ(m.S.toBytes(), b);
    m.WriteSettings();
    EXPECT_EQ(dir.read("quillo.ini"), b);
}

TEST(Settings, LongFolderIsCutAndLayoutDefaultFollowsTheScreen) {
    SettingsRecord r;
    r.setNetworkFolder(QString(300, QLatin1Char('f')));
    EXPECT_EQ(r.NetworkFolder.size(), 254);
    EXPECT_EQ(r.toBytes().mid(90, 254), QByteArray(254, 'f'));
    EXPECT_EQ(r.toBytes().mid(344, 1), " ");

    for (const auto& [pixels, large] : {std::pair{792, 1}, std::pair{791, 0}}) {
        TestFolder dir;
        FakeUiServices ui;
        ui.screen = QSize(pixels * 15, 600 * 15);
        Module1 m(ui, dir.path());
        m.ReadSettings();
        EXPECT_EQ(m.S.LargeLayout, large) << pixels;
        EXPECT_EQ(dir.read("quillo.ini").mid(86, 2), i16(static_cast<qint16>(large)));
    }
}

TEST(Settings, KillDuringWriteLeavesAWholeRecord) {
    TestFolder dir;
    const QString path = dir.file("quillo.ini");
    killWhileRewriting(path, "settings", 15, [&](int round) {
        const QByteArray b = dir.read("quillo.ini");
        ASSERT_EQ(b.size(), 366) << "round " << round;
        const auto r = SettingsRecord::fromBytes(b);
        ASSERT_TRUE(r.has_value());
        const QChar c = r->NetworkFolder.at(0);
        EXPECT_EQ(r->NetworkFolder, QString(254, c));
        EXPECT_EQ(r->CurrentGroup, c == QLatin1Char('a') ? 3 : 7);
    });
}

TEST(Settings, RefusedWriteKeepsTheSettingsAndTellsOnce) {
    TestFolder dir;
    // A regular file stands where the program folder should be.
    dir.write("notafolder", "x");
    FakeUiServices ui;
    Module1 m(ui, dir.file("notafolder"));
    m.ReadSettings();
    EXPECT_EQ(m.S.RefreshSeconds, 2) << "defaults in memory";
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].contains("quillo.ini"));
    EXPECT_TRUE(ui.errors[0].contains("Not a directory"));
    m.S.CurrentGroup = 5;
    m.WriteSettings();
    m.WriteSettings();
    EXPECT_EQ(ui.errors.size(), 1) << "told once";
    EXPECT_EQ(m.S.CurrentGroup, 5);
}

#include "childprocess.h"
#include "fakeuiservices.h"
#include "testfolder.h"

#include "app/startup.h"
#include "core/settingsrecord.h"
#include "store/module1.h"
#include "ui/main/edit.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <tuple>

// No file, or one not exactly 366 bytes long: the defaults are written, the
// large layout only where it fits the available screen (1920 x 1080 at
// 200 % leaves 960 x 540 less a panel: the large window would not fit in
// height).
TEST(Settings, FirstRunWritesTheDefaults) {
    QByteArray defaults(64, '\0');
    defaults += le32(0x0000FF00) + le32(0x00FFFF00) + le32(0x80000005) + le32(0x0000FFFF);
    defaults += le16(1) + le16(1) + le16(0) + le16(1) + le16(0);
    defaults += QByteArray(274, ' ') + le16(2);
    const std::tuple<int, QSize, int> cases[] = {
        {-1, QSize(1024, 768), 1}, {365, QSize(960, 510), 0}, {367, QSize(791, 1000), 0}};
    for (const auto& [length, pixels, large] : cases) {
        TestFolder dir;
        if (length >= 0) {
            dir.write("quillo.ini", QByteArray(length, '\x07'));
        }
        FakeUiServices ui;
        ui.available = pixels * 15;
        Module1 m(ui, dir.path());
        m.ReadSettings();
        EXPECT_EQ(dir.read("quillo.ini"), QByteArray(defaults).replace(86, 2, le16(large)))
            << length;
        EXPECT_TRUE(length >= 0 || modeOf(dir.file("quillo.ini")) == 0600)
            << "a new file is the owner's only: the change password is in it";
    }
}

// Every field at its offset, each with a value no other field has.
TEST(Settings, EveryFieldSitsAtItsOffset) {
    QByteArray image = le16(7);
    for (int g = 0; g < 31; ++g) {
        image += le16(30 + g);
    }
    image += le32(0x00123456) + le32(0x00ABCDEF) + le32(0x00010203) + le32(0x8000000F);
    image += le16(0x0102) + le16(0x0304) + le16(0x0506) + le16(0x0708) + le16(0x090A);
    image += QByteArray("/mnt/share/Caf\xE9").append(254 - 15, ' ');
    image += QByteArray("s\x80"
                        "cret")
                 .append(14, ' ');
    image += le16(0x0B0C);
    ASSERT_EQ(image.size(), 366);

    SettingsRecord r;
    r.CurrentGroup = 7;
    for (int g = 0; g < 31; ++g) {
        r.CurrentItem[static_cast<size_t>(g)] = static_cast<qint16>(30 + g);
    }
    r.GroupColor = 0x00123456;
    r.ItemColor = 0x00ABCDEF;
    r.PadColor = 0x00010203;
    r.TransColor = static_cast<qint32>(0x8000000F);
    r.WordWrap = 0x0102;
    r.BoldText = 0x0304;
    r.StartMinimised = 0x0506;
    r.LargeLayout = 0x0708;
    r.NetworkMode = 0x090A;
    r.setNetworkFolder(QStringLiteral("/mnt/share/Caf\u00e9"));
    r.setChangePassword(QStringLiteral("s\u20accret"));
    r.RefreshSeconds = 0x0B0C;
    EXPECT_EQ(r.toBytes(), image);

    TestFolder dir;
    dir.write("quillo.ini", image);
    FakeUiServices ui;
    Module1 m(ui, dir.path());
    m.ReadSettings();
    EXPECT_EQ(m.S.CurrentItem[30], 60);
    EXPECT_EQ(m.S.NetworkFolder.trimmed(), QStringLiteral("/mnt/share/Caf\u00e9"));
    m.WriteSettings();
    EXPECT_EQ(dir.read("quillo.ini"), image);
}

TEST(Settings, RefusedWriteKeepsTheSettingsAndTellsOnce) {
    TestFolder dir;
    // A regular file stands where the program folder should be.
    dir.write("notafolder", "x");
    FakeUiServices ui;
    Module1 m(ui, dir.file("notafolder"));
    m.ReadSettings();
    m.S.CurrentGroup = 5;
    m.WriteSettings();
    QCoreApplication::processEvents();
    m.WriteSettings();
    QCoreApplication::processEvents();
    ASSERT_EQ(ui.errors.size(), 1) << "told once";
    EXPECT_TRUE(ui.errors[0].contains("quillo.ini"));
    EXPECT_TRUE(ui.errors[0].contains("Not a directory"));
    EXPECT_EQ(m.S.CurrentGroup, 5);
}

// A settings file this account cannot read (another account's, or no file
// at all) may hold a folder and a password someone relies on: the program
// runs on the defaults, says so, and leaves it as it is.
TEST(Settings, UnreadableSettingsAreToldAndNotWrittenOver) {
    TestFolder dir;
    SettingsRecord r;
    r.RefreshSeconds = 9;
    dir.write("quillo.ini", r.toBytes());
    ::chmod(QFile::encodeName(dir.file("quillo.ini")).constData(), 0600);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
    const int code = runInChild(
        [&] {
            // The whole start-up, which writes a first run's defaults late.
            FakeUiServices ui;
            Module1 m(ui, dir.path());
            edit w(m);
            InitialLoad(m, w);
            FinishStartUp(m, w);
            m.S.CurrentGroup = 3;
            m.WriteSettings();
            const QString told = ui.errors.join('\n') + m.takeMessages();
            return told.contains("quillo.ini") && told.contains("Permission denied") &&
                           m.S.RefreshSeconds == 2
                       ? 0
                       : 1;
        },
        kNobody);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(dir.read("quillo.ini"), r.toBytes());

    TestFolder other;
    other.mkdir("quillo.ini");
    FakeUiServices ui;
    Module1 m(ui, other.path());
    m.ReadSettings();
    m.WriteSettings();
    EXPECT_TRUE(m.takeMessages().contains("it is a folder"));
    EXPECT_TRUE(QFileInfo(other.file("quillo.ini")).isDir());
}

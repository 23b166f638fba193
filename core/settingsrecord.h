#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

// The settings record of one installation, kept in "quillo.ini" in the
// program folder as exactly 366 bytes, no header, little-endian integers:
//
//   0  i16      CurrentGroup          64  i32  GroupColor     80  i16 WordWrap
//   2  31 x i16 CurrentItem(0..30)    68  i32  ItemColor      82  i16 BoldText
//                                     72  i32  PadColor       84  i16 StartMinimised
//                                     76  i32  TransColor     86  i16 LargeLayout
//  88  i16      NetworkMode           90  254 chars NetworkFolder (blank padded)
// 344  20 chars ChangePassword (blank padded)                364  i16 RefreshSeconds
//
// Colours are 0x00BBGGRR, or 0x800000nn for the system colour nn.
// The two strings are fixed-length: assigning pads with blanks or cuts.
struct SettingsRecord final {
    static constexpr int Size = 366;
    static constexpr int FolderLength = 254;
    static constexpr int PasswordLength = 20;
    // The large window, 11880 x 8868 twips, and room for its title bar: the
    // large layout is the first-run choice only where all of it fits.
    static constexpr int LargeScreenTwips = 11880;
    static constexpr int LargeScreenHeightTwips = 8868 + 450;

    qint16 CurrentGroup = 0;
    std::array<qint16, 31> CurrentItem{};
    qint32 GroupColor = 0x0000FF00;
    qint32 ItemColor = 0x00FFFF00;
    qint32 PadColor = static_cast<qint32>(0x80000005U);
    qint32 TransColor = 0x0000FFFF;
    qint16 WordWrap = 1;
    qint16 BoldText = 1;
    qint16 StartMinimised = 0;
    qint16 LargeLayout = 1;
    qint16 NetworkMode = 0;
    QString NetworkFolder = QString(FolderLength, QLatin1Char(' '));
    QString ChangePassword = QString(PasswordLength, QLatin1Char(' '));
    qint16 RefreshSeconds = 2;

    // The defaults for a screen whose available area is this size in twips.
    static SettingsRecord defaults(QSize availableTwips);
    // Only a record of exactly 366 bytes is read; anything else gives nothing.
    static std::optional<SettingsRecord> fromBytes(const QByteArray& bytes);
    QByteArray toBytes() const;

    void setNetworkFolder(const QString& folder);
    void setChangePassword(const QString& password);
    qint16 currentItem() const { return CurrentItem.at(static_cast<size_t>(CurrentGroup)); }
};

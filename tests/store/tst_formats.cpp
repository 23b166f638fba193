#include "store/codepage.h"
#include "store/nameindex.h"
#include "store/notefile.h"

#include <gtest/gtest.h>

TEST(CodePage, EveryByteRoundTripsAndTheEuroSignIs0x80) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all.append(static_cast<char>(b));
    }
    const QString text = CodePage::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(CodePage::encode(text), all);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC));
    EXPECT_EQ(text.at(0xE9), QChar(0xE9));
    EXPECT_EQ(text.at(0x9F), QChar(0x0178));
    EXPECT_EQ(CodePage::encode(QString::fromUtf8("€ é ß Ÿ")), QByteArray("\x80 \xE9 \xDF \x9F"));
}

TEST(CodePage, WhatCannotBeHeldIsMarkedOncePerCharacter) {
    EXPECT_TRUE(CodePage::canHold(QChar(0x2019)));
    EXPECT_FALSE(CodePage::canHold(QChar(0x0416))); // Cyrillic Zhe
    EXPECT_EQ(CodePage::sanitize(QString::fromUtf8("aЖb😀c")), QStringLiteral("a?b?c"));
    const QString withBreak = QStringLiteral("a") + QChar(QChar::ParagraphSeparator) + "b";
    EXPECT_EQ(CodePage::sanitize(withBreak), withBreak) << "line breaks in the box stay";
}

TEST(NameIndex, FieldsArePaddedCutAndTrimmed) {
    EXPECT_EQ(NameIndex::field(QStringLiteral("Work")), QByteArray("Work").append(36, ' '));
    const QString forty(40, QLatin1Char('n'));
    EXPECT_EQ(NameIndex::field(forty), QByteArray(40, 'n'));
    EXPECT_EQ(NameIndex::field(forty + "xyz"), QByteArray(40, 'n'));

    QByteArray image = NameIndex::field(QStringLiteral("Caf\u00e9 \u20ac  "));
    image += QByteArray(40, ' ');
    image += NameIndex::field(QStringLiteral("  lead"));
    const QStringList names = NameIndex::decode(image, 4);
    EXPECT_EQ(names, QStringList({QStringLiteral("Caf\u00e9 \u20ac"), QString(),
                                  QStringLiteral("  lead"), QString()}));
    EXPECT_EQ(image.mid(0, 6), QByteArray("Caf\xE9 \x80"));
}

TEST(NameIndex, ShortDamagedIndexReadsAsFarAsItGoes) {
    const QByteArray image = NameIndex::field(QStringLiteral("One")) + "Tw";
    const QStringList names = NameIndex::decode(image, 31);
    ASSERT_EQ(names.size(), 31);
    EXPECT_EQ(names[0], QStringLiteral("One"));
    EXPECT_EQ(names[1], QStringLiteral("Tw"));
    EXPECT_EQ(names[2], QString());
}

TEST(NoteFile, TextWithCrLfThenTheWordWrapFlag) {
    EXPECT_EQ(NoteFile::encode(QString(), 1), QByteArray("\x01\x00", 2));
    EXPECT_EQ(NoteFile::encode(QStringLiteral("a\nb\u20ac"), 0),
              QByteArray("a\r\nb\x80\x00\x00", 7));
    const NoteFile::Content c = NoteFile::decode(QByteArray("x\r\n\r\ny\x01\x00", 8));
    EXPECT_EQ(c.text, QStringLiteral("x\n\ny"));
    ASSERT_TRUE(c.wordWrap.has_value());
    EXPECT_EQ(*c.wordWrap, 1);
    const NoteFile::Content damaged = NoteFile::decode(QByteArray("Q"));
    EXPECT_EQ(damaged.text, QStringLiteral("Q"));
    EXPECT_FALSE(damaged.wordWrap.has_value());
}

#include "core/codepage.h"

#include <gtest/gtest.h>

// Files of the store are Windows-1252: every byte comes back as it was, and
// the characters other programs wrote there read as those programs meant.
TEST(CodePage, EveryByteRoundTripsAsWindows1252) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all.append(static_cast<char>(b));
    }
    const QString text = CodePage::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(CodePage::encode(text), all);
    EXPECT_EQ(CodePage::encode(QString::fromUtf8("€ é ß Ÿ ’ œ")),
              QByteArray("\x80 \xE9 \xDF \x9F \x92 \x9C"));
    EXPECT_EQ(CodePage::sanitize(QString::fromUtf8("aЖb😀c")), QStringLiteral("a?b?c"));
}

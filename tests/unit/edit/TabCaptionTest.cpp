#include "edit/TabCaption.h"

#include <gtest/gtest.h>

using vistrel::TabCaption;

TEST(TabCaption, CountsBytesAsShiftJisDoes)
{
    const struct {
        const char* title;
        const char* caption;
    } cases[] = {
        {"short", "short"},
        {"12345678901234567890", "12345678901234567890"},
        {"123456789012345678901", "12345678901234567890"},
        // Ten double-byte characters fill the twenty bytes.
        {"あいうえおかきくけこさ", "あいうえおかきくけこ"},
        // 19 ASCII bytes and a double-byte character: never cut in half.
        {"1234567890123456789あ", "1234567890123456789"},
        // Half-width katakana count one byte each.
        {"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅ", "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ"},
        {"端末 - xterm のウインドウ", "端末 - xterm のウイ"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TabCaption(QString::fromUtf8(c.title)), QString::fromUtf8(c.caption)) << c.title;
}

TEST(TabCaption, KeepsSurrogatePairsWhole)
{
    const QString title = QStringLiteral("123456789012345678") + QString::fromUcs4(U"\U0001F600x");
    EXPECT_EQ(TabCaption(title), title.left(20)); // 18 bytes + 2 for the emoji
    const QString tight = QStringLiteral("1234567890123456789") + QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(TabCaption(tight), tight.left(19));
}

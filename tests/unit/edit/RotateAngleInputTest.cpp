#include "edit/RotateAngleInput.h"

#include <gtest/gtest.h>

using namespace vistrel;

TEST(RotateAngleInput, TypedAngles)
{
    const QString notInteger = QStringLiteral("整数値を入力してください。");
    const QString outOfRange = QStringLiteral("指定した値は有効範囲を超えています。");
    const struct {
        const char* text;
        std::optional<int> degrees;
        QString message;
    } cases[] = {
        {"1", 1, {}},
        {"360", 360, {}},
        {" 45 ", 45, {}},
        {"+30", 30, {}},
        {"0", std::nullopt, {}}, // stops without a word
        {"-1", std::nullopt, outOfRange},
        {"361", std::nullopt, outOfRange},
        {"99999999999999999999999", std::nullopt, outOfRange},
        {"abc", std::nullopt, notInteger},
        {"", std::nullopt, notInteger},
        {"1.5", std::nullopt, notInteger},
        {"0x10", std::nullopt, notInteger},
    };
    for (const auto& c : cases) {
        const RotationAngleCheck check = CheckRotationAngle(QString::fromUtf8(c.text));
        EXPECT_EQ(check.degrees, c.degrees) << c.text;
        EXPECT_EQ(check.message, c.message) << c.text;
    }
}

TEST(RotateAngleInput, MenuTagsGiveTheirAngle)
{
    EXPECT_EQ(RotationAngleForTag(90, nullptr), 90);
    EXPECT_EQ(RotationAngleForTag(270, nullptr), 270);
    EXPECT_EQ(RotationAngleForTag(180, nullptr), 180);
}

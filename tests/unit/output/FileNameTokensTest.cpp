#include "output/FileNameTokens.h"
#include "output/SaveSettingsValidation.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

const QDateTime Fixed(QDate(2024, 1, 5), QTime(7, 8, 9));

struct Replacement {
    const char* text;
    const char* token;
    const char* value;
    const char* expected;
};

class ReplaceAll : public ::testing::TestWithParam<Replacement> {};

} // namespace

TEST_P(ReplaceAll, ReplacesLeftToRightWithoutRescanning)
{
    const Replacement& c = GetParam();
    EXPECT_EQ(ReplaceAllText(QString::fromUtf8(c.text), QString::fromUtf8(c.token),
                             QString::fromUtf8(c.value)),
              QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAll,
    ::testing::Values(Replacement{"abc", "", "x", "abc"},                  // empty token
                      Replacement{"<$Y><$Y>", "<$Y>", "2024", "20242024"}, // twice
                      Replacement{"", "<$Y>", "2024", ""},
                      Replacement{"aaa", "aa", "b", "ba"},           // no overlap
                      Replacement{"ab", "a", "aa", "aab"},           // value not rescanned
                      Replacement{"<$y>", "<$Y>", "2024", "<$y>"},   // case matters
                      Replacement{"x<$Y", "<$Y>", "2024", "x<$Y"},   // incomplete token
                      Replacement{"前<$D>後", "<$D>", "", "前後"})); // empty value

TEST(FileNameTokens, ExpandsAllSixFromOneReading)
{
    EXPECT_EQ(ExpandFileNameTokens(QStringLiteral("<$Y>-<$M>-<$D> <$H>:<$N>:<$S>"), Fixed),
              QStringLiteral("2024-01-05 07:08:09"));
    int readings = 0;
    const NameClock clock = [&] {
        ++readings;
        return Fixed;
    };
    EXPECT_EQ(ExpandFileNameTokens(QStringLiteral("<$H><$N><$S><$S>"), clock),
              QStringLiteral("07080909"));
    EXPECT_EQ(readings, 1);
    EXPECT_EQ(ExpandFileNameTokens(QStringLiteral("<$h>"), clock), QStringLiteral("<$h>"));
}

TEST(FileNameTokens, NumbersAndExtensions)
{
    EXPECT_EQ(SequenceNumberText(7, 1), "7");
    EXPECT_EQ(SequenceNumberText(7, 3), "007");
    EXPECT_EQ(SequenceNumberText(100, 2), "100");
    EXPECT_EQ(SequenceNumberText(12345, 4), "12345");
    EXPECT_EQ(SequenceNumberText(5, 0), "5"); // a hand-edited digit count
    EXPECT_EQ(SequenceNumberText(5, 1000000).size(), 255);
    const std::pair<int, const char*> extensions[] = {{1, "bmp"},  {8, "bmp"},  {9, "jpg"},
                                                      {10, "png"}, {11, "gif"}, {12, "bmp"},
                                                      {0, "bmp"},  {-3, "bmp"}};
    for (const auto& [type, extension] : extensions)
        EXPECT_EQ(SaveTypeExtension(type), QString::fromLatin1(extension)) << type;
}

TEST(FileNameTokens, PreviewHasNoFolderNorExtension)
{
    EXPECT_EQ(FileNamePreview("shot_<$Y><$M><$D>_", 12, 3, "_<$H>", Fixed),
              QStringLiteral("shot_20240105_012_07 ex."));
    EXPECT_EQ(FileNamePreview("", 1, 1, "", Fixed), QStringLiteral("1 ex."));
}

namespace {

const QString IllegalList = QStringLiteral("\r\n不正文字: \\ / : , ; * ? \" < > |");

SaveSettingsFields acceptable()
{
    return {QStringLiteral("Vist"), {}, QStringLiteral("ROVUDUV"), {}, {}, false};
}

} // namespace

TEST(ValidateSaveSettings, ChecksNamesAfterTheirTokensInOrder)
{
    SaveSettingsFields fields = acceptable();
    EXPECT_EQ(ValidateSaveSettings(fields, Fixed), QString());
    fields.autoFile = QStringLiteral("<$H>-<$N>");
    EXPECT_EQ(ValidateSaveSettings(fields, Fixed), QString());

    fields.autoFile = QStringLiteral("a:b");
    fields.autoFileAfter = QStringLiteral("<x>");
    EXPECT_EQ(ValidateSaveSettings(fields, Fixed),
              QStringLiteral("連続保存－ファイル名[前]に不正な文字があります。") + IllegalList);
    fields.autoFile = QStringLiteral("<$X>"); // not a token: its < and > are refused
    EXPECT_NE(ValidateSaveSettings(fields, Fixed), QString());
    fields.autoFile.clear(); // an empty prefix is fine
    EXPECT_EQ(ValidateSaveSettings(fields, Fixed),
              QStringLiteral("連続保存－ファイル名[後]に不正な文字があります。") + IllegalList);
    fields.autoFileAfter = QStringLiteral("_<$S>");
    for (const QChar c : IllegalFileNameCharacters()) {
        fields.mailFile = QStringLiteral("m") + c;
        EXPECT_EQ(ValidateSaveSettings(fields, Fixed),
                  QStringLiteral("メール送信－ファイル名に不正な文字があります。") + IllegalList)
            << int(c.unicode());
    }
    fields.mailFile.clear();
    EXPECT_EQ(ValidateSaveSettings(fields, Fixed),
              QStringLiteral("メール送信－ファイル名が入力されていません。"));
}

TEST(ValidateSaveSettings, AddressIsCheckedOnlyForAutomaticMail)
{
    SaveSettingsFields fields = acceptable();
    EXPECT_EQ(ValidateSaveSettings(fields, Fixed), QString());
    fields.sendMail = true;
    EXPECT_EQ(ValidateSaveSettings(fields, Fixed),
              QStringLiteral("メール送信－宛先が入力されていません。"));
    fields.mailTo = QStringLiteral("a@example.org\rBcc: evil@example.org");
    EXPECT_TRUE(
        ValidateSaveSettings(fields, Fixed)
            .startsWith(QStringLiteral("メール送信－宛先のメールアドレスが正しくありません。")));
    fields.mailTo = QStringLiteral("a@example.org");
    EXPECT_EQ(ValidateSaveSettings(fields, Fixed),
              QStringLiteral("メール送信－件名が入力されていません。"));
    fields.mailSubject = QStringLiteral("件名");
    EXPECT_EQ(ValidateSaveSettings(fields, Fixed), QString());
}

#include "edit/TfrmZoom.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace vistrel;

namespace {

class TfrmZoomTest : public testing::Test {
protected:
    void SetUp() override
    {
        MessageBox::setHandler(
            [this](const QString&, const QString& text) { m_messages.push_back(text); });
    }
    void TearDown() override { MessageBox::setHandler({}); }

    static QLineEdit* Edit(TfrmZoom& dialog, const char* name)
    {
        return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    static void Replace(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    QStringList m_messages;
};

} // namespace

TEST_F(TfrmZoomTest, TypingKeepsTheAspectRatio)
{
    TfrmZoom dialog({101, 75});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("イメージサイズ"));
    EXPECT_EQ(Edit(dialog, "edtParsent")->text(), "100");
    EXPECT_EQ(Edit(dialog, "edtWidth")->text(), "101");
    Replace(Edit(dialog, "edtParsent"), "50");
    EXPECT_EQ(Edit(dialog, "edtWidth")->text(), "50");
    EXPECT_EQ(Edit(dialog, "edtHeight")->text(), "38");
    // The recalculated percent is longer than the three characters one may type.
    Replace(Edit(dialog, "edtWidth"), "33");
    EXPECT_EQ(Edit(dialog, "edtParsent")->text(), "32.6733");
    EXPECT_EQ(Edit(dialog, "edtHeight")->text(), "25");
    Replace(Edit(dialog, "edtParsent"), "1234");
    EXPECT_EQ(Edit(dialog, "edtParsent")->text(), "123");
}

TEST_F(TfrmZoomTest, ConfirmShowsTheFaultsInOrderAndStaysOpen)
{
    TfrmZoom dialog({100, 50});
    auto* ok = dialog.findChild<QPushButton*>("butOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("変更(&S)"));
    dialog.show();
    Replace(Edit(dialog, "edtHeight"), "h");
    Replace(Edit(dialog, "edtWidth"), "w");
    Replace(Edit(dialog, "edtParsent"), "p");
    ok->click();
    Replace(Edit(dialog, "edtParsent"), "300");
    Edit(dialog, "edtWidth")->setText("w");
    ok->click();
    Replace(Edit(dialog, "edtParsent"), "150");
    Edit(dialog, "edtWidth")->setText("w");
    Edit(dialog, "edtHeight")->setText("h");
    ok->click();
    Edit(dialog, "edtWidth")->setText("150");
    Edit(dialog, "edtHeight")->setText("h");
    ok->click();
    EXPECT_EQ(m_messages,
              (QStringList{QStringLiteral("パーセントに数値以外が入力されています。"),
                           QStringLiteral("指定した値は有効範囲を超えています。（50%～200%）"),
                           QStringLiteral("幅に数値以外が入力されています。"),
                           QStringLiteral("高さに数値以外が入力されています。")}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    Replace(Edit(dialog, "edtWidth"), "200");
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenSize(), QSize(200, 100));
    EXPECT_EQ(m_messages.size(), 4);
}

TEST_F(TfrmZoomTest, SpinStepsWithinItsRangeAndHelpAsksForTopic52)
{
    TfrmZoom dialog({200, 100});
    int topic = 0;
    dialog.setHelpHandler([&topic](int t) { topic = t; });
    dialog.findChild<QPushButton*>("butHelp")->click();
    EXPECT_EQ(topic, 52);

    auto* up = dialog.findChild<QToolButton*>("udParsentUp");
    Replace(Edit(dialog, "edtParsent"), "150");
    up->click();
    EXPECT_EQ(Edit(dialog, "edtParsent")->text(), "150");
    dialog.findChild<QToolButton*>("udParsentDown")->click();
    EXPECT_EQ(Edit(dialog, "edtParsent")->text(), "149");
    EXPECT_EQ(Edit(dialog, "edtWidth")->text(), "298");
    EXPECT_EQ(Edit(dialog, "edtHeight")->text(), "149");
}

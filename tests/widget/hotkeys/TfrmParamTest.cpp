#include "hotkeys/TfrmParam.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace vistrel;

namespace {

// Runs `step` on the dialog once it is open, then presses OK or Cancel.
void whenOpen(TfrmParam& dialog, std::function<void()> step, const char* button)
{
    QTimer::singleShot(0, &dialog, [&dialog, step, button] {
        step();
        dialog.findChild<QAbstractButton*>(button)->click();
    });
}

QLabel* picture(TfrmParam& dialog)
{
    return dialog.findChild<QLabel*>("imgPreview");
}

} // namespace

TEST(TfrmParam, AskCaptureKindReturnsTheChoiceAndTheEditedOptions)
{
    TfrmParam dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Vistrel - 起動オプション"));
    CaptureOptions options;
    options.Mouse = true;
    options.TimerSeconds = 7;
    whenOpen(
        dialog,
        [&] {
            EXPECT_EQ(dialog.findChild<QLabel*>("lblMes")->text(),
                      QStringLiteral("次の方法でキャプチャを行います。"));
            EXPECT_TRUE(dialog.findChild<QCheckBox*>("chkMouse")->isChecked());
            EXPECT_FALSE(dialog.findChild<QSpinBox*>("edtTime")->isEnabled());
            EXPECT_TRUE(dialog.findChild<QRadioButton*>("optChoice1")->isChecked());
            dialog.findChild<QCheckBox*>("chkTimeOn")->click();
            EXPECT_TRUE(dialog.findChild<QSpinBox*>("edtTime")->isEnabled());
            dialog.findChild<QSpinBox*>("edtTime")->setValue(3);
            dialog.findChild<QCheckBox*>("chkClient")->click();
            dialog.findChild<QRadioButton*>("optChoice3")->click();
        },
        "butOK");
    EXPECT_EQ(dialog.AskCaptureKind(options), 3);
    EXPECT_TRUE(options.TimerOn);
    EXPECT_EQ(options.TimerSeconds, 3);
    EXPECT_TRUE(options.Client);
    EXPECT_TRUE(options.Mouse);

    const CaptureOptions before = options;
    whenOpen(
        dialog,
        [&] {
            EXPECT_TRUE(dialog.findChild<QRadioButton*>("optChoice1")->isChecked())
                << "each opening starts at the first choice";
            dialog.findChild<QCheckBox*>("chkTrim")->click();
            dialog.findChild<QRadioButton*>("optChoice2")->click();
        },
        "butCancel");
    EXPECT_EQ(dialog.AskCaptureKind(options), 0);
    EXPECT_EQ(options.Trim, before.Trim) << "cancel leaves the options";
}

TEST(TfrmParam, AskAfterActionOffersEightChoicesAndTogglesThePreview)
{
    TfrmParam dialog;
    QImage shot(1920, 1080, QImage::Format_RGB32);
    shot.fill(Qt::red);
    whenOpen(
        dialog,
        [&] {
            EXPECT_TRUE(dialog.findChild<QRadioButton*>("optChoice8"));
            EXPECT_FALSE(dialog.findChild<QRadioButton*>("optChoice9"));
            EXPECT_TRUE(dialog.previewFitted()) << "the first opening fits";
            EXPECT_EQ(picture(dialog)->size(), QSize(204, 112));
            EXPECT_EQ(picture(dialog)->toolTip(), QStringLiteral("サイズ : 1920×1080"));
            QTest::mouseClick(picture(dialog), Qt::LeftButton);
            EXPECT_EQ(picture(dialog)->size(), QSize(1920, 1080));
            dialog.findChild<QRadioButton*>("optChoice5")->click();
        },
        "butOK");
    EXPECT_EQ(dialog.AskAfterAction(shot), 5);

    // The mode persists and each opening toggles it: actual, toggled, is fitted again.
    whenOpen(
        dialog, [&] { EXPECT_TRUE(dialog.previewFitted()); }, "butCancel");
    EXPECT_EQ(dialog.AskAfterAction(shot), 0);
    whenOpen(
        dialog, [&] { EXPECT_FALSE(dialog.previewFitted()); }, "butOK");
    EXPECT_EQ(dialog.AskAfterAction(shot), 1);
}

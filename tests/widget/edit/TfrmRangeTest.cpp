#include "edit/modes/TfrmRange.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

class TfrmRangeTest : public testing::Test {
protected:
    TfrmRangeTest()
    {
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
        QImage view(200, 100, QImage::Format_RGB32);
        view.fill(Qt::white);
        request.view = view;
        request.start = {10, 20};
        request.end = {60, 70};
        request.follow = [this](QPoint start, QPoint end) { followed << QRect(start, end); };
    }
    ~TfrmRangeTest() override { MessageBox::setHandler({}); }

    template <class T>
    static T* child(QWidget& parent, const char* name)
    {
        return parent.findChild<T*>(QString::fromLatin1(name));
    }

    TrimRequest request;
    QList<QRect> followed;
    QStringList messages;
};

} // namespace

TEST_F(TfrmRangeTest, SpinnersStepListAndPreviewFollowTheCorners)
{
    TfrmRange wizard(request, {3, 7, 0});
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("切り抜き - ウイザード (1/2)"));
    auto* startY = child<QSpinBox>(wizard, "udStartY");
    EXPECT_EQ(child<QSpinBox>(wizard, "udStartX")->value(), 10);
    EXPECT_EQ(startY->value(), 20);
    EXPECT_EQ(child<QSpinBox>(wizard, "udEndY")->maximum(), 100);
    EXPECT_EQ(child<QLabel>(wizard, "lblWidth")->text(), "50");
    EXPECT_EQ(startY->singleStep(), 5); // step list index 3

    // Magnification 7: a 24 x 24 square around the start corner, shown at 180 x 180.
    EXPECT_EQ(wizard.previewSource(), QRect(0, 8, 24, 24));
    EXPECT_EQ(child<QLabel>(wizard, "imaPreview")->pixmap().size(), QSize(180, 180));
    EXPECT_TRUE(followed.isEmpty());

    // The up arrow of a vertical spinner moves the edge up, by the chosen step.
    child<QComboBox>(wizard, "cboPix")->setCurrentIndex(0);
    startY->stepBy(1);
    EXPECT_EQ(startY->value(), 19);
    EXPECT_EQ(followed, QList<QRect>{QRect(QPoint(10, 19), QPoint(60, 70))});
    child<QSlider>(wizard, "trkZoom")->setValue(1);
    EXPECT_EQ(child<QSlider>(wizard, "trkZoom")->toolTip(), QStringLiteral("1倍"));
    // Pushed back inside and never shrunk: on a picture lower than the square, the bottom holds.
    EXPECT_EQ(wizard.previewSource(), QRect(0, -80, 180, 180));
}

TEST_F(TfrmRangeTest, FinishStoresTheChoiceAndCancelStoresNothing)
{
    TrimWizardSettings stored{2, 4, 0};
    // No stored action: "名前を付けて保存する(&A)" is chosen, and finishing returns 1.
    QTimer::singleShot(0, [] {
        QWidget* wizard = QApplication::activeModalWidget();
        ASSERT_NE(wizard, nullptr);
        auto* next = wizard->findChild<QPushButton*>("butNext");
        next->click();
        EXPECT_EQ(wizard->windowTitle(), QStringLiteral("切り抜き - ウイザード (2/2)"));
        EXPECT_EQ(next->text(), QStringLiteral("完了(&S)"));
        EXPECT_TRUE(wizard->findChild<QRadioButton*>("optProc1")->isChecked());
        next->click();
    });
    TrimChoice choice = ExecuteTrim(nullptr, request, stored);
    EXPECT_EQ(choice.code, 1);
    EXPECT_EQ(choice.end, QPoint(60, 70));
    EXPECT_EQ(stored.action, 1);
    EXPECT_EQ(stored.stepIndex, 2);

    QTimer::singleShot(0, [] {
        QWidget* wizard = QApplication::activeModalWidget();
        ASSERT_NE(wizard, nullptr);
        wizard->findChild<QComboBox*>("cboPix")->setCurrentIndex(7);
        wizard->findChild<QPushButton*>("butNext")->click();
        wizard->findChild<QRadioButton*>("optProc9")->click();
        wizard->findChild<QPushButton*>("butCancel")->click();
    });
    choice = ExecuteTrim(nullptr, request, stored);
    EXPECT_EQ(choice.code, 0);
    EXPECT_EQ(stored.stepIndex, 2);
    EXPECT_EQ(stored.action, 1);
}

TEST_F(TfrmRangeTest, EmptyRangeIsSentBackForAdjusting)
{
    request.end = {10, 70};
    TfrmRange wizard(request, {3, 3, 6});
    auto* next = child<QPushButton>(wizard, "butNext");
    next->click();
    EXPECT_TRUE(child<QRadioButton>(wizard, "optProc6")->isChecked());
    next->click();
    EXPECT_EQ(messages,
              QStringList{QStringLiteral("切り抜き範囲の幅と高さを1ピクセル以上にしてください。")});
    EXPECT_EQ(wizard.page(), 0);
    EXPECT_NE(wizard.result(), QDialog::Accepted);
}

#include "output/print/PrintLayout.h"
#include "output/print/HeaderTokens.h"
#include "output/print/PrintAction.h"
#include "settings/Settings.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

const PrinterMetrics A4At600{QSize(4800, 6800), 600, 600};

PrintPlacement place(QSize picture, const TPrintOutMode& mode, PrintScale scale,
                     const PrinterMetrics& printer = A4At600, int headerWidth = 0)
{
    return PlacePrint(picture, printer, mode, scale, 96.0, headerWidth);
}

} // namespace

TEST(PrintLayout, MarginsAreTenDotsPerMillimetreAndTheHeaderLowersThePicture)
{
    TPrintOutMode mode;
    EXPECT_EQ(place({640, 480}, mode, PrintScale::None).picture, QRect(0, 0, 640, 480));

    mode.LeftOffset = 100; // 10 mm entered, at any resolution
    mode.TopOffset = 50;
    mode.HeaderOn = true;
    mode.FontSize = 10; // 10 pt at 600 dpi: 83.33 dots
    const PrintPlacement placed = place({640, 480}, mode, PrintScale::None);
    EXPECT_EQ(placed.fontHeight, 83);
    EXPECT_EQ(placed.picture.topLeft(), QPoint(100, 133));
    EXPECT_EQ(placed.header, QPoint(100, 50));

    mode.HeaderPos = 7; // an unknown alignment draws nothing but keeps the gap
    EXPECT_FALSE(place({640, 480}, mode, PrintScale::None).header);
    EXPECT_EQ(place({640, 480}, mode, PrintScale::None).picture.top(), 133);
}

TEST(PrintLayout, ScalesBySizeFitAndScreenResolution)
{
    const TPrintOutMode mode;
    const PrinterMetrics tall{QSize(4000, 6000), 600, 600};
    EXPECT_EQ(place({1000, 500}, mode, PrintScale::FitToPage, tall).picture.size(),
              QSize(4000, 2000));
    const PrinterMetrics wide{QSize(4000, 1000), 600, 600};
    EXPECT_EQ(place({500, 1000}, mode, PrintScale::FitToPage, wide).picture.size(),
              QSize(500, 1000));
    // Fit to page measures what is left below the header and right of the margin.
    TPrintOutMode margins;
    margins.LeftOffset = 1000;
    EXPECT_EQ(place({1000, 500}, margins, PrintScale::FitToPage, tall).picture,
              QRect(1000, 0, 3000, 1500));
    // Screen size: 96 pixels become an inch of dots on each axis.
    const PrinterMetrics uneven{QSize(4800, 6800), 300, 600};
    EXPECT_EQ(place({96, 48}, mode, PrintScale::Proportional, uneven).picture.size(),
              QSize(300, 300));
    // Rounded to the nearest dot, a tie to the even one: 6.25 and 12.5 dots.
    EXPECT_EQ(place({1, 1}, mode, PrintScale::Proportional).picture.size(), QSize(6, 6));
    EXPECT_EQ(HeaderFontHeight(3, 300), 12);
}

TEST(PrintLayout, HeaderAlignment)
{
    TPrintOutMode mode;
    mode.HeaderOn = true;
    mode.LeftOffset = 100;
    mode.HeaderPos = 1; // centred, then moved by the left margin
    EXPECT_EQ(place({10, 10}, mode, PrintScale::None, A4At600, 801).header, QPoint(100 + 1999, 0));
    mode.HeaderPos = 2; // ends at the right edge, the left margin notwithstanding
    EXPECT_EQ(place({10, 10}, mode, PrintScale::None, A4At600, 800).header, QPoint(4000, 0));
}

TEST(PrintLayout, OrientationAndScaleChoices)
{
    EXPECT_EQ(PrintOrientation(2, {800, 600}), PageOrientation::Landscape);
    EXPECT_EQ(PrintOrientation(2, {600, 800}), PageOrientation::Portrait);
    EXPECT_EQ(PrintOrientation(2, {600, 600}), PageOrientation::Landscape);
    EXPECT_EQ(PrintOrientation(0, {800, 600}), PageOrientation::Portrait);
    EXPECT_EQ(PrintOrientation(1, {600, 800}), PageOrientation::Landscape);
    EXPECT_FALSE(PrintOrientation(3, {600, 800}));
    EXPECT_EQ(PrintScaleFromMode(2, PrintScale::None), PrintScale::Proportional);
    EXPECT_EQ(PrintScaleFromMode(0, PrintScale::FitToPage), PrintScale::None);
    EXPECT_EQ(PrintScaleFromMode(5, PrintScale::FitToPage), PrintScale::FitToPage);
}

TEST(HeaderTokens, FillsDateTimeUserAndComputerOnlyForExactTokens)
{
    HeaderTokenValues values{QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)), "taro", "desk",
                             QLocale(QLocale::Japanese, QLocale::Japan)};
    EXPECT_EQ(ExpandHeaderTokens("Date:<$DATE> <$TIME>  USER:<$USER>", values),
              "Date:2024/03/05 07:08:09  USER:taro");
    EXPECT_EQ(ExpandHeaderTokens("<$COM> <$com> plain", values), "desk <$com> plain");
    values.locale = QLocale(QLocale::German, QLocale::Germany);
    EXPECT_EQ(ExpandHeaderTokens("<$DATE>", values), "2024.03.05");
}

namespace {

class FakePrinter : public PrinterPort {
public:
    bool printers = true;
    bool dialogAccepted = true;
    QStringList calls;
    TPrintOutMode lastMode;

    bool hasPrinter() override { return printers; }
    bool choosePrinter() override
    {
        calls << "dialog";
        return dialogAccepted;
    }
    void print(const QImage&, const TPrintOutMode& mode, PrintScale) override
    {
        calls << "print";
        lastMode = mode;
    }
};

} // namespace

TEST(PrintAction, NoPrinterCancelledDialogAndOnePage)
{
    Settings settings{};
    settings.PRINT.LEFT = 10;
    settings.PRINT.TOP = 3;
    settings.HEAD.HEADPRN = true;
    settings.HEAD.TEXT = "<$USER>@<$COM>";
    const HeaderTokenValues tokens{QDateTime::currentDateTime(), "taro", "desk"};
    const QImage picture(4, 4, QImage::Format_RGB32);
    FakePrinter printer;

    printer.printers = false;
    EXPECT_EQ(PrintPictureAction(printer, picture, settings, PrintScale::None, tokens),
              "印刷するプリンタがありません。");
    printer.printers = true;
    EXPECT_EQ(PrintPictureAction(printer, picture, settings, PrintScale::None, tokens),
              "印刷が完了しました。");
    EXPECT_EQ(printer.calls, QStringList{"print"});
    EXPECT_EQ(printer.lastMode.LeftOffset, 100);
    EXPECT_EQ(printer.lastMode.TopOffset, 30);
    EXPECT_EQ(printer.lastMode.HeaderText, "taro@desk");

    settings.MAIN.PRNDIALOG = true;
    printer.dialogAccepted = false;
    printer.calls.clear();
    EXPECT_EQ(PrintPictureAction(printer, picture, settings, PrintScale::None, tokens), "");
    EXPECT_EQ(printer.calls, QStringList{"dialog"});
}

#include "output/print/PrintLayout.h"
#include "output/print/HeaderTokens.h"
#include "output/print/PrintAction.h"
#include "settings/Settings.h"

#include <QImage>
#include <QStringList>

#include <optional>
#include <vector>

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
    std::optional<PrinterMetrics> page;
    PrintScale lastScale = PrintScale::None;

    void print(const QImage&, const TPrintOutMode& mode, PrintScale scale) override
    {
        calls << "print";
        lastMode = mode;
        lastScale = scale;
    }
    std::optional<PrinterMetrics> pageFor(const QImage&, const TPrintOutMode&) override
    {
        return page;
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

// A picture 100 times higher than wide fits the page at a few per cent: split at the page's
// width, every row is printed once, each page full but the last, below the header.
TEST(PrintLayout, ATallPictureSplitsIntoPagesAtThePageWidth)
{
    TPrintOutMode mode;
    mode.HeaderOn = true; // 10 points at 600 dpi: 83 dots
    mode.TopOffset = 17;
    const QSize tall(480, 48000);
    EXPECT_EQ(AvailablePrintArea(A4At600, mode), QSize(4800, 6700));
    // 600 dots to the inch print a 96-dpi screen's pixel as 6.25 dots.
    EXPECT_TRUE(SplitPrintsLarger(tall, A4At600, mode, 96.0));
    EXPECT_FALSE(SplitPrintsLarger({480, 4000}, A4At600, mode, 96.0)) << "fitted at 27 %";
    EXPECT_TRUE(SplitPrintsLarger({480, 6000}, A4At600, mode, 96.0)) << "fitted at 18 %";
    EXPECT_FALSE(SplitPrintsLarger({48000, 480}, A4At600, mode, 96.0)) << "wide: nothing gained";

    const std::vector<PrintStrip> pages = SplitIntoPages(tall, {0, 100}, {4800, 6700});
    ASSERT_EQ(pages.size(), 72u); // 670 rows a page
    int printedRows = 0;
    for (const PrintStrip& page : pages) {
        EXPECT_EQ(page.source.top(), printedRows);
        EXPECT_EQ(page.target.topLeft(), QPoint(0, 100));
        EXPECT_EQ(page.target.width(), 4800);
        EXPECT_LE(page.target.height(), 6700);
        printedRows += page.source.height();
    }
    EXPECT_EQ(printedRows, 48000);
    EXPECT_EQ(pages.front().target.height(), 6700);
    EXPECT_EQ(pages.back().source.height(), 48000 - 71 * 670);
    EXPECT_EQ(PrintScaleFromMode(3, PrintScale::None), PrintScale::SplitPages);
}

// Printing a picture that the fit would make unreadable offers the split; declined, it is
// fitted as before; without anyone to ask, or for a readable fit, nothing is asked.
TEST(PrintAction, AnUnreadableFitOffersToSplit)
{
    Settings settings{};
    settings.HEAD.HEADPRN = false;
    const HeaderTokenValues tokens{QDateTime::currentDateTime(), "taro", "desk"};
    FakePrinter printer;
    printer.page = A4At600;
    const QImage tall(100, 40000, QImage::Format_RGB32);
    std::vector<double> offered;
    bool accept = true;
    const SplitOffer offer = [&](double fit) {
        offered.push_back(fit);
        return accept;
    };
    PrintPictureAction(printer, tall, settings, PrintScale::FitToPage, tokens, offer);
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_NEAR(offered[0], 6800.0 / 40000 * 96 / 600, 1e-9);
    EXPECT_EQ(printer.lastScale, PrintScale::SplitPages);

    accept = false;
    PrintPictureAction(printer, tall, settings, PrintScale::FitToPage, tokens, offer);
    EXPECT_EQ(printer.lastScale, PrintScale::FitToPage);
    PrintPictureAction(printer, tall, settings, PrintScale::FitToPage, tokens);
    EXPECT_EQ(printer.lastScale, PrintScale::FitToPage);
    PrintPictureAction(printer, QImage(100, 200, QImage::Format_RGB32), settings,
                       PrintScale::FitToPage, tokens, offer);
    PrintPictureAction(printer, tall, settings, PrintScale::None, tokens, offer);
    EXPECT_EQ(offered.size(), 2u);
    EXPECT_EQ(printer.lastScale, PrintScale::None);
}

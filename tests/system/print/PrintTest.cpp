#include "PrivateCups.h"

#include "harness/VistrelProcess.h"
#include "harness/Wait.h"
#include "harness/XSession.h"

#include <QImage>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

using namespace vistrel::test;

namespace {

const QString Printed = QStringLiteral("status: 印刷が完了しました。");

// Pages are read back at this many pixels to the inch.
constexpr int ReadbackDpi = 144;

// Where the screen picture lies on a page read back: the rows inked nearly as wide as the
// widest one, so the header line does not count.
QRect pictureOnPage(const QImage& page)
{
    std::vector<std::pair<int, int>> spans(page.height(), {page.width(), -1});
    int widest = 0;
    for (int y = 0; y < page.height(); ++y) {
        int inked = 0;
        for (int x = 0; x < page.width(); ++x) {
            if (qGray(page.pixel(x, y)) < 230) {
                ++inked;
                spans[y] = {std::min(spans[y].first, x), x};
            }
        }
        widest = std::max(widest, inked);
    }
    QRect found;
    for (int y = 0; y < page.height(); ++y)
        if (spans[y].second >= 0 && spans[y].second - spans[y].first + 1 >= widest * 9 / 10)
            found |= QRect(QPoint(spans[y].first, y), QPoint(spans[y].second, y));
    return found;
}

struct PrintedPage {
    QImage image; // the printer's page
    QImage sent;  // the page as the program handed it to CUPS
    QString text; // the text of that page
};

class PrintScene {
public:
    explicit PrintScene(const QByteArray& settings)
    {
        m_cups = std::make_unique<PrivateCups>();
        m_cups->addPdfQueue();
        m_vistrel.setEnv(QStringLiteral("CUPS_SERVER"), m_cups->server());
        m_vistrel.writeIni("[ALL]\nWAITTIME=300\n" + settings);
    }

    PrivateCups& cups() { return *m_cups; }
    VistrelProcess& vistrel() { return m_vistrel; }
    XSession& session() { return m_session; }

    void startMainWindow(const QStringList& args = {})
    {
        m_vistrel.start(args);
        const auto window = m_vistrel.waitForMainWindow();
        if (!window)
            throw std::runtime_error("no main window:\n" + m_vistrel.output().toStdString());
        m_mainWindow = *window;
    }
    void keys(const QStringList& sequence)
    {
        m_session.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                           QString::number(m_mainWindow)});
        for (const QString& key : sequence)
            m_session.xdotool({QStringLiteral("key"), key});
    }

    // Escape on the dialog that comes up over the main window; false when none came.
    bool cancelDialog() { return answerDialog(QStringLiteral("Escape")); }
    // `key` on the dialog that comes up over the main window, once it has the focus.
    bool answerDialog(const QString& key)
    {
        const bool shown = waitFor([&] {
            const CommandResult active = m_session.xdotool({QStringLiteral("getactivewindow")});
            const WindowId window = active.output.trimmed().toULong();
            return window != 0 && window != m_mainWindow &&
                   m_session.display().pid(window) == m_vistrel.pid();
        });
        if (shown)
            m_session.xdotool({QStringLiteral("key"), key});
        return shown;
    }

    // The one page CUPS made, once the PDF printer has finished it.
    PrintedPage waitForPage(int count = 1)
    {
        QStringList files;
        const bool written = waitFor([&] {
            files = m_cups->pdfFiles();
            return files.size() >= count &&
                   runCommand({QStringLiteral("pdfinfo"), files.last()}).exitCode == 0;
        });
        if (!written)
            throw std::runtime_error("no PDF from the queue:\n" + m_cups->log().toStdString());
        // The PDF printer keeps the look of a page but not its text, so the text is read
        // from the document CUPS was given.
        const QString sent = m_cups->spooledDocuments().value(count - 1);
        const CommandResult text =
            runCommand({QStringLiteral("pdftotext"), sent, QStringLiteral("-")});
        return {rasterise(files.last()), rasterise(sent), QString::fromUtf8(text.output)};
    }

    std::string log() const { return m_vistrel.testLog().join(u'\n').toStdString(); }

private:
    QImage rasterise(const QString& pdf)
    {
        const QString base = m_dir.filePath(QStringLiteral("page"));
        runCommand({QStringLiteral("pdftoppm"), QStringLiteral("-r"), QString::number(ReadbackDpi),
                    QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, base});
        return QImage(base + QStringLiteral(".png"));
    }

    XSession m_session;
    VistrelProcess m_vistrel{m_session};
    std::unique_ptr<PrivateCups> m_cups;
    QTemporaryDir m_dir;
    WindowId m_mainWindow = 0;
};

#define SKIP_WITHOUT_CUPS()                                                                        \
    if (const QString reason = PrivateCups::skipReason(); !reason.isEmpty())                       \
    GTEST_SKIP() << reason.toStdString()

QString loginName()
{
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

// Qt prints to the PDF queue at 1200 dots per inch.
constexpr double PixelsPerDot = double(ReadbackDpi) / 1200;
// A4 read back: 595 × 842 points.
const QSize A4Portrait(595 * ReadbackDpi / 72, 842 * ReadbackDpi / 72);

void expectNear(const QRect& actual, const QRectF& expected, const std::string& what)
{
    const double tolerance = 2.0;
    EXPECT_NEAR(actual.left(), expected.left(), tolerance) << what;
    EXPECT_NEAR(actual.top(), expected.top(), tolerance) << what;
    EXPECT_NEAR(actual.width(), expected.width(), tolerance) << what;
    EXPECT_NEAR(actual.height(), expected.height(), tolerance) << what;
}

} // namespace

TEST(PrintAfterCapture, ScreenSizeWithMarginsAndHeader)
{
    SKIP_WITHOUT_CUPS();
    PrintScene scene(
        "[MAIN]\nAFTERACTION=7\n[PRINT]\nMODE=0\nORIENT=0\nLEFT=10\nTOP=5\n[HEAD]\nHEADPRN=1\n"
        "FONTSIZE=10\nPOS=0\nTEXT=Vistrel <$USER> on <$COM>\n");
    scene.startMainWindow();
    scene.keys({QStringLiteral("alt+c"), QStringLiteral("f")}); // capture, then action 7
    ASSERT_TRUE(scene.vistrel().waitForLogLine(Printed)) << scene.log();
    const PrintedPage page = scene.waitForPage();
    ASSERT_FALSE(page.image.isNull());
    EXPECT_EQ(page.image.size(), A4Portrait);

    // One pixel per dot, 100 dots in and 50 down plus the header's 167 dots (10 pt).
    expectNear(pictureOnPage(page.image),
               QRectF(100 * PixelsPerDot, 217 * PixelsPerDot, XSession::ScreenWidth * PixelsPerDot,
                      XSession::ScreenHeight * PixelsPerDot),
               "screen size");
    EXPECT_TRUE(page.text.contains(
        QStringLiteral("Vistrel %1 on %2").arg(loginName(), QSysInfo::machineHostName())))
        << page.text.toStdString();
}

TEST(PrintAfterCapture, FitToLandscapePageFromTheFileMenu)
{
    SKIP_WITHOUT_CUPS();
    PrintScene scene("[MAIN]\nAFTERACTION=0\n[PRINT]\nMODE=1\nORIENT=2\n[HEAD]\nHEADPRN=0\n");
    scene.startMainWindow();
    scene.keys({QStringLiteral("alt+c"), QStringLiteral("f")});
    ASSERT_TRUE(scene.vistrel().waitForLogLine(
        QStringLiteral("status: 画面キャプチャが正常に完了しました")))
        << scene.log();
    scene.keys({QStringLiteral("alt+f"), QStringLiteral("p")});
    ASSERT_TRUE(scene.vistrel().waitForLogLine(Printed)) << scene.log();
    EXPECT_TRUE(scene.vistrel().testLog().contains(
        QStringLiteral("status: 印刷中です。しばらくお待ちください...")));
    const PrintedPage page = scene.waitForPage();
    // A wide picture turns the page and fills its width; the printer feeds the paper upright
    // and turns the page onto it.
    EXPECT_EQ(page.image.size(), A4Portrait);
    ASSERT_EQ(page.sent.size(), A4Portrait.transposed());
    const double width = page.sent.width();
    expectNear(pictureOnPage(page.sent),
               QRectF(0, 0, width, width * XSession::ScreenHeight / XSession::ScreenWidth),
               "fit to page");
    EXPECT_EQ(pictureOnPage(page.image).size(), pictureOnPage(page.sent).size().transposed());
    EXPECT_TRUE(page.text.trimmed().isEmpty()) << page.text.toStdString();

    // A queue that no longer takes jobs: the reason in a box, and no status left behind.
    scene.cups().rejectJobs();
    scene.keys({QStringLiteral("alt+f"), QStringLiteral("p")});
    ASSERT_TRUE(waitFor([&] {
        for (const QString& line : scene.vistrel().testLog())
            if (line.startsWith(QStringLiteral("error: 印刷できませんでした。")))
                return true;
        return false;
    })) << scene.log();
    EXPECT_EQ(scene.vistrel().testLog().count(Printed), 1);
}

TEST(PrintAfterCapture, CancelledPrinterDialogPrintsNothingAndClearsTheStatus)
{
    SKIP_WITHOUT_CUPS();
    PrintScene scene("[MAIN]\nAFTERACTION=7\nPRNDIALOG=1\n");
    scene.startMainWindow();
    scene.keys({QStringLiteral("alt+c"), QStringLiteral("f")});
    ASSERT_TRUE(scene.vistrel().waitForLogLine(
        QStringLiteral("status: 印刷中です。しばらくお待ちください...")))
        << scene.log();
    ASSERT_TRUE(scene.cancelDialog()) << scene.log();
    ASSERT_TRUE(waitFor([&] { return scene.vistrel().testLog().last() == "status: "; }))
        << scene.log();
    EXPECT_TRUE(scene.cups().spooledDocuments().isEmpty());
}

TEST(PrintFromCommandLine, ScreenResolutionScaleClipsAtThePaperEdge)
{
    SKIP_WITHOUT_CUPS();
    PrintScene scene("[PRINT]\nMODE=2\nORIENT=0\n[HEAD]\nHEADPRN=0\n");
    scene.vistrel().start({QStringLiteral("/C1"), QStringLiteral("/A7")});
    ASSERT_TRUE(scene.vistrel().waitForExit()) << scene.log();
    EXPECT_EQ(scene.vistrel().exitCode(), 0) << scene.log();
    const PrintedPage page = scene.waitForPage();
    // 96 screen pixels to the inch: 24000 × 13500 dots, cut at the page's right edge.
    expectNear(pictureOnPage(page.image), QRectF(0, 0, A4Portrait.width(), 13500 * PixelsPerDot),
               "screen resolution");
}

// A picture that fitting to the page would make unreadable: the offer to split it, taken,
// prints it at the page's width over several pages, each with the header.
TEST(PrintAfterCapture, ATallPictureIsSplitIntoPagesWhenTheUserAccepts)
{
    SKIP_WITHOUT_CUPS();
    PrintScene scene("[PRINT]\nMODE=1\nORIENT=0\n[HEAD]\nHEADPRN=1\nTEXT=TallHead\n");
    QImage tall(1600, 12000, QImage::Format_RGB32);
    for (int y = 0; y < tall.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(tall.scanLine(y)), tall.width(),
                    qRgb(y % 256, 40, 255 - y % 256));
    const QString file = scene.session().tempDir() + QStringLiteral("/tall.png");
    ASSERT_TRUE(tall.save(file));
    scene.startMainWindow({file});
    scene.keys({QStringLiteral("alt+f"), QStringLiteral("p")});
    ASSERT_TRUE(waitFor([&] {
        for (const QString& line : scene.vistrel().testLog())
            if (line.startsWith(QStringLiteral("question: この画像を用紙に合わせると")))
                return true;
        return false;
    })) << scene.log();
    ASSERT_TRUE(scene.answerDialog(QStringLiteral("Return"))) << scene.log();
    ASSERT_TRUE(scene.vistrel().waitForLogLine(Printed, std::chrono::seconds(60))) << scene.log();
    ASSERT_TRUE(waitFor([&] { return !scene.cups().spooledDocuments().isEmpty(); }));
    const QString sent = scene.cups().spooledDocuments().front();
    const QString info = QString::fromUtf8(runCommand({QStringLiteral("pdfinfo"), sent}).output);
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    ASSERT_TRUE(pages.hasMatch()) << info.toStdString();
    // About 6.2 dots a pixel across an A4 page at 1200 dpi: some 2,200 rows a page.
    const int count = pages.captured(1).toInt();
    EXPECT_GE(count, 5);
    EXPECT_LE(count, 7);
    const QString text = QString::fromUtf8(
        runCommand({QStringLiteral("pdftotext"), sent, QStringLiteral("-")}).output);
    EXPECT_EQ(text.count(QStringLiteral("TallHead")), count) << text.toStdString();
}

TEST(PrintWithoutPrinters, ACommandLinePrintSaysWhyOnStandardError)
{
    QTemporaryDir nowhere;
    XSession session;
    VistrelProcess vistrel(session);
    vistrel.setEnv(QStringLiteral("CUPS_SERVER"), nowhere.filePath(QStringLiteral("none.sock")));
    vistrel.writeIni("[ALL]\nWAITTIME=0\n");
    vistrel.start({QStringLiteral("/C1"), QStringLiteral("/A7")});
    ASSERT_TRUE(vistrel.waitForExit()) << vistrel.output().toStdString();
    EXPECT_EQ(vistrel.exitCode(), 1);
    EXPECT_TRUE(
        vistrel.output().contains(QStringLiteral("vistrel: 印刷するプリンタがありません。")))
        << vistrel.output().toStdString();
}

TEST(PrintWithoutPrinters, SaysSoInTheStatusBarOnly)
{
    // No scheduler at all answers here, so the printer list is empty.
    QTemporaryDir nowhere;
    XSession session;
    VistrelProcess vistrel(session);
    vistrel.setEnv(QStringLiteral("CUPS_SERVER"), nowhere.filePath(QStringLiteral("none.sock")));
    vistrel.writeIni("[ALL]\nWAITTIME=300\n[MAIN]\nAFTERACTION=7\n");
    vistrel.start();
    const auto window = vistrel.waitForMainWindow();
    ASSERT_TRUE(window) << vistrel.output().toStdString();
    session.xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(*window)});
    session.xdotool({QStringLiteral("key"), QStringLiteral("alt+c")});
    session.xdotool({QStringLiteral("key"), QStringLiteral("f")});
    ASSERT_TRUE(vistrel.waitForLogLine(QStringLiteral("status: 印刷するプリンタがありません。")))
        << vistrel.testLog().join(u'\n').toStdString();
    for (const QString& line : vistrel.testLog())
        EXPECT_FALSE(line.startsWith(QStringLiteral("error:"))) << line.toStdString();
}

#include "harness/VistrelProcess.h"
#include "harness/Wait.h"
#include "harness/XSession.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QUrl>

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

using namespace vistrel::test;

namespace {

constexpr int PaneWidth = 300;
// Colours no part of the window's frame, menus or toolbars uses, one per picture.
constexpr QRgb ColourA = 0xffc8125a;
constexpr QRgb ColourB = 0xff12c85a;
constexpr QRgb ColourC = 0xff5a12c8;

// The program with its file pane on a folder of pictures, continuous save into that
// folder as the after-capture action, and private trash and thumbnail folders.
class FilePaneScene {
public:
    FilePaneScene()
    {
        const QString base = QFileInfo(m_vistrel.configDir()).path();
        m_folder = base + QStringLiteral("/pictures");
        m_data = base + QStringLiteral("/data");
        m_cache = base + QStringLiteral("/cache");
        for (const QString& path : {m_folder, m_data, m_cache})
            QDir().mkpath(path);
        m_vistrel.setEnv(QStringLiteral("XDG_DATA_HOME"), m_data);
        m_vistrel.setEnv(QStringLiteral("XDG_CACHE_HOME"), m_cache);
    }

    QString folder() const { return m_folder; }
    QString data() const { return m_data; }
    QString cache() const { return m_cache; }
    VistrelProcess& vistrel() { return m_vistrel; }

    // A 24-bit bitmap of one colour, so that its size in KB tells it apart.
    QString writePicture(const QString& name, QSize size, QRgb colour, const QString& into = {})
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = (into.isEmpty() ? m_folder : into) + QLatin1Char('/') + name;
        if (!image.save(path, "BMP"))
            throw std::runtime_error("cannot write " + path.toStdString());
        return path;
    }

    void start(int viewStyle)
    {
        const QByteArray folder = QFile::encodeName(m_folder);
        m_vistrel.writeIni("[ALL]\nWAITTIME=300\n[MAIN]\nAFTERACTION=5\nFILELIST=1\nVIEW=" +
                           QByteArray::number(viewStyle) + "\n[FILELIST]\nINITDIR=" + folder +
                           "\nFILEMODE=1\n[AUTOSAVE]\nDIR=" + folder +
                           "\n[SCREEN]\nLEFT=20\nTOP=20\nWIDTH=1000\nHEIGHT=700\nSPPLIT=" +
                           QByteArray::number(PaneWidth) + "\n");
        m_vistrel.start();
        const auto window = m_vistrel.waitForMainWindow();
        if (!window)
            throw std::runtime_error("no main window; output:\n" +
                                     m_vistrel.output().toStdString());
        m_mainWindow = *window;
        activate();
    }

    void activate()
    {
        run({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
             QString::number(m_mainWindow)});
    }
    void key(const QString& name) { run({QStringLiteral("key"), name}); }

    // Pixels of `colour` in the pane (left) or in the picture area (right of the pane).
    int pixels(QRgb colour, bool inPane) const
    {
        const QImage shot = grabPart(inPane);
        int count = 0;
        for (int y = 0; y < shot.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
            for (int x = 0; x < shot.width(); ++x)
                count += (row[x] | 0xff000000) == colour;
        }
        return count;
    }

    // Clicks into the first thumbnail of `colour` in the pane (a run of 30 pixels of it, so
    // that a stray pixel of a screenshot's thumbnail does not count); false when none.
    bool clickColour(QRgb colour)
    {
        const QImage shot = grabPart(true);
        std::optional<QPoint> found;
        for (int y = 0; y < shot.height() && !found; ++y)
            for (int x = 0, run = 0; x < shot.width() && !found; ++x) {
                run = (shot.pixel(x, y) | 0xff000000) == colour ? run + 1 : 0;
                if (run == 30)
                    found = QPoint(x - 15, y + 8);
            }
        if (!found)
            return false;
        const QPoint at = part(true).topLeft() + *found;
        run({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
             QStringLiteral("click"), QStringLiteral("1")});
        return true;
    }

    // Answers the question box that comes up with its default button (Yes).
    bool answerQuestion()
    {
        WindowId box = 0;
        if (!waitFor([&] {
                for (const WindowId window : m_vistrel.windows(QStringLiteral("ファイルの削除")))
                    box = window;
                return box != 0;
            }))
            return false;
        run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(box)});
        key(QStringLiteral("Return"));
        return waitFor(
            [&] { return m_vistrel.windows(QStringLiteral("ファイルの削除")).isEmpty(); });
    }

    bool waitForLine(const QString& line, int count = 1)
    {
        return waitFor([&] { return m_vistrel.testLog().count(line) >= count; });
    }
    // The FILEMODE status line of the file that was opened last starts with its size.
    bool waitForOpened(const QString& path, std::chrono::milliseconds timeout = DefaultTimeout)
    {
        const QString prefix = QStringLiteral("status: ファイル情報 = サイズ : %1KB ")
                                   .arg((QFileInfo(path).size() + 1023) / 1024);
        return waitFor(
            [&] {
                const QStringList log = m_vistrel.testLog();
                return !log.isEmpty() && log.last().startsWith(prefix);
            },
            timeout);
    }
    std::string log() const { return m_vistrel.testLog().join(u'\n').toStdString(); }

private:
    QRect part(bool pane) const
    {
        const auto geometry = m_session.geometry(m_mainWindow);
        if (!geometry)
            return {};
        const QRect client = geometry->client;
        return pane ? QRect(client.left(), client.top(), PaneWidth, client.height())
                    : client.adjusted(PaneWidth + 8, 0, 0, 0);
    }
    QImage grabPart(bool pane) const
    {
        return m_session.grab(part(pane)).convertToFormat(QImage::Format_RGB32);
    }
    void run(const QStringList& args)
    {
        if (m_session.xdotool(args).exitCode != 0)
            throw std::runtime_error("xdotool " + args.join(u' ').toStdString() + " failed");
    }

    XSession m_session;
    VistrelProcess m_vistrel{m_session};
    QString m_folder;
    QString m_data;
    QString m_cache;
    WindowId m_mainWindow = 0;
};

QString found(int count)
{
    return QStringLiteral("status: %1個のファイルが見つかりました").arg(count);
}

} // namespace

// Lists the pictures of the folder and not its other files; a click opens one; Home and End
// walk the name order; Del moves the selected file to the trash after the question; a
// continuous save into the folder and a file copied in by another program show up at once.
TEST(FilePane, ListsOpensTrashesAndFollowsTheFolder)
{
    FilePaneScene scene;
    const QString a = scene.writePicture(QStringLiteral("a.bmp"), {100, 100}, ColourA);
    const QString b = scene.writePicture(QStringLiteral("b.bmp"), {200, 100}, ColourB);
    // A space and Japanese in the name: Path= in the trash information is escaped.
    const QString c = scene.writePicture(QStringLiteral("c 画像.BMP"), {150, 100}, ColourC);
    QFile notes(scene.folder() + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture");
    notes.close();
    scene.start(1);
    ASSERT_TRUE(scene.waitForLine(found(3))) << scene.log();

    // The thumbnails fill in; a click on one shows the picture at its own size.
    ASSERT_TRUE(waitFor([&] { return scene.pixels(ColourB, true) > 0; })) << scene.log();
    ASSERT_TRUE(scene.clickColour(ColourB));
    ASSERT_TRUE(scene.waitForOpened(b)) << scene.log();
    ASSERT_TRUE(waitFor([&] { return scene.pixels(ColourB, false) == 200 * 100; }))
        << scene.pixels(ColourB, false);

    scene.key(QStringLiteral("Home"));
    ASSERT_TRUE(scene.waitForOpened(a)) << scene.log();
    scene.key(QStringLiteral("End"));
    ASSERT_TRUE(scene.waitForOpened(c)) << scene.log();

    // Del on the last one: the question, then the trash with its information file.
    scene.key(QStringLiteral("Delete"));
    ASSERT_TRUE(scene.answerQuestion()) << scene.log();
    ASSERT_TRUE(scene.waitForLine(found(2))) << scene.log();
    EXPECT_FALSE(QFileInfo::exists(c));
    EXPECT_TRUE(QFileInfo::exists(scene.data() + QStringLiteral("/Trash/files/c 画像.BMP")));
    QFile info(scene.data() + QStringLiteral("/Trash/info/c 画像.BMP.trashinfo"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    const QByteArray said = info.readAll();
    EXPECT_TRUE(said.contains("Path=" + QUrl::toPercentEncoding(c, "/") + '\n'))
        << said.constData();
    EXPECT_TRUE(QFileInfo::exists(a) && QFileInfo::exists(b));

    // A capture saved into the shown folder refreshes the list.
    scene.key(QStringLiteral("alt+c"));
    scene.key(QStringLiteral("f"));
    ASSERT_TRUE(scene.waitForLine(
        QStringLiteral("status: 連続保存によりファイルへ出力しました。[ファイル名 = Vist001.bmp]")))
        << scene.log();
    EXPECT_TRUE(scene.waitForLine(found(3), 2)) << scene.log();

    // Another program's file appears without a refresh: End reaches it once the pane has
    // seen the change (a moment after the rename), so End is pressed until it does.
    const QString outside = QFileInfo(scene.folder()).path();
    const QString copied =
        scene.writePicture(QStringLiteral("zz.bmp"), {120, 100}, ColourC, outside);
    ASSERT_TRUE(QFile::rename(copied, scene.folder() + QStringLiteral("/zz.bmp")));
    scene.activate();
    ASSERT_TRUE(waitFor([&] { return scene.pixels(ColourA, true) > 0; })) << scene.log();
    ASSERT_TRUE(scene.clickColour(ColourA));
    ASSERT_TRUE(scene.waitForOpened(a)) << scene.log();
    ASSERT_TRUE(waitFor([&] {
        scene.key(QStringLiteral("End"));
        return scene.waitForOpened(scene.folder() + QStringLiteral("/zz.bmp"),
                                   std::chrono::seconds(1));
    })) << scene.log();
}

// Once the large-icon view has shown a folder, the shared thumbnail cache holds a valid
// thumbnail of every picture, named and marked as the freedesktop cache wants.
TEST(FilePane, LargeIconsFillTheSharedThumbnailCache)
{
    FilePaneScene scene;
    const QStringList pictures = {
        scene.writePicture(QStringLiteral("one.bmp"), {400, 200}, ColourA),
        scene.writePicture(QStringLiteral("two.bmp"), {64, 64}, ColourB),
        scene.writePicture(QStringLiteral("three.bmp"), {90, 300}, ColourC)};
    scene.start(1);
    ASSERT_TRUE(scene.waitForLine(found(3))) << scene.log();

    for (const QString& picture : pictures) {
        const QByteArray uri = QUrl::fromLocalFile(picture).toEncoded();
        const QString thumbnail =
            scene.cache() + QStringLiteral("/thumbnails/normal/") +
            QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
            QStringLiteral(".png");
        ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(thumbnail); })) << picture.toStdString();
        const QImage image(thumbnail, "PNG");
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.text(QStringLiteral("Thumb::URI")), QString::fromLatin1(uri));
        EXPECT_EQ(image.text(QStringLiteral("Thumb::MTime")),
                  QString::number(QFileInfo(picture).lastModified().toSecsSinceEpoch()));
        EXPECT_LE(std::max(image.width(), image.height()), 128);
        EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2) | 0xff000000,
                  QImage(picture).pixel(0, 0) | 0xff000000);
    }
}

// Walking through thirty pictures shows each in the one tab of opened pictures: no tab per
// file, and no undo step per file (Ctrl+Z has nothing to go back to). Closing that one tab
// leaves none.
TEST(FilePane, WalkingThirtyPicturesKeepsOneTabAndNoUndoSteps)
{
    FilePaneScene scene;
    QStringList pictures;
    for (int i = 0; i < 30; ++i) // heights 4 rows apart, so that each size in KB differs
        pictures << scene.writePicture(QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0')),
                                       {100, 100 + 4 * i}, ColourA);
    scene.start(1);
    ASSERT_TRUE(scene.waitForLine(found(30))) << scene.log();
    ASSERT_TRUE(waitFor([&] { return scene.pixels(ColourA, true) > 0; })) << scene.log();
    ASSERT_TRUE(scene.clickColour(ColourA));
    scene.key(QStringLiteral("Home"));
    ASSERT_TRUE(scene.waitForOpened(pictures[0])) << scene.log();
    for (int i = 1; i < 30; ++i) {
        scene.key(QStringLiteral("Right"));
        ASSERT_TRUE(scene.waitForOpened(pictures[i])) << i << scene.log();
    }
    const QString title = QStringLiteral("p29.bmp - %1 - Vistrel").arg(pictures[29]);
    ASSERT_TRUE(waitFor([&] { return !scene.vistrel().windows(title).isEmpty(); }));

    scene.key(QStringLiteral("ctrl+z"));
    ASSERT_TRUE(scene.waitForLine(QStringLiteral("message: １つ前の操作がありません")))
        << scene.log();
    scene.key(QStringLiteral("Return"));
    ASSERT_TRUE(waitFor([&] {
        return scene.vistrel().windows(title).size() == 1 &&
               scene.vistrel().windows().size() == 1; // the box has gone
    }));
    scene.activate();
    scene.key(QStringLiteral("ctrl+w")); // one tab: closing it leaves the bare window
    EXPECT_TRUE(waitFor([&] {
        return scene.vistrel().windows(QStringLiteral("Vistrel")).size() == 1 &&
               scene.vistrel().windows(title).isEmpty();
    })) << scene.log();
}

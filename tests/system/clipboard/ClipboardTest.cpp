#include "harness/VistrelProcess.h"
#include "harness/Wait.h"
#include "harness/XSession.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

using namespace vistrel::test;

namespace {

constexpr QRgb First = 0xff12c85a;
constexpr QRgb Second = 0xffc8125a;
const QSize BlockSize(120, 80);

// A gradient (so that a copy is compared pixel for pixel) around a block of `block`, which
// tells on the screen which picture is shown.
QImage picture(QRgb block)
{
    QImage image(200, 140, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x, y, 255 - x));
    for (int y = 30; y < 30 + BlockSize.height(); ++y)
        for (int x = 40; x < 40 + BlockSize.width(); ++x)
            image.setPixel(x, y, block);
    return image;
}

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage decoded(const QByteArray& bytes)
{
    return QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGB32);
}

// The program on its own X session, with xclip as the other program on the clipboard.
class ClipboardScene {
public:
    ClipboardScene() : m_vistrel(m_session) {}

    XSession& session() { return m_session; }
    VistrelProcess& vistrel() { return m_vistrel; }

    void start(const QStringList& args = {})
    {
        m_vistrel.start(args);
        const auto window = m_vistrel.waitForMainWindow();
        if (!window)
            throw std::runtime_error("no main window:\n" + log());
        m_mainWindow = *window;
    }

    // The keys go to the main window, as the user's would.
    void key(const QString& name)
    {
        m_session.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                           QString::number(m_mainWindow)});
        m_session.xdotool({QStringLiteral("key"), name});
    }

    // Answers the message box beside the main window with its OK key.
    bool closeMessageBox()
    {
        WindowId box = 0;
        const auto other = [&] {
            for (const WindowId window : m_vistrel.windows())
                if (window != m_mainWindow)
                    box = window;
            return box != 0;
        };
        if (!waitFor(other))
            return false;
        m_session.xdotool({QStringLiteral("key"), QStringLiteral("--window"), QString::number(box),
                           QStringLiteral("Return")});
        return waitFor([&] { return !m_vistrel.windows().contains(box); });
    }

    // xclip owns the clipboard with these bytes as `type` (its text types when empty) until
    // another program takes it.
    void offer(const QByteArray& bytes, const QString& type = QString())
    {
        const QString file = m_session.tempDir() + QStringLiteral("/offer%1").arg(++m_offers);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write " + file.toStdString());
        out.close();
        QStringList argv{QStringLiteral("xclip"), QStringLiteral("-quiet"),
                         QStringLiteral("-selection"), QStringLiteral("clipboard")};
        if (!type.isEmpty())
            argv << QStringLiteral("-t") << type;
        ChildOptions quiet;
        quiet.outputFile = file + QStringLiteral(".log");
        m_session.start(argv << QStringLiteral("-i") << file, quiet);
        const QString expected = type.isEmpty() ? QStringLiteral("UTF8_STRING") : type;
        if (!waitFor([&] { return targets().contains(expected); }))
            throw std::runtime_error("xclip did not take the clipboard; it offers " +
                                     targets().join(u' ').toStdString() + "; xclip said:\n" +
                                     contents(quiet.outputFile).toStdString());
    }

    QByteArray read(const QString& type)
    {
        return runCommand({QStringLiteral("xclip"), QStringLiteral("-selection"),
                           QStringLiteral("clipboard"), QStringLiteral("-t"), type,
                           QStringLiteral("-o")},
                          // A reader whose request reached an owner that was just leaving
                          // waits for ever: the callers ask again.
                          m_session.optionsFor({}), std::chrono::seconds(5))
            .output;
    }
    QStringList targets()
    {
        return QString::fromLatin1(read(QStringLiteral("TARGETS")))
            .split(u'\n', Qt::SkipEmptyParts);
    }

    // Pixels of this colour in the main window.
    int pixels(QRgb colour)
    {
        const auto geometry = m_session.geometry(m_mainWindow);
        if (!geometry)
            return -1;
        const QImage shot = m_session.grab(geometry->client);
        int count = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                count += (shot.pixel(x, y) | 0xff000000) == colour;
        return count;
    }
    bool shows(QRgb colour)
    {
        return waitFor([&] { return pixels(colour) >= BlockSize.width() * BlockSize.height(); });
    }

    // The keeping process this program left behind, found by its private settings folder.
    std::optional<pid_t> keeper() const
    {
        const QByteArray marker = "VISTREL_CONFIG_DIR=" + QFile::encodeName(m_vistrel.configDir());
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool number = false;
            const pid_t pid = entry.toInt(&number);
            if (!number)
                continue;
            const QByteArray command = contents(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (command.contains("--keep-clipboard") &&
                contents(QStringLiteral("/proc/%1/environ").arg(pid)).split('\0').contains(marker))
                return pid;
        }
        return std::nullopt;
    }

    std::string log() const
    {
        return "log:\n" + m_vistrel.testLog().join(u'\n').toStdString() + "\noutput:\n" +
               m_vistrel.output().toStdString();
    }

private:
    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    XSession m_session;
    VistrelProcess m_vistrel;
    WindowId m_mainWindow = 0;
    int m_offers = 0;
};

// Ends a keeping process a failed test left behind (by its id).
struct KeeperGuard {
    ClipboardScene& scene;
    ~KeeperGuard()
    {
        if (const auto pid = scene.keeper())
            ::kill(*pid, SIGKILL);
    }
};

} // namespace

// Pictures pasted from another program become undoable steps; a copy from the Edit menu
// offers PNG to other programs, and it reads back pixel for pixel.
TEST(Clipboard, PasteIsUndoableAndCopyReadsBackPixelForPixel)
{
    ClipboardScene scene;
    scene.start();
    scene.offer(png(picture(First)), QStringLiteral("image/png"));
    scene.key(QStringLiteral("ctrl+v"));
    ASSERT_TRUE(scene.shows(First)) << scene.log();
    scene.offer(png(picture(Second)), QStringLiteral("image/png"));
    scene.key(QStringLiteral("ctrl+v"));
    ASSERT_TRUE(scene.shows(Second)) << scene.log();
    scene.key(QStringLiteral("ctrl+z"));
    ASSERT_TRUE(scene.shows(First)) << scene.log();

    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("c"));
    ASSERT_TRUE(waitFor([&] {
        return scene.vistrel().testLog().contains(
            QStringLiteral("status: クリップボードへコピーしました。"));
    })) << scene.log();
    const QStringList targets = scene.targets();
    EXPECT_TRUE(targets.contains(QStringLiteral("image/png"))) << targets.join(u' ').toStdString();
    EXPECT_TRUE(targets.contains(QStringLiteral("image/bmp")));
    EXPECT_FALSE(targets.contains(QStringLiteral("UTF8_STRING")));
    EXPECT_EQ(decoded(scene.read(QStringLiteral("image/png"))), picture(First));
    const CommandResult primary = runCommand({QStringLiteral("xclip"), QStringLiteral("-selection"),
                                              QStringLiteral("primary"), QStringLiteral("-t"),
                                              QStringLiteral("TARGETS"), QStringLiteral("-o")},
                                             scene.session().optionsFor({}));
    EXPECT_FALSE(primary.output.contains("image/png")) << "PRIMARY is left alone";
}

// Text on the clipboard is refused with the message and changes nothing; a file manager's
// copy of one picture file opens that picture.
TEST(Clipboard, TextIsRefusedAndACopiedFileOpens)
{
    ClipboardScene scene;
    scene.start();
    scene.offer("just some words");
    scene.key(QStringLiteral("ctrl+v"));
    ASSERT_TRUE(scene.vistrel().waitForLogLine(
        QStringLiteral("message: クリップボードの形式がビットマップではありません。")))
        << scene.log();
    ASSERT_TRUE(scene.closeMessageBox()) << scene.log();

    const QString file = scene.session().tempDir() + QStringLiteral("/copied picture.png");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(png(picture(Second)));
    out.close();
    scene.offer(QUrl::fromLocalFile(file).toEncoded() + "\r\n", QStringLiteral("text/uri-list"));
    scene.key(QStringLiteral("ctrl+v"));
    EXPECT_TRUE(scene.shows(Second)) << scene.log();
}

// A command-line copy stays on the clipboard after the program has ended, served by a
// keeping process that ends as soon as another program takes the clipboard.
TEST(Clipboard, CommandLineCopyOutlivesTheProgram)
{
    ClipboardScene scene;
    const KeeperGuard guard{scene};
    const QImage screen = scene.session().grab();
    scene.vistrel().start({QStringLiteral("/C1"), QStringLiteral("/A6")});
    ASSERT_TRUE(scene.vistrel().waitForExit()) << scene.log();
    EXPECT_EQ(scene.vistrel().exitCode(), 0) << scene.log();

    EXPECT_EQ(decoded(scene.read(QStringLiteral("image/png"))), screen);
    const auto keeper = scene.keeper();
    ASSERT_TRUE(keeper.has_value());
    scene.offer("something else");
    EXPECT_TRUE(waitFor([&] { return !scene.keeper(); })) << "the keeper stays";
}

// A picture over 65,535 pixels wide (a long scroll capture turned on its side) stays on the
// clipboard after the program has ended; its values are larger than one request, so they go
// to the reader in pieces.
TEST(Clipboard, AVeryLargeCopyOutlivesTheProgram)
{
    ClipboardScene scene;
    const KeeperGuard guard{scene};
    QImage wide(70000, 8, QImage::Format_RGB32);
    quint32 noise = 12345; // incompressible, so that the PNG is large too
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 0; x < wide.width(); ++x)
            wide.setPixel(x, y, 0xff000000 | (noise = noise * 1664525u + 1013904223u) >> 8);
    const QString file = scene.session().tempDir() + QStringLiteral("/wide.png");
    ASSERT_TRUE(wide.save(file));
    scene.start({file});
    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("c"));
    ASSERT_TRUE(
        scene.vistrel().waitForLogLine(QStringLiteral("status: クリップボードへコピーしました。")))
        << scene.log();
    scene.vistrel().signal(SIGTERM);
    ASSERT_TRUE(scene.vistrel().waitForExit()) << scene.log();
    EXPECT_EQ(scene.vistrel().exitCode(), 0) << scene.log();

    ASSERT_TRUE(scene.keeper().has_value()) << scene.log();
    const QByteArray png = scene.read(QStringLiteral("image/png"));
    EXPECT_GT(png.size(), 1 << 20);
    EXPECT_EQ(decoded(png), wide);
    const QImage bmp = QImage::fromData(scene.read(QStringLiteral("image/bmp")), "BMP");
    EXPECT_EQ(bmp.convertToFormat(QImage::Format_RGB32), wide);
}

// With a clipboard manager running, the copy is handed to it and nothing of ours stays.
TEST(Clipboard, ClipboardManagerReceivesTheCopyAtExit)
{
    ClipboardScene scene;
    const KeeperGuard guard{scene};
    const QString saved = scene.session().tempDir() + QStringLiteral("/saved.png");
    ChildOptions options;
    options.outputFile = scene.session().tempDir() + QStringLiteral("/manager.log");
    ChildProcess& manager =
        scene.session().start({QStringLiteral(CLIPBOARD_MANAGER_BINARY), saved}, options);
    ASSERT_TRUE(waitFor([&] {
        QFile log(options.outputFile);
        return log.open(QIODevice::ReadOnly) && log.readAll().contains("ready");
    }));
    const QImage screen = scene.session().grab();

    scene.vistrel().start({QStringLiteral("/C1"), QStringLiteral("/A6")});
    ASSERT_TRUE(scene.vistrel().waitForExit()) << scene.log();
    EXPECT_EQ(scene.vistrel().exitCode(), 0) << scene.log();
    ASSERT_TRUE(manager.waitForExit(DefaultTimeout));
    EXPECT_EQ(manager.exitCode(), 0);
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(decoded(file.readAll()), screen);
    EXPECT_TRUE(waitFor([&] { return !scene.keeper(); })) << "the keeper stays";
}

#pragma once

#include "harness/VistrelProcess.h"
#include "harness/XSession.h"

#include <QImage>
#include <QRect>

#include <memory>
#include <optional>

namespace vistrel::test {

// One X session with the program and the windows a capture test puts in front
// of it, plus the ways to drive the capture menu and read back what it took.
class CaptureScene {
public:
    static inline const QString Completed = QStringLiteral("画面キャプチャが正常に完了しました");
    static inline const QString Aborted = QStringLiteral("キャプチャ処理が中断されました");
    // The colour of the picking highlight on a true-colour screen.
    static constexpr QRgb HighlightColour = 0xff0000;
    static constexpr int HighlightThickness = 5;

    explicit CaptureScene(XSession::Server server = XSession::Server::Xvfb,
                          QSize screen = {XSession::ScreenWidth, XSession::ScreenHeight});
    explicit CaptureScene(QSize screen) : CaptureScene(XSession::Server::Xvfb, screen) {}
    ~CaptureScene();
    CaptureScene(const CaptureScene&) = delete;
    CaptureScene& operator=(const CaptureScene&) = delete;

    XSession& session() { return m_session; }
    VistrelProcess& vistrel() { return *m_vistrel; }
    // Where the program's main window sits, out of the way of the test windows.
    static QRect mainWindowArea() { return {40, 40, 650, 400}; }

    // Writes the settings (the [MAIN] lines given, a short wait, the window
    // place) and starts the program; fails the test when its window never comes.
    void startVistrel(const QByteArray& mainLines, const QByteArray& allLines = {});
    WindowId mainWindow() const { return m_mainWindow; }

    // A pattern window whose client area is exactly `client`, painted.
    WindowId startPattern(const QRect& client, const QString& title);
    // An xterm with its frame's top-left corner at `framePos`, in one colour.
    WindowId startXterm(QPoint framePos, const QString& title);
    WindowGeometry geometryOf(WindowId window);

    // Brings the window to the front and gives it the focus.
    void activate(WindowId window);
    // Opens the capture menu of the focused main window and picks the item
    // with this mnemonic.
    void chooseCaptureItem(const QString& mnemonic);
    void movePointer(QPoint position);
    void key(const QString& name);
    void click();

    // Status-bar messages shown so far with exactly this text.
    int statusCount(const QString& text) const;
    bool waitForStatusCount(const QString& text, int count);
    // The program's private temporary folder, empty until it exists.
    QString tempFolder() const;
    QStringList tabFiles() const;
    // The picture of tab file `number`, waited for (the program writes it behind what it
    // shows); null when it does not come.
    QImage tabPicture(int number) const;

    // The highlight frame is on screen around `rect` (sampled mid-bar).
    bool highlightAround(const QRect& rect);
    bool waitForHighlightAround(const QRect& rect);
    bool waitForMainWindowBack();

    // Starts a pattern window and the program (with these [MAIN] lines), captures the
    // pattern's client area through the capture menu as the picture, and gives the main
    // window the focus again; throws when the capture does not complete.
    void startWithPatternPicture(const QRect& client, const QString& title,
                                 const QByteArray& mainLines);
    // Where picture pixel (0, 0) of a captured pattern shows on the screen, found by the
    // pattern itself.
    std::optional<QPoint> pictureOnScreen();

private:
    QRgb screenPixel(QPoint point);

    XSession m_session;
    QString m_runtimeDir;
    std::unique_ptr<VistrelProcess> m_vistrel;
    WindowId m_mainWindow = 0;
};

// Pixels of `picture` that are exactly the highlight colour.
int countHighlightPixels(const QImage& picture);
// The first place where `picture` differs from a pattern of `size` whose
// top-left corner is at `origin`; nothing when the whole pattern is there.
std::optional<QPoint> firstPatternMismatch(const QImage& picture, QPoint origin, QSize size);

} // namespace vistrel::test

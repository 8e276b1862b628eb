#pragma once

#include "platform/Platform.h"

#include <QString>

namespace vistrel {

class CaptureEngine;
class ImageDocument;
class Platform;
class StatusPanels;
struct Settings;

// What the menu-driven capture needs from the main window.
class CaptureHost {
public:
    virtual ~CaptureHost() = default;
    virtual void endEditMode() = 0;
    // Hides the tray icon and the main window and lets the screen repaint.
    virtual void hideForCapture() = 0;
    // Shows them again and brings the main window to the front.
    virtual void showAfterCapture() = 0;
    virtual void runAfterActionCommand(int code) = 0;
};

// The capture started from the Capture menu, the toolbar or the tray menu:
// its picture becomes the current image in a new tab.
class MenuCapture {
public:
    MenuCapture(CaptureEngine& engine, ImageDocument& document, StatusPanels& status,
                Platform& platform, Settings& settings, CaptureHost& host);

    // `lastRegion`: a region capture takes the last region again without asking.
    void CaptureFromMenu(int kind, bool timer, bool lastRegion = false);

private:
    CaptureEngine& m_engine;
    ImageDocument& m_document;
    StatusPanels& m_status;
    Platform& m_platform;
    Settings& m_settings;
    CaptureHost& m_host;
};

// The tab title of a capture: the captured window's title, "デスクトップ" for a
// full-screen capture, "(不明)" for this program's own window or an empty title.
QString CaptureTabTitle(Platform& platform, int kind, WindowId target);

} // namespace vistrel

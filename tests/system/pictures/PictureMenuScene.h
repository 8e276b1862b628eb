#pragma once

#include "harness/VistrelProcess.h"
#include "harness/XSession.h"

#include <QImage>

#include <optional>

namespace vistrel::test {

// The program on its own X session with a folder of picture files it may read and write,
// and the File menu's open and save commands driven through Qt's file dialog.
class PictureMenuScene {
public:
    // A colour no part of the main window's frame, menus or toolbars uses.
    static constexpr QRgb MarkerColour = 0xff12c85a;

    PictureMenuScene();

    XSession& session() { return m_session; }
    VistrelProcess& vistrel() { return m_vistrel; }
    // Owned by the user the program runs as (also when the test runs as root).
    QString folder() const { return m_folder; }

    // Runs the program unprivileged and waits for its main window; false on timeout.
    bool start();
    WindowId mainWindow() const { return m_mainWindow; }

    // alt+f and the item's mnemonic, then the path typed into the file dialog and Return.
    void chooseFile(const QString& mnemonic, const QString& path);
    // Answers the message box the program shows (Return: its default button, or a key).
    bool answerMessageBox(const QString& key = QStringLiteral("Return"));
    // Pixels of the main window that show the marker colour.
    int markerPixels();
    // Everything the program wrote into its message log so far, for failure output.
    std::string log() const;

private:
    void key(const QString& name);
    WindowId activeWindow();
    std::optional<WindowId> waitForOtherWindow();

    XSession m_session;
    VistrelProcess m_vistrel;
    QString m_folder;
    WindowId m_mainWindow = 0;
    WindowId m_lastOther = 0;
};

// A PNG of `size` filled with the marker colour.
QByteArray markerPng(QSize size);

} // namespace vistrel::test

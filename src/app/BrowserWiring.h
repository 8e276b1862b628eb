#pragma once

#include <QStringList>

#include <functional>

class QSplitter;

namespace vistrel {

class CommandMap;
class FileListPane;
class TfrmMain;
struct ListedFile;

// Connects the file pane to the main window: its place beside the picture, its
// commands, the settings it starts from and leaves behind, and the saves it shows.
class BrowserWiring {
public:
    BrowserWiring(TfrmMain& main, QSplitter& splFile);
    ~BrowserWiring();
    BrowserWiring(const BrowserWiring&) = delete;
    BrowserWiring& operator=(const BrowserWiring&) = delete;

    void bind(CommandMap& commands);
    // Pane width, shown state, view style and the start folder from the settings.
    void applySettings();
    // Writes the pane's state back into the settings, before they are saved.
    void storeSettings();
    // The normal window run has begun: a start folder found missing is reported now, and
    // from now on when found. Before, a command-line capture would take the box for its
    // own result or show it in the middle of the capture.
    void windowRunStarted();

    FileListPane& pane() { return *m_pane; }
    bool isShown() const { return m_shown; }

    void mnuHyojiFileLstClick();
    void mnuHyojiBIconClick(int style);
    void DirlstChange();
    void mnuFileAtdirSetClick();
    void mnuFileDelClick();

    // Asks before files go to the trash; tests answer it themselves.
    std::function<bool(const QStringList& paths)> confirmTrash;

private:
    void showStartFolder();
    void reportMissingStartFolder();
    void showFileCount();
    void makePopupStylesRadio();
    void openSelectedFile(const QString& path, const ListedFile& file);
    void pictureFileWritten(const QString& folder);
    int paneWidth() const;

    TfrmMain& m_main;
    QSplitter& m_splFile;
    FileListPane* m_pane;
    bool m_shown = false;
    bool m_windowRunStarted = false;
    bool m_startFolderMissing = false;
    int m_width = 150;
};

} // namespace vistrel

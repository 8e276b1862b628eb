#pragma once

#include "output/AfterActions.h"
#include "output/PictureSaveOptions.h"
#include "output/print/PrintLayout.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>

namespace vistrel {

class CommandMap;
class MailPort;
class PrinterPort;
struct Settings;
class TfrmMain;

// Connects the output commands to the main window.
class OutputWiring : private AfterActionHost {
public:
    explicit OutputWiring(TfrmMain& main);
    ~OutputWiring() override;
    OutputWiring(const OutputWiring&) = delete;
    OutputWiring& operator=(const OutputWiring&) = delete;

    // Binds this subsystem's handlers in the command table.
    void bind(CommandMap& commands);

    // Runs the after-capture action selected in the main window (0 to 8) as if
    // its command had been clicked.
    void runAfterActionCommand(int code);
    // Carries out an after-capture action (1 to 9) on the current image, as a
    // request from a hotkey, the tray or the command line asks; true when it was done.
    bool PerformAfterAction(int code);

    void mnuFileOpenClick();
    // Shows a picture file named on the command line, as Open would. False (after the
    // message box) when it is no picture file; corrupt files throw.
    bool openPictureFile(const QString& path);
    void mnuEditPasteClick();
    void mnuFileSaveSetClick();
    // A picture from a file shows in the tab of opened pictures, captioned with its name.
    void showOpenedPicture(const QImage& picture, const QString& path);
    void mnuFilePrnSetClick();
    void mnuFilePrnDlgClick();

    // Takes the print scale from the print options, as applying the options does.
    void applyPrintMode();

    // The codec settings of a save, with the screen's colour depth.
    PictureSaveOptions saveOptions() const;

private:
    void showAutoSaveFolder();
    PrinterPort& printer();
    MailPort& mail();

    // AfterActionHost
    bool saveAs(int family) override;
    std::optional<QString> continuousSave() override;
    void copyToClipboard() override;
    QString printCurrentImage() override;
    QString sendCurrentImageByMail() override;
    void showCurrentImage() override;
    void showStatusMessage(const QString& text) override;
    bool checkPictureShown() override;
    void endEditMode() override;
    void copyViewToCurrentImage() override;
    void setBusy(bool busy) override;

    TfrmMain& m_main;
    AfterActions m_actions;
    std::unique_ptr<PrinterPort> m_printer;
    std::unique_ptr<MailPort> m_mail;
    PrintScale m_printScale = PrintScale::None;
};

} // namespace vistrel

#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace vistrel {

// What the after-capture actions need from the main window.
class AfterActionHost {
public:
    virtual ~AfterActionHost() = default;
    // The Save-As dialog for a family (1 to 4) on the current image; true when written.
    virtual bool saveAs(int family) = 0;
    // A continuous save of the current image; the name written, or nothing.
    virtual std::optional<QString> continuousSave() = 0;
    // Puts the current image on the clipboard.
    virtual void copyToClipboard() = 0;
    // Prints the current image; the status message: done, no printer, or empty when the
    // printer dialog was cancelled.
    virtual QString printCurrentImage() = 0;
    // Hands the current image to the mail program or sends it; the status message: the
    // compose window shown or the mail sent. Failures throw with their reason.
    virtual QString sendCurrentImageByMail() = 0;
    // Makes the current image the displayed picture, as an edit of the selected tab.
    virtual void showCurrentImage() = 0;
    virtual void showStatusMessage(const QString& text) = 0;

    // For the File commands, which work on the displayed picture. False (after the
    // message box) when no picture is shown.
    virtual bool checkPictureShown() = 0;
    virtual void endEditMode() = 0;
    virtual void copyViewToCurrentImage() = 0;
    virtual void setBusy(bool busy) = 0;
};

// The after-capture actions by code and the File commands that run them on the view.
class AfterActions {
public:
    static inline const char* const SavedText = "ファイルに保存しました。";
    static inline const char* const ChoosingFileText = "保存するファイルを指定しています...";
    static inline const char* const CopiedText = "クリップボードへコピーしました。";
    static inline const char* const PrintingText = "印刷中です。しばらくお待ちください...";
    static inline const char* const MailShownText = "メール送信画面を表示しました。";
    static inline const char* const MailSentText = "メールを送信しました。";

    explicit AfterActions(AfterActionHost& host) : m_host(host) {}

    // Carries out a code on the current image as it is and reports the result in the status
    // message; anything that did not succeed leaves the message empty. True when the action
    // did what it reports (false for a cancelled dialog, a missing folder, an unbuilt action).
    bool PerformAfterAction(int code);

    // Tags 1 to 4: Save-As for the bitmap, JPEG, PNG or GIF family.
    void mnuFileSaveClick(int tag);
    void mnuFileAutoSaveClick();
    void mnuEditCopyClick();
    void mnuFilePrintClick();
    void mnuFileSendMailClick();

    // The menu item a menu capture clicks for a selected code; empty for none.
    static QString commandForAfterAction(int code);
    static QString continuousSaveText(const QString& fileName);

private:
    // The status text and whether the action was done.
    std::pair<QString, bool> perform(int code);

    AfterActionHost& m_host;
};

} // namespace vistrel

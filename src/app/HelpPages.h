#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace vistrel {

// The HTML manual installed with the program (help/): each help topic of the dialogs is a
// page and a heading of it (platform/HelpTopics.h).
class HelpPages {
public:
    // The folder holding index.html: beside the executable (build tree and
    // portable use) or in the installed share folder. Empty when missing.
    static QString folder();
    // The page and heading of `topic` inside `helpFolder`; empty without a folder.
    static QUrl urlFor(int topic, const QString& helpFolder);
    static QUrl urlFor(int topic) { return urlFor(topic, folder()); }
    // The general page's choice: the web browser, or the program's own help window.
    static void setUseBrowser(bool browser);
    // Opens the topic where the user chose; without help pages it says where they belong.
    static void OpenHelp(int topic);
    // Shows a manual page: in the browser when `browser` is set and one shows it, else in
    // `ownWindow`, so that help works on a desktop without any browser.
    static void showHelpPage(const QUrl& page, bool browser,
                             const std::function<bool(const QUrl&)>& open,
                             const std::function<void(const QUrl&)>& ownWindow);
    // Opens the product's web page, where the latest version is offered.
    static void OpenHomePage();
    // Hands a page to the desktop's opener (xdg-open); false when there is none or it
    // reports that nothing could show the page.
    static bool OpenInBrowser(const QUrl& url);
    // Opens a page with `open`; when nothing could open it (no browser), a message box tells
    // where the help file is, or which address to open.
    static void showPage(const QUrl& url, const std::function<bool(const QUrl&)>& open);
    static QString noBrowserText(const QUrl& page);
};

} // namespace vistrel

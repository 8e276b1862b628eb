#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace vistrel {

// The HTML help installed with the program; each context number of the
// dialogs is an anchor "context-<n>" of the help page.
class HelpPages {
public:
    // The folder holding index.html: beside the executable (build tree and
    // portable use) or in the installed share folder. Empty when missing.
    static QString folder();
    static QUrl urlFor(int context);
    // Opens the page in the user's browser; does nothing without help pages.
    static void OpenHelp(int context);
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

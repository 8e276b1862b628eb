#pragma once

#include <QString>
#include <QUrl>

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
};

} // namespace vistrel

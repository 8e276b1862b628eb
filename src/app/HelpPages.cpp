#include "app/HelpPages.h"

#include "app/ProductInfo.h"
#include "output/mail/ProgramRunner.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vistrel {

namespace {

// xdg-open runs a browser it starts itself in the foreground: one still running by then has
// shown the page.
constexpr std::chrono::seconds BrowserPatience{5};

} // namespace

QString HelpPages::folder()
{
    const QDir exeFolder(ProgramFolder());
    for (const QString& candidate : {exeFolder.filePath(QStringLiteral("help")),
                                     exeFolder.filePath(QStringLiteral("../share/vistrel/help"))}) {
        if (QFileInfo(candidate + QStringLiteral("/index.html")).isFile())
            return QDir::cleanPath(candidate);
    }
    return {};
}

QUrl HelpPages::urlFor(int context)
{
    const QString helpFolder = folder();
    if (helpFolder.isEmpty())
        return {};
    QUrl url = QUrl::fromLocalFile(helpFolder + QStringLiteral("/index.html"));
    if (context != 0)
        url.setFragment(QStringLiteral("context-%1").arg(context));
    return url;
}

void HelpPages::OpenHelp(int context)
{
    showPage(urlFor(context), OpenInBrowser);
}

void HelpPages::OpenHomePage()
{
    showPage(QUrl(QString::fromLatin1(ProductHomePage)), OpenInBrowser);
}

bool HelpPages::OpenInBrowser(const QUrl& url)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return false;
    const ProgramOutcome outcome =
        RunProgram(opener, {url.toString(QUrl::FullyEncoded)}, {}, BrowserPatience, false);
    return outcome.stillRunning || outcome.exitStatus == 0;
}

void HelpPages::showPage(const QUrl& url, const std::function<bool(const QUrl&)>& open)
{
    if (url.isValid() && !open(url))
        MessageBox::information(noBrowserText(url));
}

QString HelpPages::noBrowserText(const QUrl& page)
{
    if (page.isLocalFile())
        return QStringLiteral("ヘルプを表示する Web ブラウザが見つかりません。\n"
                              "次のヘルプファイルをブラウザで開いてください。\n\n") +
               page.toLocalFile();
    return QStringLiteral("ページを表示する Web ブラウザが見つかりません。\n"
                          "次のアドレスをブラウザで開いてください。\n\n") +
           page.toString();
}

} // namespace vistrel

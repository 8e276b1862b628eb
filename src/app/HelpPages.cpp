#include "app/HelpPages.h"

#include "app/ProductInfo.h"
#include "app/TfrmHelp.h"
#include "output/mail/ProgramRunner.h"
#include "platform/HelpTopics.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

namespace vistrel {

namespace {

// xdg-open runs a browser it starts itself in the foreground: one still running by then has
// shown the page.
constexpr std::chrono::seconds BrowserPatience{5};

bool helpInBrowser = false;

// The program's own help window, made at its first use and kept for the run.
void showInHelpWindow(const QUrl& page)
{
    static QPointer<TfrmHelp> window;
    if (window.isNull()) {
        window = new TfrmHelp(HelpPages::OpenInBrowser);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    }
    window->showPage(page);
}

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

QUrl HelpPages::urlFor(int topic, const QString& helpFolder)
{
    if (helpFolder.isEmpty())
        return {};
    const HelpTopic& entry = FindHelpTopic(topic);
    QUrl url = QUrl::fromLocalFile(helpFolder + u'/' + QString::fromLatin1(entry.page));
    if (*entry.anchor != '\0')
        url.setFragment(QString::fromLatin1(entry.anchor));
    return url;
}

void HelpPages::setUseBrowser(bool browser)
{
    helpInBrowser = browser;
}

void HelpPages::OpenHelp(int topic)
{
    const QUrl page = urlFor(topic);
    if (!page.isValid()) {
        MessageBox::information(
            QStringLiteral("ヘルプファイルが見つかりません。\n"
                           "プログラムのフォルダの help、または %1 に置いてください。")
                .arg(QStringLiteral("/usr/share/vistrel/help")));
        return;
    }
    showHelpPage(page, helpInBrowser, OpenInBrowser, showInHelpWindow);
}

void HelpPages::showHelpPage(const QUrl& page, bool browser,
                             const std::function<bool(const QUrl&)>& open,
                             const std::function<void(const QUrl&)>& ownWindow)
{
    if (browser && open(page))
        return;
    ownWindow(page);
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

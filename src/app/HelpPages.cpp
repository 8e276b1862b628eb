#include "app/HelpPages.h"

#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace vistrel {

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
    showPage(urlFor(context), [](const QUrl& url) { return QDesktopServices::openUrl(url); });
}

void HelpPages::showPage(const QUrl& url, const std::function<bool(const QUrl&)>& open)
{
    if (url.isValid() && !open(url))
        MessageBox::information(noBrowserText(url.toLocalFile()));
}

QString HelpPages::noBrowserText(const QString& helpFile)
{
    return QStringLiteral("ヘルプを表示する Web ブラウザが見つかりません。\n"
                          "次のヘルプファイルをブラウザで開いてください。\n\n") +
           helpFile;
}

} // namespace vistrel

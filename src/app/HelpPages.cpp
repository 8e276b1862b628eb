#include "app/HelpPages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace vistrel {

QString HelpPages::folder()
{
    const QDir exeFolder(QCoreApplication::applicationDirPath());
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
    const QUrl url = urlFor(context);
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

} // namespace vistrel

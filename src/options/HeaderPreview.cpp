#include "options/HeaderPreview.h"

#include "output/FileNameTokens.h"

namespace vistrel {

QString HeaderPreviewText(const QString& text, const QDateTime& now, const QString& user,
                          const QString& computer)
{
    QString result =
        ReplaceAllText(text, QStringLiteral("<$DATE>"), now.toString(QStringLiteral("yyyy/MM/dd")));
    result =
        ReplaceAllText(result, QStringLiteral("<$TIME>"), now.toString(QStringLiteral("HH:mm:ss")));
    result = ReplaceAllText(result, QStringLiteral("<$USER>"), user.left(255));
    return ReplaceAllText(result, QStringLiteral("<$COM>"), computer.left(255));
}

} // namespace vistrel

#include "output/SaveAsLogic.h"

#include "output/FileNameTokens.h"

#include "output/PictureSaveOptions.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vistrel {

namespace {

QStringList anyCase(const QStringList& extensions)
{
    QStringList patterns;
    for (const QString& e : extensions)
        patterns << QStringLiteral("*.") + e << QStringLiteral("*.") + e.toUpper();
    return patterns;
}

} // namespace

const QStringList& SaveAsLogic::saveFilterLabels()
{
    static const QStringList labels = {
        QStringLiteral("ﾃﾞﾊﾞｲｽ      ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"),
        QStringLiteral("白黒        ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"),
        QStringLiteral("16色        ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"),
        QStringLiteral("256色       ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"),
        QStringLiteral("15bit(16K)  ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"),
        QStringLiteral("16bit(32K)  ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"),
        QStringLiteral("24bit(64K)  ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"),
        QStringLiteral("32bit(128K) ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"),
        QStringLiteral("JPEG ﾌｧｲﾙ            (*.Jpg)"),
        QStringLiteral("PNG ﾌｧｲﾙ             (*.png)"),
        QStringLiteral("GIF  ﾌｧｲﾙ            (*.gif)"),
        QStringLiteral("すべてのﾌｧｲﾙ         (*.*)"),
    };
    return labels;
}

QStringList SaveAsLogic::saveFilterPatterns(int saveType)
{
    switch (saveType) {
    case SaveTypeJpeg:
        return anyCase({QStringLiteral("jpg")});
    case SaveTypePng:
        return anyCase({QStringLiteral("png")});
    case SaveTypeGif:
        return anyCase({QStringLiteral("gif")});
    case SaveTypeAllFiles:
        return {QStringLiteral("*")};
    default:
        return anyCase({QStringLiteral("bmp")});
    }
}

int SaveAsLogic::initialFilterIndex(int family, int asSaveType)
{
    switch (family) {
    case Jpeg:
        return SaveTypeJpeg;
    case Png:
        return SaveTypePng;
    case Gif:
        return SaveTypeGif;
    default:
        // A hand-edited value outside the list opens on the first entry.
        return asSaveType >= 1 && asSaveType <= SaveTypeAllFiles ? asSaveType : SaveTypeDevice;
    }
}

QString SaveAsLogic::defaultSuffix(int saveType)
{
    return SaveTypeExtension(saveType);
}

QString SaveAsLogic::initialFolder(const QString& curDir, const QString& fallbackFolder)
{
    if (!curDir.isEmpty())
        return curDir;
    QString folder = fallbackFolder;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString SaveAsLogic::firstFolder(const QString& autoSaveDir)
{
    if (!autoSaveDir.isEmpty() && QFileInfo(autoSaveDir).isDir())
        return autoSaveDir;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

QString SaveAsLogic::overwriteQuestion(const QString& path)
{
    return path + QStringLiteral("\rこのﾌｧｲﾙは既に存在します。\r\r上書きしますか？");
}

const QStringList& SaveAsLogic::openFilterLabels()
{
    static const QStringList labels = {
        QStringLiteral("全ての画像ファイル"),
        QStringLiteral("ビットマップ (*.bmp)"),
        QStringLiteral("JPEGイメージファイル(*.jpg;*.jpeg)"),
        QStringLiteral("PNGファイル(*.png)"),
        QStringLiteral("GIFファイル(*.gif)"),
    };
    return labels;
}

QStringList SaveAsLogic::openFilterPatterns(int entry)
{
    switch (entry) {
    case 1:
        return anyCase({"bmp", "jpg", "jpeg", "png", "gif"});
    case 2:
        return anyCase({"bmp"});
    case 3:
        return anyCase({"jpg", "jpeg"});
    case 4:
        return anyCase({"png"});
    default:
        return anyCase({"gif"});
    }
}

} // namespace vistrel

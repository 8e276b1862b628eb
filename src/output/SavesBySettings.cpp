#include "output/SavesBySettings.h"

#include "settings/Settings.h"

#include <QGuiApplication>
#include <QScreen>

namespace vistrel {

PictureSaveOptions SaveOptionsOf(const Settings& s)
{
    PictureSaveOptions options;
    options.jpegQuality = s.SAVETYPE.JPGPS;
    options.jpegProgressive = s.SAVETYPE.JPGPRO;
    options.pngZlib = s.SAVETYPE.PNGZLIB;
    options.pngInterlace = s.SAVETYPE.PNGINTERLACE;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        options.screenDepth = screen->depth();
    return options;
}

ContinuousSaveSettings AutoSaveSettingsOf(const Settings& settings)
{
    const auto& a = settings.AUTOSAVE;
    return {a.DIR, a.SAVETYPE, a.FILE, a.FILEAFTER, a.AUTONOKETA, a.OVERWRITE};
}

std::optional<QString> ContinuousSaveBySettings(const QImage& picture, Settings& settings)
{
    return ContinuousSave().save(picture, AutoSaveSettingsOf(settings), settings.autoSaveNumber,
                                 SaveOptionsOf(settings));
}

} // namespace vistrel

#include "output/PictureFileCommands.h"

#include "output/PictureFile.h"
#include "output/SaveAsLogic.h"
#include "platform/FileWriting.h"

#include <QFileInfo>

namespace vistrel {

namespace {

// Restores the cursor however the write or read ends.
class BusyCursor {
public:
    explicit BusyCursor(PictureFilePrompts& prompts) : m_prompts(prompts)
    {
        m_prompts.setBusy(true);
    }
    ~BusyCursor() { m_prompts.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    PictureFilePrompts& m_prompts;
};

FileDialogRequest saveRequest(int family, const PictureFileSettings& settings,
                              const QString& fallbackFolder)
{
    FileDialogRequest request;
    request.filterLabels = SaveAsLogic::saveFilterLabels();
    for (int type = 1; type <= request.filterLabels.size(); ++type)
        request.filterPatterns << SaveAsLogic::saveFilterPatterns(type);
    request.filterIndex = SaveAsLogic::initialFilterIndex(family, settings.asSaveType);
    request.folder = SaveAsLogic::initialFolder(settings.curDir, fallbackFolder);
    return request;
}

FileDialogRequest openRequest(const PictureFileSettings& settings, const QString& fallbackFolder)
{
    FileDialogRequest request;
    request.filterLabels = SaveAsLogic::openFilterLabels();
    for (int entry = 1; entry <= request.filterLabels.size(); ++entry)
        request.filterPatterns << SaveAsLogic::openFilterPatterns(entry);
    request.folder = SaveAsLogic::initialFolder(settings.curDir, fallbackFolder);
    return request;
}

} // namespace

bool ExecuteSaveAs(int family, const QImage& picture, PictureFileSettings& settings,
                   const PictureSaveOptions& options, const QString& fallbackFolder,
                   PictureFilePrompts& prompts)
{
    const auto choice = prompts.askSavePath(saveRequest(family, settings, fallbackFolder));
    if (!choice || choice->path.isEmpty())
        return false;
    if (QFileInfo::exists(choice->path) &&
        !prompts.askYesNo(SaveAsLogic::overwriteQuestion(choice->path)))
        return false;
    // The selected entry decides the type, whatever extension the name has.
    const int type = choice->filterIndex;
    if (SaveAsLogic::remembersSaveType(family))
        settings.asSaveType = type;
    settings.curDir = folderOfPath(choice->path);
    settings.openedPath = choice->path;
    const BusyCursor busy(prompts);
    removeStalePartialFiles(settings.curDir);
    savePictureFile(picture, type, choice->path, options);
    return true;
}

bool ExecuteSaveAs(QWidget* parent, int family, const QImage& picture,
                   PictureFileSettings& settings, const PictureSaveOptions& options,
                   const QString& fallbackFolder)
{
    QtPictureFilePrompts prompts(parent);
    return ExecuteSaveAs(family, picture, settings, options, fallbackFolder, prompts);
}

QImage OpenPictureFile(PictureFileSettings& settings, const QString& fallbackFolder,
                       PictureFilePrompts& prompts)
{
    const auto choice = prompts.askOpenPath(openRequest(settings, fallbackFolder));
    if (!choice || choice->path.isEmpty())
        return QImage();
    // The folder is remembered even when the file turns out unreadable.
    settings.curDir = folderOfPath(choice->path);
    settings.openedPath = choice->path;
    const BusyCursor busy(prompts);
    return loadPictureFileInBackground(choice->path);
}

QImage OpenPictureFile(QWidget* parent, PictureFileSettings& settings,
                       const QString& fallbackFolder)
{
    QtPictureFilePrompts prompts(parent);
    return OpenPictureFile(settings, fallbackFolder, prompts);
}

} // namespace vistrel

#include "app/OutputWiring.h"

#include "app/CommandMap.h"
#include "app/TfrmMain.h"
#include "output/PictureFileCommands.h"
#include "platform/Platform.h"

namespace vistrel {

OutputWiring::OutputWiring(TfrmMain& main) : m_main(main) {}

void OutputWiring::bind(CommandMap& commands)
{
    commands.bind(QStringLiteral("mnuFileOpenClick"), [this](int) { mnuFileOpenClick(); });
}

void OutputWiring::mnuFileOpenClick()
{
    Settings& settings = m_main.settings();
    PictureFileSettings fileSettings{settings.MAIN.CURDIR, settings.OBJECT.ASSAVETYPE};
    QImage picture;
    try {
        picture = OpenPictureFile(&m_main, fileSettings, m_main.platform().settingsFolder());
    } catch (...) {
        settings.MAIN.CURDIR = fileSettings.curDir; // the folder is kept even for a bad file
        throw;
    }
    settings.MAIN.CURDIR = fileSettings.curDir;
    if (picture.isNull())
        return;
    m_main.document().currentImage() = picture;
    m_main.document().SetCurrentImage(ImageDocument::Mode::Reset);
}

} // namespace vistrel

namespace vistrel {

void OutputWiring::runAfterActionCommand(int code)
{
    Q_UNUSED(code);
}

void OutputWiring::PerformAfterAction(int code)
{
    Q_UNUSED(code);
}

} // namespace vistrel

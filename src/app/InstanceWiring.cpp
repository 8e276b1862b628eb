#include "app/InstanceWiring.h"

#include "app/CommandLine.h"
#include "app/HotkeyWiring.h"
#include "app/OutputWiring.h"
#include "app/TfrmMain.h"
#include "app/VistrelApplication.h"

#include <exception>

namespace vistrel {

InstanceWiring::InstanceWiring(TfrmMain& main)
    : m_main(main), m_server([this](const HandedRequest& request) { return serve(request); })
{}

bool InstanceWiring::listen()
{
    return m_server.listen(RequestSocketPath());
}

RequestResult InstanceWiring::serve(const HandedRequest& request)
{
    // Showing the window or a picture now would put them into the capture's picture.
    if (m_main.captureEngine().busy)
        return {1, QStringLiteral("another capture is in progress")};
    const CommandLine line = ParseCommandLine(request.arguments, request.workingDir);
    if (line.hasCapture())
        return m_main.hotkeys().runHandedRequest(line.request);
    if (!line.pictures.isEmpty())
        return openPictures(line.pictures);
    m_main.tryCapDblClick();
    return {};
}

RequestResult InstanceWiring::openPictures(const QStringList& pictures)
{
    m_main.tryCapDblClick();
    const QString& path = pictures.first();
    try {
        if (!m_main.output().openPictureFile(path))
            return {1, QStringLiteral("%1 is no picture file that can be opened").arg(path)};
    } catch (const std::exception& error) {
        const QString message = QString::fromUtf8(error.what());
        VistrelApplication::showError(message);
        return {1, message};
    }
    return {};
}

} // namespace vistrel

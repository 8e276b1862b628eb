#include "app/InstanceWiring.h"

#include "app/CommandLine.h"
#include "app/HotkeyWiring.h"
#include "app/OutputWiring.h"
#include "app/TfrmMain.h"
#include "app/VistrelApplication.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QTimer>

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
    CommandLine line = ParseCommandLine(request.arguments, request.workingDir);
    const QString busy = m_main.hotkeys().busyReason();
    // Showing the window or a picture now would put them into the capture's picture;
    // a new picture would also change the one an open dialog works on.
    if (!busy.isEmpty() &&
        (line.hasCapture() || !line.pictures.isEmpty() || m_main.captureEngine().busy))
        return {1, busy};
    if (line.hasCapture()) {
        resolveAgainstCaller(line.request, request.workingDir);
        return m_main.hotkeys().runHandedRequest(line.request);
    }
    if (!line.pictures.isEmpty())
        return openHandedPictures(line.pictures);
    m_main.tryCapDblClick();
    return {};
}

void InstanceWiring::resolveAgainstCaller(CaptureRequest& request, const QString& workingDir)
{
    // A relative folder means one in the folder the later start was run from.
    if (request.AutoSave && request.AutoSave->Dir && !request.AutoSave->Dir->isEmpty())
        request.AutoSave->Dir = QDir::cleanPath(
            QDir(workingDir).absoluteFilePath(QDir::fromNativeSeparators(*request.AutoSave->Dir)));
}

RequestResult InstanceWiring::openHandedPictures(const QStringList& pictures)
{
    // The later start waits for the answer: a box about a picture that cannot be opened
    // is shown once the answer has gone, and its text goes back as the reason.
    QList<CollectedMessages::Message> shown;
    RequestResult result;
    {
        const CollectedMessages collected;
        result = openPictures(pictures);
        shown = collected.messages();
    }
    if (shown.isEmpty())
        return result;
    if (shown.first().isError)
        result.exitCode = 1;
    if (result.exitCode != 0)
        result.reason = shown.first().text;
    QTimer::singleShot(0, &m_main, [shown] {
        for (const CollectedMessages::Message& message : shown) {
            if (message.isError)
                MessageBox::error(message.text);
            else
                MessageBox::information(message.text);
        }
    });
    return result;
}

RequestResult InstanceWiring::openPictures(const QStringList& pictures)
{
    m_main.tryCapDblClick();
    const QString& path = pictures.first();
    try {
        if (!m_main.output().openPictureFile(path))
            return {1, QStringLiteral("%1 は開くことのできる画像ファイルではありません。").arg(path)};
    } catch (const std::exception& error) {
        const QString message = QString::fromUtf8(error.what());
        VistrelApplication::showError(message);
        return {1, message};
    }
    return {};
}

} // namespace vistrel

#pragma once

#include "app/InstanceChannel.h"
#include "app/RequestResult.h"
#include "hotkeys/CaptureRequest.h"

#include <QStringList>

namespace vistrel {

class TfrmMain;

// Connects later starts of the program to this one: a capture they ask for runs here, a
// picture they name opens here, and a plain start brings the window to the front.
class InstanceWiring {
public:
    explicit InstanceWiring(TfrmMain& main);
    InstanceWiring(const InstanceWiring&) = delete;
    InstanceWiring& operator=(const InstanceWiring&) = delete;

    // Starts taking the requests of later starts; false when the socket cannot be made.
    bool listen();
    // Shows the window with the first of the pictures (from this start or a later one).
    RequestResult openPictures(const QStringList& pictures);
    // Carries out what a later start asks for and answers it.
    RequestResult serve(const HandedRequest& request);

private:
    static void resolveAgainstCaller(CaptureRequest& request, const QString& workingDir);
    RequestResult openHandedPictures(const QStringList& pictures);

    TfrmMain& m_main;
    RequestServer m_server;
};

} // namespace vistrel

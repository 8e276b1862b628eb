#pragma once

#include "app/InstanceRequest.h"

#include <memory>
#include <optional>

namespace vistrel {

class Platform;
class SingleInstance;

// The steps of a start that the small launcher and the full program share.

// --help and --version answer without a display; the capture grammar ignores them.
std::optional<int> AnswerInformationRequest(int argc, char** argv);

// The exit status when another copy runs and so takes the request.
std::optional<int> HandOverIfRunning(const SingleInstance& instance, const HandedRequest& started);

// The platform, or null once the reason it cannot be had is on standard error.
std::unique_ptr<Platform> LoadedPlatform(std::unique_ptr<Platform> (*load)());

// A capture that ends the program and shows nothing: it runs without Qt's window system
// (whose start costs more than the grab), on a connection to the X server of its own.
bool RunsWithoutWindows(int argc, char** argv);
// Such a run from start to exit; never returns once the capture has run.
int RunWithoutWindows(int argc, char** argv);

} // namespace vistrel

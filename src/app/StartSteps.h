#pragma once

#include "app/InstanceRequest.h"

#include <memory>
#include <optional>

namespace vistrel {

class Platform;
class SingleInstance;

// The steps of a start that the small launcher and the full program share.

// What every start does first: --help and --version are answered, writes past a file size
// limit are made to fail rather than kill, and a capture that ends the program and shows
// nothing is run. The exit status when the start ended there.
std::optional<int> RunLeanStart(int argc, char** argv);

// A full start needs the X server that Qt's xcb plugin would otherwise fail to reach with an
// English message and an abort: the reason is said here, in the program's words. Only the
// full program asks, so a launcher without it says first that it is missing.
std::optional<int> RefuseWithoutDisplay(int argc, char** argv);

// The exit status when another copy runs and so takes the request.
std::optional<int> HandOverIfRunning(const SingleInstance& instance, const HandedRequest& started);

// The platform, or null once the reason it cannot be had is on standard error.
std::unique_ptr<Platform> LoadedPlatform(std::unique_ptr<Platform> (*load)());

} // namespace vistrel

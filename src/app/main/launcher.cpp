// The program users start. It answers --help and --version and runs the window-less captures
// itself, linked against no widget, print, mail or sound library, so that a capture from a
// script or a hotkey daemon pays only for the libraries it uses. Every other start becomes
// the full program in the same process, with the same arguments.
#include "app/StartSteps.h"
#include "platform/FileWriting.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const char* const FullProgramName = "vistrel-app";

// The full program beside this one, as in the build tree; empty when there is none.
std::string fullProgramBesideThis()
{
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return {};
    std::string path(self, size_t(length));
    path.resize(path.rfind('/') + 1);
    path += FullProgramName;
    return ::access(path.c_str(), X_OK) == 0 ? path : std::string();
}

// Replaces this process by the full program; returns only when that fails.
int runFullProgram(char** argv)
{
    // argv[0] stays as the user typed it: the window class, the pid and the name in
    // process lists are those of the program started.
    const std::string beside = fullProgramBesideThis();
    const char* const path = beside.empty() ? VISTREL_INSTALLED_FULL_PROGRAM : beside.c_str();
    ::execv(path, argv);
    const int error = errno;
    std::fprintf(stderr, "vistrel: プログラム本体を起動できません: %s: %s\n", path,
                 vistrel::systemErrorText(error).toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> ended = vistrel::RunLeanStart(argc, argv))
        return *ended;
    return runFullProgram(argv);
}

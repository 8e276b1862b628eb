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

// The folder of this program, with its trailing slash; empty when unknown.
std::string ownFolder()
{
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return {};
    std::string path(self, size_t(length));
    path.resize(path.rfind('/') + 1);
    return path;
}

// The full program beside this one, as in the build tree, else where the installation puts
// it relative to this one (libexec/vistrel beside bin); empty when there is neither.
std::string fullProgramPath()
{
    const std::string folder = ownFolder();
    if (folder.empty())
        return {};
    for (const std::string& candidate :
         {folder + FullProgramName, folder + VISTREL_INSTALLED_FULL_PROGRAM})
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    return {};
}

// Replaces this process by the full program; returns only when that fails.
int runFullProgram(char** argv)
{
    // argv[0] stays as the user typed it: the window class, the pid and the name in
    // process lists are those of the program started.
    const std::string found = fullProgramPath();
    const char* const path = found.empty() ? FullProgramName : found.c_str();
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

#include "app/Startup.h"

#include <cstring>
#include <sys/prctl.h>

int main(int argc, char** argv)
{
    // Started through the launcher, the process keeps the name users started (top, killall),
    // not this file's.
    if (argc > 0 && argv[0] != nullptr) {
        const char* const slash = std::strrchr(argv[0], '/');
        ::prctl(PR_SET_NAME, slash != nullptr ? slash + 1 : argv[0]);
    }
    return vistrel::runVistrel(argc, argv);
}

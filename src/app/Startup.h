#pragma once

namespace vistrel {

// The program from start to end; returns the process exit code.
int runVistrel(int argc, char** argv);

} // namespace vistrel

#pragma once

namespace vistrel {

// Whether an after-capture action code (1 to 9) is built and can be carried out. The
// command line lists only these and refuses the others with a non-zero status.
bool IsAfterActionAvailable(int code);

} // namespace vistrel

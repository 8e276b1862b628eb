#pragma once

namespace vistrel {

// A descriptor that turns readable once the program has been asked to end (SIGTERM and the
// like). Waits that run no event loop (the window pick) watch it beside their own, so that
// the request is not left unanswered until the user finishes; -1 while nobody announces
// such requests.
void setTerminationNoticeFd(int fd);
int terminationNoticeFd();
// Whether the descriptor is readable now; it is only looked at, never read.
bool terminationNoticed();

} // namespace vistrel

#pragma once

#include <functional>

namespace vistrel {

// Runs body(firstRow, endRow) over [0, rows) split into `threads` contiguous bands, the
// first band on the calling thread. With one thread, or one row, nothing is spawned.
void RunRowBands(int rows, int threads, const std::function<void(int, int)>& body);

// The thread count for a kernel writing `pixels` destination pixels: one for small pictures,
// where starting a thread costs more than it saves.
int RowBandThreads(long long pixels);

} // namespace vistrel

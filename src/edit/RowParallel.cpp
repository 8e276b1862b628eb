#include "edit/RowParallel.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace vistrel {

namespace {
constexpr long long kPixelsPerThread = 1LL << 18;
constexpr int kMaxThreads = 4;
} // namespace

void RunRowBands(int rows, int threads, const std::function<void(int, int)>& body)
{
    threads = std::clamp(threads, 1, std::max(rows, 1));
    if (threads == 1) {
        body(0, rows);
        return;
    }
    const auto bandStart = [rows, threads](int t) {
        return static_cast<int>(static_cast<long long>(rows) * t / threads);
    };
    std::vector<std::thread> workers;
    workers.reserve(static_cast<size_t>(threads - 1));
    int spawnedEnd = 1; // bands 1 .. spawnedEnd-1 run on workers
    for (int t = 1; t < threads; ++t) {
        try {
            workers.emplace_back(body, bandStart(t), bandStart(t + 1));
        } catch (const std::system_error&) {
            break; // no thread to be had: the remaining bands run here
        }
        spawnedEnd = t + 1;
    }
    body(0, bandStart(1));
    if (spawnedEnd < threads) {
        body(bandStart(spawnedEnd), rows);
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
}

int RowBandThreads(long long pixels)
{
    const int cores = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    const long long wanted = std::max(1LL, pixels / kPixelsPerThread);
    return static_cast<int>(std::min<long long>({wanted, cores, kMaxThreads}));
}

} // namespace vistrel

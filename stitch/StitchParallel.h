// Work on the pieces spread over the machine's cores: each piece is independent (its own
// file, data set and bitmap), so decoding and analysing them need no locking. Results go
// into per-index slots, so they do not depend on which thread did what.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace stitchparallel {

// At most this many threads, the calling one included: the pieces are few and large.
constexpr unsigned kMaxThreads = 8;

// The threads worth starting for `count` independent items on this machine.
inline unsigned ThreadsFor(std::size_t count)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>({count, cores, kMaxThreads}));
}

// Calls work(i) once for every i in [0, count), on up to ThreadsFor(count) threads (the
// caller's among them), and returns when all are done. The first exception thrown by a
// call is rethrown here once every thread has stopped; items not yet started are skipped.
template <typename Work>
void ForEachIndex(std::size_t count, Work&& work)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr firstError;
    std::mutex errorLock;
    const auto drain = [&] {
        for (std::size_t i = next++; i < count && !failed; i = next++) {
            try {
                work(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(errorLock);
                if (!firstError)
                    firstError = std::current_exception();
                failed = true;
            }
        }
    };
    std::vector<std::jthread> helpers;
    try {
        for (unsigned t = 1; t < ThreadsFor(count); ++t)
            helpers.emplace_back(drain);
    } catch (const std::system_error&) {
        // No more threads to be had: the ones started and this one do the work.
    }
    drain();
    helpers.clear();  // joins
    if (firstError)
        std::rethrow_exception(firstError);
}

}  // namespace stitchparallel

#pragma once
// Work shared out over a few threads, the calling one among them.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace kodrix {

// As many threads as there are cores, up to `most`.
inline unsigned workerThreads(unsigned most = 4) { return std::clamp(std::thread::hardware_concurrency(), 1u, most); }

// Calls work(thread, i) for every i in [0, count), each once, on up to
// `threads` threads numbered from 0 (0 is the calling one); returns when all
// are done. work must not throw.
template <typename Work>
void forEachIndex(std::size_t count, unsigned threads, Work work) {
    std::atomic<std::size_t> next{0};
    auto run = [&](unsigned thread) {
        for (std::size_t i; (i = next++) < count;) work(thread, i);
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads && t < count; ++t) helpers.emplace_back(run, t);
    run(0);
    for (std::thread& t : helpers) t.join();
}

}  // namespace kodrix

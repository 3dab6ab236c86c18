#pragma once
// What the benchmarks share: medians and percentiles of timings, and running
// a whole process (stdout and stderr to /dev/null) for its wall time and its
// peak memory.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kodrix::bench {

using Clock = std::chrono::steady_clock;

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

inline double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

// The median of runs timings of fn, in milliseconds.
inline double medianMs(int runs, const std::function<void()>& fn) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        fn();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return median(ms);
}

// The floor of a reading action: the bytes of the given files read once,
// nothing else. Returns how many bytes were read.
inline std::size_t readAll(const std::vector<std::filesystem::path>& files) {
    static std::vector<char> buf(1 << 20);
    std::size_t total = 0;
    for (const auto& f : files) {
        const int fd = ::open(f.c_str(), O_RDONLY);
        if (fd < 0) continue;
        ssize_t n;
        while ((n = ::read(fd, buf.data(), buf.size())) > 0) total += static_cast<std::size_t>(n);
        ::close(fd);
    }
    return total;
}

struct ProcessRun {
    double millis = 0;
    double cpuMillis = 0;  // user and system time of the child, all its threads
    long maxRssKb = 0;
    int status = -1;
    bool ok() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
};

// Runs a command (looked up on PATH) with stdout and stderr to /dev/null:
// wall time, the child's CPU time and peak RSS (from wait4's rusage).
inline ProcessRun runProcess(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ProcessRun run;
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
        rusage usage{};
        wait4(pid, &run.status, 0, &usage);
        run.maxRssKb = usage.ru_maxrss;
        const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
        run.cpuMillis = ms(usage.ru_utime) + ms(usage.ru_stime);
    }
    run.millis = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

}  // namespace kodrix::bench

#pragma once
// What the benchmarks share: medians and percentiles of timings, and running
// a whole process for its wall time and its peak memory (stdout to /dev/null,
// or collected under a watchdog that ends a run past its time).
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
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
    long maxRssKb = 0;
    int status = -1;
    bool ok() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
};

// Runs a command (looked up on PATH) with stdout and stderr to /dev/null:
// wall time and the child's peak RSS (from wait4's rusage).
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
    }
    run.millis = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// A fresh folder under /tmp laid out by layOut in a forked child: a spawned
// process starts with the peak of its parent's memory, which must stay small
// for the figures of the processes a benchmark spawns to hold. nullopt when
// the folder cannot be made or the child fails.
inline std::optional<std::filesystem::path> layOutInChild(const std::string& prefix,
                                                          const std::function<void(const std::filesystem::path&)>& layOut) {
    std::string tmpl = "/tmp/" + prefix + "-XXXXXX";
    if (!::mkdtemp(tmpl.data())) return std::nullopt;
    const pid_t builder = ::fork();
    if (builder == 0) {
        layOut(tmpl);
        std::_Exit(0);
    }
    int built = -1;
    ::waitpid(builder, &built, 0);
    if (!WIFEXITED(built) || WEXITSTATUS(built) != 0) return std::nullopt;
    return std::filesystem::path(tmpl);
}

struct WatchedRun : ProcessRun {
    bool timedOut = false;
    std::string out;  // stdout, when kept
};

// Runs a program (argv[0] a path) with stdout collected and stderr to
// /dev/null: wall time, peak RSS, and what it printed. The watchdog: a run
// still going after timeoutMs is killed and reported as timed out, so a case
// that hangs costs the benchmark its limit, not for ever.
inline WatchedRun runWatched(const std::vector<std::string>& argv, int timeoutMs, bool keepOutput = true) {
    WatchedRun run;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return run;
    }
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    char buf[1 << 16];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            run.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd fd{pipeFds[0], POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left)) <= 0) continue;
        const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
        if (n <= 0) break;
        if (keepOutput) run.out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    rusage usage{};
    wait4(pid, &run.status, 0, &usage);
    run.millis = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    run.maxRssKb = usage.ru_maxrss;
    return run;
}

}  // namespace kodrix::bench

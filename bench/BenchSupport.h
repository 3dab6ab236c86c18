#pragma once
// What the benchmarks share: medians and percentiles of timings, two actions
// timed in turns, the process's peak memory, running a whole process for its
// wall time and its peak memory (stdout to /dev/null, or collected under a
// watchdog that ends a run past its time), and the rows of the performance
// table that scripts/bench.sh prints at the end.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <signal.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kodrix::bench {

using Clock = std::chrono::steady_clock;

// Timings are wall time; with KODRIX_BENCH_CLOCK=cpu they are the CPU time
// the process (or a child process) used instead, which on a machine shared
// with other work stays near what a quiet machine's wall time would be.
inline bool cpuClock() {
    static const bool cpu = [] {
        const char* c = std::getenv("KODRIX_BENCH_CLOCK");
        return c && std::string(c) == "cpu";
    }();
    return cpu;
}

// Now, in milliseconds, on the benchmarks' clock.
inline double nowMs() {
    if (!cpuClock()) return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

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
        const double start = nowMs();
        fn();
        ms.push_back(nowMs() - start);
    }
    return median(ms);
}

// The medians of runs timings each of an action and of its baseline, in
// milliseconds, taken in turns (action, baseline, action, ...), so that the
// load of a shared machine weighs on both alike.
inline std::pair<double, double> medianPairMs(int runs, const std::function<void()>& action,
                                              const std::function<void()>& baseline) {
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        for (auto [fn, out] : {std::pair{&action, &a}, std::pair{&baseline, &b}}) {
            const double start = nowMs();
            (*fn)();
            out->push_back(nowMs() - start);
        }
    }
    return {median(a), median(b)};
}

// A "Vm…:" figure of /proc/self/status, in KB (0 when it is not there).
inline long memoryStatusKb(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == name) {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

// The process's peak resident memory in KB since the last resetPeakMemory()
// (or since it started).
inline long peakMemoryKb() { return memoryStatusKb("VmHWM:"); }

// The resident memory in use now, in KB.
inline long currentKb() { return memoryStatusKb("VmRSS:"); }

// The process's peak resident memory in KB over its whole life (rusage:
// resetPeakMemory() does not move it).
inline long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Starts peakMemoryKb() afresh from the memory in use now.
inline void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// One row of the performance table: an action's figure (unit "ms" or "MB"),
// the baseline or floor measured in the same run beside it, and the target
// ("<=16ms", "<=1.2x" for the ratio, or empty). scripts/bench.sh gathers the
// rows of every benchmark and prints them as one table; the ratio is figure
// over baseline.
inline void row(const std::string& action, double figure, const std::string& unit, const std::string& baseline,
                double baselineFigure, const std::string& target = "") {
    std::printf("@row|%s|%.6g|%s|%s|%.6g|%s\n", action.c_str(), figure, unit.c_str(), baseline.c_str(), baselineFigure,
                target.c_str());
    std::fflush(stdout);
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
    bool timedOut = false;
    bool ok() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
};

// Runs a command (looked up on PATH) with stdout and stderr to /dev/null:
// its time (wall, or the CPU time of it and the children it waited for) and
// its peak RSS (from wait4's rusage). With a limit in seconds, a run still
// going on past it is killed (the watchdog) and reported as timedOut.
inline ProcessRun runProcess(const std::vector<std::string>& argv, double limitSeconds = 0) {
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
        if (limitSeconds > 0) {
            while (wait4(pid, &run.status, WNOHANG, &usage) == 0) {
                if (std::chrono::duration<double>(Clock::now() - start).count() > limitSeconds) {
                    ::kill(pid, SIGKILL);
                    wait4(pid, &run.status, 0, &usage);
                    run.timedOut = true;
                    break;
                }
                ::usleep(1000);
            }
        } else {
            wait4(pid, &run.status, 0, &usage);
        }
        run.maxRssKb = usage.ru_maxrss;
        const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
        run.cpuMillis = ms(usage.ru_utime) + ms(usage.ru_stime);
        if (cpuClock()) {
            run.millis = run.cpuMillis;
            posix_spawn_file_actions_destroy(&actions);
            return run;
        }
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
    std::string out;            // stdout, when kept
    std::size_t bytesRead = 0;  // of stdout
};

// Runs a program (argv[0] a path) with stdout collected and stderr to
// /dev/null: wall time, peak RSS, and what it printed. The watchdog: a run
// still going after timeoutMs is killed and reported as timed out, so a case
// that hangs costs the benchmark its limit, not for ever. With readLimit,
// stdout is read that far and the pipe then closed, as a reader that stops
// does.
inline WatchedRun runWatched(const std::vector<std::string>& argv, int timeoutMs, bool keepOutput = true,
                             std::size_t readLimit = SIZE_MAX) {
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
    while (run.bytesRead < readLimit) {
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
        run.bytesRead += static_cast<std::size_t>(n);
        if (keepOutput) run.out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    rusage usage{};
    wait4(pid, &run.status, 0, &usage);
    run.millis = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    run.maxRssKb = usage.ru_maxrss;
    run.cpuMillis = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    return run;
}

}  // namespace kodrix::bench

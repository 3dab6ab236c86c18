#pragma once
// Helpers for tests over damaged catalogues and hostile surroundings:
//  - Watchdog: notices an action that does not return, lets a reader or a
//    writer blocked on a FIFO go on (so the test can fail instead of
//    hanging), and ends the process if even that does not help;
//  - runProcess: a program run with a time limit, optionally with a memory
//    limit and, under root, as the unprivileged user "nobody" (so that a
//    file without read permission is unreadable to it, as it is to a user);
//  - makeFifo: a named pipe; makeUnreadableFile: a file that cannot be read;
//  - FileSizeLimit: files that cannot grow past a size, as on a full disk.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace kodrix::test {

inline bool makeFifo(const std::filesystem::path& p) { return ::mkfifo(p.c_str(), 0644) == 0; }

inline bool runningAsRoot() { return ::geteuid() == 0; }

// A file at p that is there but cannot be read: without read permission, or,
// for root (who reads anything), a link to a kernel file nobody may read.
// False when this machine offers root no such file.
inline bool makeUnreadableFile(const std::filesystem::path& p, const std::string& content) {
    if (!runningAsRoot()) {
        std::ofstream(p, std::ios::binary) << content;
        std::filesystem::permissions(p, std::filesystem::perms::none);
        return true;
    }
    const std::filesystem::path unreadable = "/sys/bus/pci/rescan";
    if (!std::filesystem::is_regular_file(unreadable) || std::ifstream(unreadable)) return false;
    std::filesystem::create_symlink(unreadable, p);
    return true;
}

// While it lives, files may grow to only `bytes` bytes, as if the disk were
// full there: a write past that fails (EFBIG) instead of raising SIGXFSZ.
struct FileSizeLimit {
    rlimit saved {};
    void (*savedHandler)(int);
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
};

// The user a test drops to under root.
constexpr uid_t kNobody = 65534;

class Watchdog {
public:
    // After `limit` the run counts as hung and every FIFO under `dir` is
    // opened for writing now and then (which releases a reader waiting in
    // open()) and held open for reading, drained (which releases a writer);
    // after `hardLimit` the process is ended.
    Watchdog(std::filesystem::path dir, std::chrono::milliseconds limit,
             std::chrono::milliseconds hardLimit = std::chrono::seconds(120))
        : dir_(std::move(dir)), thread_([this, limit, hardLimit] { watch(limit, hardLimit); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
        for (const auto& [path, fd] : readers_) ::close(fd);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    bool hung() const { return hung_; }

private:
    void releaseFifos() {
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(dir_, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            struct stat st {};
            if (::lstat(it->path().c_str(), &st) != 0 || !S_ISFIFO(st.st_mode)) continue;
            const int fd = ::open(it->path().c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            if (!readers_.count(it->path())) {
                const int reader = ::open(it->path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                if (reader >= 0) readers_[it->path()] = reader;
            }
        }
        char sink[1 << 12];
        for (const auto& [path, fd] : readers_)
            while (::read(fd, sink, sizeof sink) > 0) {
            }
    }
    void watch(std::chrono::milliseconds limit, std::chrono::milliseconds hardLimit) {
        const auto start = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> lock(mutex_);
        if (wake_.wait_for(lock, limit, [this] { return done_; })) return;
        hung_ = true;
        while (!wake_.wait_for(lock, std::chrono::milliseconds(50), [this] { return done_; })) {
            releaseFifos();
            if (std::chrono::steady_clock::now() - start > hardLimit) {
                std::fprintf(stderr, "watchdog: the action under test never returned\n");
                std::_Exit(99);
            }
        }
    }

    std::filesystem::path dir_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::atomic<bool> hung_{false};
    std::map<std::filesystem::path, int> readers_;  // FIFOs held open for reading once hung
    std::thread thread_;
};

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;  // -1 when ended by a signal
    int signal = 0;
    std::string out, err;
};

// Where a run's stdout goes: a pipe (collected), a terminal (a pseudo-
// terminal in raw mode, collected), the full device, or nowhere (closed).
enum class Stdout { Pipe, Terminal, FullDevice, Closed };

struct ProcessOptions {
    std::chrono::milliseconds timeout = std::chrono::seconds(20);
    rlim_t dataLimitBytes = RLIM_INFINITY;  // RLIMIT_DATA: the heap and other private writable memory
    bool dropRoot = false;                  // under root, run as "nobody"
    Stdout stdoutTo = Stdout::Pipe;
};

// Runs argv[0] (a path) with the arguments; stdout and stderr collected.
inline ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {}) {
    ProcessResult r;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // outPipe: [0] read here, [1] the child's stdout (-1: none of either).
    int outPipe[2] = {-1, -1}, errPipe[2];
    if (options.stdoutTo == Stdout::Pipe && ::pipe2(outPipe, O_CLOEXEC) != 0) return r;
    if (options.stdoutTo == Stdout::Terminal) {
        if (::openpty(&outPipe[0], &outPipe[1], nullptr, nullptr, nullptr) != 0) return r;
        termios raw {};
        ::tcgetattr(outPipe[1], &raw);
        ::cfmakeraw(&raw);  // the bytes as written, no line-end translation
        ::tcsetattr(outPipe[1], TCSANOW, &raw);
        for (int fd : outPipe) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    if (::pipe2(errPipe, O_CLOEXEC) != 0) return r;
    const bool drop = options.dropRoot && runningAsRoot();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only calls safe after fork in a threaded process until exec.
        if (outPipe[1] >= 0) {
            ::dup2(outPipe[1], 1);
        } else if (options.stdoutTo == Stdout::FullDevice) {
            const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
            if (full < 0) ::_exit(125);
            ::dup2(full, 1);
        } else {
            ::close(1);
        }
        ::dup2(errPipe[1], 2);
        if (options.dataLimitBytes != RLIM_INFINITY) {
            struct rlimit lim {options.dataLimitBytes, options.dataLimitBytes};
            ::setrlimit(RLIMIT_DATA, &lim);
        }
        if (drop && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(126);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    if (outPipe[1] >= 0) ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (pid < 0) {
        if (outPipe[0] >= 0) ::close(outPipe[0]);
        ::close(errPipe[0]);
        return r;
    }
    r.started = true;
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = outPipe[0] >= 0 ? 2 : 1;
    char buf[1 << 16];
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            r.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);  // a terminal's end answers EIO once closed
            if (n > 0) {
                (i == 0 ? r.out : r.err).append(buf, static_cast<std::size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) ::close(f.fd);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    return r;
}

// Lets the user "nobody" reach the files of a test folder (a temporary
// folder is private to its owner).
inline void openToEveryone(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                          std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                          std::filesystem::perms::others_exec,
                                 ec);
}

}  // namespace kodrix::test

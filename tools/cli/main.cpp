// kodrix-cli: the catalogue from a terminal (see Cli.h).
#include "Cli.h"

#include <cerrno>
#include <csignal>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A standard stream the caller closed (`>&-`) is held by a descriptor that
// takes no writes (or no reads): its number then cannot go to a file opened
// later, where output meant for the terminal would land, and writing to it
// fails as it should.
void holdClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != fd) ::close(held);  // the lowest free number is fd; anything else is not ours to keep
    }
}

}  // namespace

int main(int argc, char** argv) {
    holdClosedStandardStreams();
    // A reader that goes away (`| head`) is a refused write, not the end of
    // the process: the tool ends its output as a normal end.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    const kodrix::cli::Terminals terminals{::isatty(1) == 1, ::isatty(2) == 1};
    return kodrix::cli::runCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr, terminals);
}

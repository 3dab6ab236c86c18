// kodrix-cli: the catalogue from a terminal (see Cli.h).
#include "Cli.h"

#include <csignal>
#include <iostream>

int main(int argc, char** argv) {
    // A reader that goes away (`| head`) is a failed write, not the end of
    // the process: the verb decides how to end.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    return kodrix::cli::runCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}

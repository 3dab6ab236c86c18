// kodrix-cli: the catalogue from a terminal (see Cli.h).
#include "Cli.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return kodrix::cli::runCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}

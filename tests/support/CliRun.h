#pragma once
// kodrix-cli run in-process on a catalogue folder: its exit status and what
// it wrote to stdout and stderr.
#include "tools/cli/Cli.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace kodrix::test {

struct CliRun {
    int code = 0;
    std::string out, err;
};

inline CliRun runCli(const std::filesystem::path& catalogue, std::vector<std::string> args) {
    args.insert(args.begin(), {"--catalogue", catalogue.string()});
    std::ostringstream out, err;
    const int code = cli::runCli(args, out, err);
    return {code, out.str(), err.str()};
}

}  // namespace kodrix::test

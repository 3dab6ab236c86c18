#pragma once
// kodrix-cli: the catalogue from a terminal, over the same core as the program.
// Arguments and output are UTF-8; names inside are cp1251.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace kodrix::cli {

// Which of the two streams are terminals: there control characters are shown
// escaped (see Output.h).
struct Terminals {
    bool out = false;
    bool err = false;
};

// Runs one command (args without the program name). Returns the exit code:
// 0 done, 1 an error (its text on err; a write to out that fails, checked up
// to the final flush, is one), 2 a usage error.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, Terminals terminals = {});

// The folder of the running executable (links followed): the catalogue's
// default location.
std::filesystem::path executableDir();

// Names as the program's sorted lists hold them: Russian collation without
// regard to case, duplicates kept; upper-cased for the drop-down lists.
std::vector<std::string> inListOrder(const std::vector<std::string>& cp1251Names, bool upperCase);

// The icon verb's image work (see IconModule.h). kodrix-cli loads the module
// beside it when the verb runs; a program that links it in installs it here.
using IconWriter = int (*)(const char*, unsigned, const char*, int*, int*, char*, unsigned long);
void setIconWriter(IconWriter writer);
IconWriter iconWriter();  // the installed one, else the module's; Error when neither is there

}  // namespace kodrix::cli

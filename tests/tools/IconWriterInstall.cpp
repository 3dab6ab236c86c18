// The tests run kodrix-cli's verbs in their own process, with the icon
// verb's image work linked in instead of loaded from the module.
#include "tools/cli/Cli.h"
#include "tools/cli/IconModule.h"

namespace {
const bool installed = (kodrix::cli::setIconWriter(&kodrix_cli_write_icon), true);
}

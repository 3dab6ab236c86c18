#pragma once
#include <filesystem>
#include <string>

namespace kodrix {

class SortedComboBox;

// Selects, in a platform box, the item equal byte for byte to a remembered
// platform name; nothing happens when the name is empty or nothing of that
// name exists beside the program. Every equal item is selected in turn, so
// the last one ends selected. No change event is raised.
void selectByName(SortedComboBox& box, const std::filesystem::path& programDir, const std::string& name);

}  // namespace kodrix

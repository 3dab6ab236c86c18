#include "ui/SelectByName.h"

#include "catalogue/CatalogueFs.h"
#include "platform/SortedViews.h"

namespace kodrix {

void selectByName(SortedComboBox& box, const std::filesystem::path& programDir, const std::string& name) {
    if (name.empty() || !findEntry(programDir, name)) return;
    for (int i = 0; i < box.list()->count(); ++i)
        if (box.list()->item(i) == name) box.selectIndex(i);
}

}  // namespace kodrix

#pragma once
// What the list tests build and read: numbered games for a letter group, and
// a sorted list's items as text.
#include "platform/SortedStringList.h"
#include "tools/pack/CatalogueBuilder.h"

#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

namespace kodrix::test {

// Games prefix0 .. prefix{n-1}, each with one code line.
inline std::vector<pack::GameSource> numbered(const std::string& prefix, int n, std::int32_t icon = 0) {
    std::vector<pack::GameSource> out;
    for (int i = 0; i < n; ++i) out.push_back({prefix + std::to_string(i), icon, {prefix + " code " + std::to_string(i)}});
    return out;
}

inline QStringList items(const SortedStringList* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->text(i);
    return out;
}

}  // namespace kodrix::test

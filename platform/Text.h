#pragma once
// Text at the edge: cp1251 bytes of the catalogue to and from QString.
#include <QString>
#include <string>
#include <string_view>

namespace kodrix {
QString fromCp1251(std::string_view bytes);
std::string toCp1251(const QString& text);
}

#include "PackError.h"

#include <cstring>

namespace kodrix::pack {

void throwCannotOpen(const std::filesystem::path& path, int errnoValue) {
    throw PackError("Cannot open file \"" + utf8Path(path) + "\". " + std::strerror(errnoValue));
}

void throwCannotCreate(const std::filesystem::path& path, int errnoValue) {
    throw PackError("Cannot create file \"" + utf8Path(path) + "\". " + std::strerror(errnoValue));
}

}  // namespace kodrix::pack

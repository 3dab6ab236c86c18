#include "FileError.h"

#include "Cp1251.h"
#include "Error.h"
#include "Messages.h"

namespace kodrix {

std::string FileError::message() const { return messages::cannotOpenFile(displayPath(path), errnoValue); }

void FileError::raise() const { throw Error(message()); }

std::string displayPath(const std::filesystem::path& path) { return cp1251::fromUtf8(path.string()); }

}  // namespace kodrix

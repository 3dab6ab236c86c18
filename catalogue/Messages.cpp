#include "Messages.h"

#include "Cp1251.h"

#include <cstring>

namespace kodrix::messages {

std::string errorCaption() { return cp1251::fromUtf8("Ошибка"); }
std::string noDatabase() { return cp1251::fromUtf8("Не найдено ни одной базы"); }
std::string missingFile(std::string_view fileName) { return cp1251::fromUtf8("Не найден файл ") + std::string(fileName); }
std::string moduleError() {
    return cp1251::fromUtf8(
        "Ошибка при использовании динамической библиотеки. Возможно библиотека отсутствует или испорчена.");
}

std::string codeTextLeftOut(std::uint64_t lines) {
    return cp1251::fromUtf8("… не показано строк: ") + std::to_string(lines);
}

std::string settingsSetAside(std::string_view pathCp1251, std::string_view asidePathCp1251) {
    return cp1251::fromUtf8("Файл настроек \"") + std::string(pathCp1251) +
           cp1251::fromUtf8("\" испорчен (слишком велик) и переименован в \"") + std::string(asidePathCp1251) +
           cp1251::fromUtf8("\". Настройки взяты по умолчанию.");
}
std::string settingsIgnored(std::string_view pathCp1251) {
    return cp1251::fromUtf8("Файл настроек \"") + std::string(pathCp1251) +
           cp1251::fromUtf8("\" испорчен (слишком велик). Настройки взяты по умолчанию и не будут сохранены.");
}
std::string settingsNotKept(std::string_view folderCp1251) {
    return cp1251::fromUtf8("Настройки не будут сохранены: домашняя папка пользователя не найдена или недопустима (\"") +
           std::string(folderCp1251) + "\").";
}

std::string systemReason(int errnoValue) {
    if (errnoValue == kNotRegularFile) return "Not a regular file";
    return cp1251::fromUtf8(std::strerror(errnoValue));
}

std::string cannotListFolder(std::string_view pathCp1251, int errnoValue) {
    return "Cannot list folder \"" + std::string(pathCp1251) + "\". " + systemReason(errnoValue);
}
std::string runningCopyNotAnswering(std::string_view lockPathCp1251) {
    return "Another copy of the program holds \"" + std::string(lockPathCp1251) + "\" and does not answer";
}

std::string cannotWriteOutput(int errnoValue) { return "kodrix-cli: cannot write the output. " + systemReason(errnoValue); }

std::string cannotOpenFile(std::string_view pathCp1251, int errnoValue) {
    return "Cannot open file \"" + std::string(pathCp1251) + "\". " + systemReason(errnoValue);
}
std::string cannotCreateFile(std::string_view pathCp1251, int errnoValue) {
    return "Cannot create file \"" + std::string(pathCp1251) + "\". " + systemReason(errnoValue);
}
std::string notValidInteger(std::string_view text) { return "'" + std::string(text) + "' is not a valid integer value"; }
std::string listIndexOutOfBounds(std::int64_t index) { return "List index out of bounds (" + std::to_string(index) + ")"; }
std::string resourceNotFound(std::string_view name) { return "Resource " + std::string(name) + " not found"; }
std::string invalidClassTypecast() { return "Invalid class typecast"; }
std::string failedToLoadStream() { return "Failed to Load Stream"; }
std::string failedToSaveStream() { return "Failed to Save Stream"; }
std::string jpegError(int messageCode) { return "JPEG error #" + std::to_string(messageCode); }
std::string invalidDataType(std::string_view valueName) { return "Invalid data type for '" + std::string(valueName) + "'"; }
std::string failedToSetData(std::string_view valueName) { return "Failed to set data for '" + std::string(valueName) + "'"; }
std::string outOfMemory() { return "Out of memory"; }

}  // namespace kodrix::messages

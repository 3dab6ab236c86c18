#pragma once
// Every text the program shows the user in a message, written once. Results
// are code page 1251, like every text inside the catalogue; the window and the
// terminal tool convert them at the edge.
#include <cstdint>
#include <string>
#include <string_view>

namespace kodrix::messages {

// Foreseen failures (a message box captioned errorCaption(), question mark).
std::string errorCaption();                             // "Ошибка"
std::string noDatabase();                               // "Не найдено ни одной базы"
std::string missingFile(std::string_view fileName);     // "Не найден файл " + name
std::string moduleError();                              // the group module cannot be opened
// The settings file was too large to be one the program wrote: renamed beside
// itself (or, when that fails, left unread), the settings start anew.
std::string settingsSetAside(std::string_view pathCp1251, std::string_view asidePathCp1251);
std::string settingsIgnored(std::string_view pathCp1251);
// No home or configuration folder to keep settings in (relative, the root).
std::string settingsNotKept(std::string_view folderCp1251);

// The last line of a code text the window cut at its cap.
std::string codeTextLeftOut(std::uint64_t lines);         // "… не показано строк: " + lines

// Errors reported by the general error report (the runtime's own texts).
// pathCp1251: the path as the program shows it; errnoValue: the system's reason.
std::string cannotOpenFile(std::string_view pathCp1251, int errnoValue);    // Cannot open file "%s". %s
std::string cannotCreateFile(std::string_view pathCp1251, int errnoValue);  // Cannot create file "%s". %s
std::string notValidInteger(std::string_view text);         // '%s' is not a valid integer value
std::string listIndexOutOfBounds(std::int64_t index);       // List index out of bounds (%d)
std::string resourceNotFound(std::string_view name);        // Resource %s not found
std::string invalidClassTypecast();                         // Invalid class typecast
std::string failedToLoadStream();                           // Failed to Load Stream
std::string failedToSaveStream();                           // Failed to Save Stream
std::string jpegError(int messageCode);                     // JPEG error #%d
std::string invalidDataType(std::string_view valueName);    // Invalid data type for '%s'
std::string failedToSetData(std::string_view valueName);    // Failed to set data for '%s'
std::string outOfMemory();                                  // Out of memory

// The system's description of an errno value, cp1251.
std::string systemReason(int errnoValue);
// A reason beside the errno values: the name leads to a FIFO, a device or a
// socket, which the program never opens ("Not a regular file").
inline constexpr int kNotRegularFile = -1000;

// Failures the terminal tool and the start-up report beyond the program's own.
std::string cannotListFolder(std::string_view pathCp1251, int errnoValue);  // Cannot list folder "%s". %s
std::string runningCopyNotAnswering(std::string_view lockPathCp1251);      // another copy holds the lock, silent
std::string cannotWriteOutput(int errnoValue);  // kodrix-cli: cannot write the output. %s

}  // namespace kodrix::messages

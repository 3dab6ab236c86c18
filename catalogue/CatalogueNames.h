#pragma once
// The catalogue's file and resource names, written once for the program, the
// terminal tool, the catalogue builder and the generator. All are ASCII, so
// they are the same bytes in code page 1251 and on disk.
#include <string>
#include <string_view>

namespace kodrix::names {

// A folder is a platform exactly when it holds this file (content never read).
inline constexpr std::string_view kPlatformMarker = "base.ini";
// The platform's icon library.
inline constexpr std::string_view kIconLibrary = "kodrix32.icl";
// The folder of walkthrough modules beside the platforms.
inline constexpr std::string_view kWalkthroughFolder = "sol";
// The group of games whose names begin with a Cyrillic letter.
inline constexpr std::string_view kRusGroup = "RUS";

// Letter group L keeps L.dat (game names), L.ini (game entries) and L.dll
// (code text).
inline constexpr std::string_view kListExtension = ".dat";
inline constexpr std::string_view kIniExtension = ".ini";
inline constexpr std::string_view kModuleExtension = ".dll";

inline std::string groupList(std::string_view group) { return std::string(group) + std::string(kListExtension); }
inline std::string groupIni(std::string_view group) { return std::string(group) + std::string(kIniExtension); }
inline std::string groupModule(std::string_view group) { return std::string(group) + std::string(kModuleExtension); }

// RCDATA resources of a walkthrough module: its display name, its RTF
// document, and its screenshots "img" + key.
inline constexpr std::string_view kWalkthroughName = "name1";
inline constexpr std::string_view kWalkthroughDocument = "File1";
inline constexpr std::string_view kScreenshotPrefix = "img";

}  // namespace kodrix::names

#pragma once
// The catalogue source format's file names and text rules, shared by the
// builder (sources → catalogue) and the unpacker (catalogue → sources).
//
// Source files are UTF-8; the catalogue is code page 1251. Two characters
// that code page 1251 cannot hold carry what plain text could not:
// - U+FFFD stands for the byte 0x98, the one byte the code page leaves
//   undefined (it is what that byte shows as);
// - in code lines only, U+240D (␍) and U+240A (␊) stand for a carriage
//   return and a line feed inside one string.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix::pack::source {

// A platform folder: letter groups, icons, notes.
inline constexpr std::string_view kGroupExtension = ".txt";       // <group>.txt, a group in the friendly form
inline constexpr std::string_view kRawGroupExtension = ".raw";    // <group>.raw/, a group kept as it is stored
inline constexpr std::string_view kIconsFolder = "icons";         // icons/<family>.png|.ico|.bmp
inline constexpr std::string_view kPlatformNotes = "platform.txt";
// A group kept as it is stored: its list, INI and strings as text.
inline constexpr std::string_view kRawList = "list.txt";        // the lines of <group>.dat
inline constexpr std::string_view kRawEntries = "entries.txt";  // the lines of <group>.ini (absent: no .ini)
inline constexpr std::string_view kRawStrings = "strings.txt";  // "ID<TAB>text" of <group>.dll (absent: no .dll)
// A walkthrough folder.
inline constexpr std::string_view kWalkthroughNameFile = "name.txt";
inline constexpr std::string_view kWalkthroughDocumentFile = "document.rtf";
// A screenshot resource that is no JPEG, kept byte for byte: img<key>.bin.
inline constexpr std::string_view kStoredImageExtension = ".bin";

// UTF-8 → cp1251 (U+FFFD → 0x98); throws PackError naming `where` when a
// character has no place in code page 1251.
std::string toCatalogueText(std::string_view utf8, std::string_view where);
// The same for a code line or string, where ␍ and ␊ become CR and LF.
std::string toCodeLineText(std::string_view utf8, std::string_view where);
// cp1251 → UTF-8, the inverse of toCatalogueText.
std::string sourceText(std::string_view cp1251);
// cp1251 → UTF-8 with CR and LF as ␍ and ␊, the inverse of toCodeLineText.
std::string codeLineSource(std::string_view cp1251);

// UTF-8 source text split into lines at LF, a CR before it and a byte-order
// mark at the start dropped. A last line without LF counts; "a\n" is one line.
std::vector<std::string_view> sourceLines(std::string_view text);
// Lines as one text, each followed by lineEnd: LF, so that sourceLines reads
// them back, or CR LF for a catalogue file.
std::string joinLines(const std::vector<std::string>& lines, std::string_view lineEnd = "\n");
// cp1251 lines as the text of a source file (sourceText of each, joined).
std::string sourceFileText(const std::vector<std::string>& cp1251Lines);

// Blanks as the group file sees them (spaces and tabs), trimmed off both ends.
std::string trimBlanks(std::string_view text);
std::string lowerAscii(std::string text);

// A file's bytes as text, and text written to a file (replacing it whole).
std::string readSourceFile(const std::filesystem::path& path);
void writeSourceFile(const std::filesystem::path& path, std::string_view text);

}  // namespace kodrix::pack::source

#pragma once
// INI files read by the system's profile rules (the rules of the Windows
// profile API the catalogue's INI files were written for):
// - section and key names match without regard to case (cp1251 letters),
//   blanks around the requested and the stored names are ignored;
// - a section line starts with '[' (after blanks); its name runs to the last
//   ']' of the line; a '[' line without ']' is not a section;
// - a key line is split at its first '='; a line without '=' is no key;
// - blanks around a value are dropped, and a value enclosed in a matching
//   pair of double quotes loses them; a value is at most 2047 bytes;
// - a line whose first non-blank character is ';' is a comment;
// - of two sections with the same name only the first is searched, and of
//   two equal keys in it the first wins; lines before the first section
//   belong to none;
// - an absent key, section or file reads as "".
// Lines end as in text lists (CR LF, lone LF, lone CR); a zero byte ends the
// text. The file is read once; sections are indexed in one pass.
#include "FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kodrix {

class IniProfile {
public:
    // The longest value read (the reader's 2048-byte buffer less its zero).
    static constexpr std::size_t kMaxValueBytes = 2047;

    // Reads the file up to its first zero byte (nothing after it is ever
    // held), or says why it cannot be read.
    static FileResult<IniProfile> read(const FileHandle& file);
    // The profile of bytes already read (up to their first zero byte).
    static IniProfile fromBytes(std::string_view bytes);

    // The value of key in section (cp1251 names), or "" when absent.
    std::string readString(std::string_view section, std::string_view key) const;
    // strToInt(readString(...)): raises "'%s' is not a valid integer value".
    std::int32_t readInteger(std::string_view section, std::string_view key) const;

    bool hasSection(std::string_view section) const;

    // What sections are matched by: the name without its blanks, upper-cased.
    // Two names with the same key name the same section.
    static std::string sectionKey(std::string_view section);
    // The name of every section line, in file order, repeats included.
    std::vector<std::string> sectionNames() const;
    // The names of the key lines of the section (the one searched), in order,
    // repeats included; none when there is no such section.
    std::vector<std::string> keyNames(std::string_view section) const;

private:
    struct Body {
        std::size_t begin = 0;  // first byte after the section's own line
        std::size_t end = 0;    // start of the next section line, or the end of the text
    };
    explicit IniProfile(std::string text);
    // The first section of the name (sectionKey), if any. Not for use from
    // two threads at once: look-ups past the first few index the sections.
    std::optional<Body> findSection(std::string_view section) const;
    void index() const;

    static constexpr int kScannedLookups = 4;
    std::string text_;
    mutable int lookups_ = 0;
    mutable bool indexed_ = false;
    mutable std::unordered_map<std::string, Body> sections_;  // upper-cased name → first such section
};

}  // namespace kodrix

#pragma once
// The catalogue on a case-sensitive disk. Names inside the program are cp1251
// bytes; names on disk are the file system's (UTF-8). Every lookup of a
// catalogue file matches the real directory entries without regard to case,
// so a catalogue copied from Windows works as it is.
#include "FileHandle.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

struct DirEntry {
    std::string name;             // cp1251, as listed
    std::filesystem::path path;   // the real path on disk
    bool isDirectory = false;
    bool isFile = false;          // a regular file (after following links)
    // The cp1251 name converts back to the name on disk: false for names
    // code page 1251 cannot write (they are listed with '?' in their place,
    // so two of them could look alike).
    bool representable = true;
};

// Every entry of dir, "." and ".." included, in listing order; or why the
// folder could not be listed.
FileResult<std::vector<DirEntry>> listDirectory(const std::filesystem::path& dir);

// Regular files of dir whose name ends with extension (cp1251, e.g. ".dat"),
// compared without regard to case, in listing order.
FileResult<std::vector<DirEntry>> listFilesWithExtension(const std::filesystem::path& dir, std::string_view extension);

enum class EntryKind { Any, File, Directory };

// The real path of the entry named nameCp1251 in dir, matched without regard
// to case (an exact match wins over other spellings). "." and ".." are dir's
// own entries.
std::optional<std::filesystem::path> findEntry(const std::filesystem::path& dir, std::string_view nameCp1251,
                                               EntryKind kind = EntryKind::Any);

// A catalogue file looked up once and opened: what an existence check and
// the open that follows it share, so that both see the same file.
struct ResolvedFile {
    enum class Status {
        Opened,      // a regular file of that name, open in `file`
        Missing,     // no entry of that name
        NotRegular,  // entries of that name, none a regular file (a folder, a FIFO, a broken link …)
        Unopenable,  // a regular file of that name that cannot be opened (`error` says why)
    };
    Status status = Status::Missing;
    FileHandle file;
    std::filesystem::path path;  // the entry; dir / name as asked when there is none
    int error = 0;               // why it is not open (an errno value or messages::kNotRegularFile)

    bool opened() const { return status == Status::Opened; }
    // A regular file of that name is there (the program's "file exists").
    bool exists() const { return status == Status::Opened || status == Status::Unopenable; }
    // Why it is not open, to raise.
    FileError failure() const { return {path, error}; }
};

// The regular file named nameCp1251 in dir, matched without regard to case
// (the exact spelling first, then the other spellings in listing order; an
// entry that is no regular file is passed over), opened without blocking.
// Never throws for a damaged entry (a link loop, a FIFO, a device).
ResolvedFile openFileEntry(const std::filesystem::path& dir, std::string_view nameCp1251);

// Resolves a relative cp1251 path ("Sega\\m.dat" or "Sega/m.dat") under root,
// each component matched without regard to case.
std::optional<std::filesystem::path> resolvePath(const std::filesystem::path& root, std::string_view relativeCp1251,
                                                 EntryKind kind = EntryKind::Any);

// Converts a name listed on disk to cp1251 (invalid UTF-8 bytes become '?').
std::string diskNameToCp1251(const std::string& diskName);
// Converts a cp1251 name to the form it would take on disk.
std::string cp1251ToDiskName(std::string_view nameCp1251);

}  // namespace kodrix

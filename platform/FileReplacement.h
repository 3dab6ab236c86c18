#pragma once
// Writing a whole file the user named, without Qt (the terminal tool uses it
// too): the file ends with exactly the new bytes, or, when that fails, with
// its old content.
//
// - A new file, or an existing regular file with one name, is replaced: the
//   bytes go to a new hidden file beside it, reach the disk, and only then
//   take the name (a rename). A failure leaves the old file whole and removes
//   the new one. The replaced file keeps its permissions.
// - A symbolic link is written through: the file it leads to is replaced
//   (created, for a dangling link) and the link stays a link.
// - A file with several names (hard links) is written in place, so that every
//   name shows the new content; so is an existing file the user may write in
//   a folder that takes no new file (a read-only folder). In place, room for
//   the new bytes is reserved before the old content is touched, so a full
//   disk leaves the old file whole wherever the file system can reserve room.
// - A folder, a FIFO, a device or a socket is refused at once (never opened
//   in a way that waits), and so is an existing file the user may not write.
#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace kodrix::files {

struct WriteFailure {
    enum class Stage {
        Create,  // the file could not be created or replaced
        Write,   // the bytes could not be written (disk full, size limit, I/O error)
    };
    Stage stage;
    // The system's reason; messages::kNotRegularFile for a FIFO, a device or
    // a socket.
    int errnoValue;
};

// The name a write to path changes: path itself, or, when it is a symbolic
// link (or a chain of them), the name the last one leads to, also when nothing
// bears that name yet. A relative link is read from the link's own folder.
// nullopt with ELOOP in errnoOut after 40 links, or the error of reading one.
std::optional<std::string> followLinks(const std::string& path, int* errnoOut = nullptr);

// Writes bytes as the whole content of the file at path (see above).
// Returns nothing on success.
std::optional<WriteFailure> replaceFileContent(const std::string& path, std::span<const char> bytes);

}  // namespace kodrix::files

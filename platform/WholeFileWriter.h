#pragma once
// Writing a file the user asked for, whole or not at all (see
// FileReplacement.h): an existing file is either replaced completely or left
// exactly as it was, and a failed save leaves nothing behind. A symbolic link
// is written through, a file with several names and a file in a read-only
// folder are written in place, and a folder, FIFO, device or socket is
// refused without waiting.
#include <QByteArrayView>
#include <QString>

namespace kodrix {

// Writes bytes as the whole content of the file at path (created, or
// replaced when it exists).
//
// Throws kodrix::Error:
// - "Cannot create file \"<path>\". <reason>" when the file cannot be
//   created or replaced (no such folder, no permission, a folder of that
//   name, "Not a regular file" for a FIFO or a device, ...);
// - "Failed to Save Stream" when the bytes cannot be written (disk full,
//   file size limit, input/output error).
void writeWholeFile(const QString& path, QByteArrayView bytes);

}  // namespace kodrix

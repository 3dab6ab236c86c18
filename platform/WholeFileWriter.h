#pragma once
// Writing a file the user asked for, whole or not at all: the bytes go to a
// new file beside the target, reach the disk, and only then take the
// target's name. An existing file is therefore either replaced completely or
// left exactly as it was, and a failed save leaves nothing behind.
#include <QByteArrayView>
#include <QString>

namespace kodrix {

// Writes bytes as the whole content of the file at path (created, or
// replaced when it exists). A target reached through a symbolic link is
// written where the link points; an existing file keeps its permissions; an
// existing target that is no regular file (a device, a pipe) is written
// into directly.
//
// Throws kodrix::Error:
// - "Cannot create file \"<path>\". <reason>" when the file cannot be
//   created or replaced (no such folder, no permission, a folder of that
//   name, ...);
// - "Failed to Save Stream" when the bytes cannot be written (disk full,
//   file size limit, input/output error).
void writeWholeFile(const QString& path, QByteArrayView bytes);

}  // namespace kodrix

#pragma once
// What an upload checks before it sends a web image: the file is there, can be
// read, and carries the image marks in its first 128 bytes. The window and
// `quillmar-cli web upload` refuse the same files with the same words.
#include <optional>
#include <string>

namespace quillmar {

// Nothing when the file may be uploaded; otherwise the message: "file can't be
// blank", "file isn't exists", "open file failed" (also for anything but a
// regular file, which is never waited on), "read file failed" (fewer than 128
// bytes) or "file can't be recognised".
std::optional<std::string> checkWebImageFile(const std::string& path);

}  // namespace quillmar

#pragma once
// Builds a web image (".anf") from the files of one directory, without
// windows: the configuration window's convertThread and `quillmar-cli web
// build` both run it. The image is written to a temporary file beside the
// output and renamed over it only when it is complete, so a failed build
// leaves no partial image and an existing image is replaced only by a whole
// new one.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "maintenance/maintenance_progress.h"

namespace quillmar {

namespace webbuild {
inline constexpr int kOk = 0;
inline constexpr int kCreateFailed = -1;   // "create file failed"
inline constexpr int kStopped = -2;        // the user cancelled
inline constexpr int kWriteFailed = -3;    // "write file failed"
inline constexpr int kConvertFailed = -4;  // a file could not be read, or is empty
inline constexpr int kNameTooLong = -5;    // a file name of more than 13 characters
inline constexpr int kImageTooLarge = -6;  // more than 64640 bytes
inline constexpr int kNoIndex = -7;        // no "index.html"; reported over any other failure
}  // namespace webbuild

// One record as it went into the image.
struct WebImageEntry {
    std::string name;               // the entry name, "/" and the file name
    std::uint32_t address = 0;      // the record's image address
    std::size_t fileBytes = 0;      // the file's size
    std::size_t responseBytes = 0;  // response header + file bytes
    std::size_t recordBytes = 0;    // everything the record takes in the image
};

struct WebImageBuild {
    int code = webbuild::kOk;
    std::vector<WebImageEntry> entries;     // the records written, in image order
    std::size_t imageBytes = 0;             // the image's size so far
    std::string failedFile;                 // the file a failure came from, if any
    int failedCode = webbuild::kOk;         // its own code, which kNoIndex may hide
    std::vector<std::string> skippedLinks;  // links left out, as "NAME -> TARGET"
};

// Files are taken in the byte order of their names; subdirectories and files
// ending in ".anf" (earlier images) are left out. A symbolic link is followed
// only to a file inside the source directory: a link that leads out of it
// (to /etc/shadow, say) or nowhere is left out, with a log line, so the image
// holds nothing but the directory's own files. `progress` advances by 50 per
// file; `stopRequested` (may be null) is polled before each one, and a
// stopped build leaves no temporary file behind.
WebImageBuild buildWebImage(const std::string& sourceDirectory, const std::string& outputPath,
                            MaintenanceProgress& progress, const std::atomic<bool>* stopRequested = nullptr);

// Whether `path` ends in ".anf" exactly (an image name in capitals does not).
bool hasWebImageExtension(const std::string& path);

}  // namespace quillmar

// A web page directory as a technician may point the builder at: any file
// names, any sizes, subdirectories, FIFOs and dangling links among them. The
// real builder runs over a real directory (sparse files on a memory file
// system); a finished image must read back record for record (a link to
// nothing is left out, as any link that leads to no file of the directory),
// and a failed build must leave no image and no temporary file behind.
//
// Input: a byte (low bit: the output lies in the source directory), then for
// each entry a name (a length byte and its bytes; '/' and NUL become '_'), a
// 16-bit size and a kind byte (0 a file, 1 a directory, 2 a FIFO, 3 a link to
// nothing).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "fuzz/fuzz_support.h"
#include "maintenance/web_image_builder.h"
#include "maintenance/web_image_check.h"
#include "maintenance/web_image_format.h"
#include "support/web_image_decoder.h"

using namespace quillmar;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMostEntries = 12;

enum class Kind { File, Directory, Fifo, DanglingLink };

struct Entry {
    Kind kind = Kind::File;
    std::size_t size = 0;
};

// A few bytes at the start of each file make its content its own; the rest
// is a hole that reads as zeros.
std::string headOf(const std::string& name, std::size_t size)
{
    return (name + "#").substr(0, std::min<std::size_t>(size, name.size() + 1));
}

void make(const fs::path& path, const std::string& name, const Entry& entry)
{
    switch (entry.kind) {
    case Kind::File: {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        FUZZ_CHECK(fd >= 0);
        const std::string head = headOf(name, entry.size);
        FUZZ_CHECK(::write(fd, head.data(), head.size()) == ssize_t(head.size()));
        FUZZ_CHECK(::ftruncate(fd, off_t(entry.size)) == 0);
        ::close(fd);
        break;
    }
    case Kind::Directory:
        fs::create_directory(path);
        break;
    case Kind::Fifo:
        FUZZ_CHECK(::mkfifo(path.c_str(), 0644) == 0);
        break;
    case Kind::DanglingLink:
        fs::create_symlink("/nonexistent/quillmar-fuzz", path);
        break;
    }
}

bool leftTemporaryFiles(const fs::path& directory)
{
    for (const fs::directory_entry& item : fs::directory_iterator(directory)) {
        if (item.path().filename().string().rfind(".quillmar-web-", 0) == 0)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader input(data, size);
    const bool outputInSource = input.byte() & 1;

    std::map<std::string, Entry> entries;  // byte order, as the builder takes them
    while (!input.empty() && entries.size() < kMostEntries) {
        std::string name = input.bytes(input.byte() % 40);
        std::replace(name.begin(), name.end(), '/', '_');
        std::replace(name.begin(), name.end(), '\0', '_');
        Entry entry;
        entry.size = input.word();
        entry.kind = static_cast<Kind>(input.byte() % 4);
        // The output's own name and the builder's temporary names are the test's.
        if (name.empty() || name == "." || name == ".." || name == "image.anf" || name.rfind(".quillmar-web-", 0) == 0)
            continue;
        entries[name] = entry;
    }

    const fs::path scratch = fuzz::scratchDirectory();
    const fs::path source = scratch / "pages";
    const fs::path outputDirectory = outputInSource ? source : scratch / "out";
    fs::remove_all(source);
    fs::remove_all(scratch / "out");
    fs::create_directories(source);
    fs::create_directories(outputDirectory);
    for (const auto& [name, entry] : entries)
        make(source / name, name, entry);
    const fs::path output = outputDirectory / "image.anf";

    MaintenanceProgress progress;
    const WebImageBuild build = buildWebImage(source.string(), output.string(), progress);

    fuzz::trace("code %d, %zu records, failed at '%s'", build.code, build.entries.size(), build.failedFile.c_str());
    FUZZ_CHECK(!leftTemporaryFiles(outputDirectory));
    const auto index = entries.find("index.html");
    const bool hasIndex = index != entries.end() && index->second.kind != Kind::Directory
                          && index->second.kind != Kind::DanglingLink;
    if (!hasIndex)
        FUZZ_CHECK(build.code == webbuild::kNoIndex);
    if (build.code != webbuild::kOk) {
        FUZZ_CHECK(!fs::exists(output));
        FUZZ_CHECK(build.code == webbuild::kNoIndex || entries.count(build.failedFile) == 1);
        if (build.code == webbuild::kNameTooLong)
            FUZZ_CHECK(build.failedFile.size() + 1 > kWebEntryNameMax);
        return 0;
    }

    // A finished image holds every file but the subdirectories and earlier
    // images, in byte order, with its own bytes.
    FUZZ_CHECK(!checkWebImageFile(output.string()).has_value());
    std::ifstream file(output, std::ios::binary);
    const std::string image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    FUZZ_CHECK(image.size() == build.imageBytes && image.size() <= kWebImageMaxBytes);
    const test::DecodedImage decoded = test::decodeWebImage(image);
    FUZZ_CHECK(decoded.error.empty());
    std::size_t record = 0;
    for (const auto& [name, entry] : entries) {
        if (entry.kind == Kind::Directory || entry.kind == Kind::DanglingLink || hasWebImageExtension(name))
            continue;
        FUZZ_CHECK(entry.kind == Kind::File && entry.size > 0);
        FUZZ_CHECK(record < decoded.records.size());
        const test::DecodedRecord& read = decoded.records[record];
        FUZZ_CHECK(read.name == "/" + name);
        FUZZ_CHECK(read.responseHeader == webResponseHeader(name, entry.size));
        const std::string head = headOf(name, entry.size);
        FUZZ_CHECK(read.data.size() == entry.size && read.data.compare(0, head.size(), head) == 0);
        FUZZ_CHECK(build.entries[record].name == read.name && build.entries[record].address == read.address);
        ++record;
    }
    FUZZ_CHECK(record == decoded.records.size() && record == build.entries.size());
    return 0;
}

#include "maintenance/web_image_builder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "maintenance/web_image_format.h"
#include "platform/regular_files.h"

namespace quillmar {
namespace {

constexpr int kFileBarAdvance = 50;

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The image being written: a temporary file beside the output, renamed over
// it when the image is complete and removed otherwise. Its name ends in
// ".anf", so a build whose output lies in its own source directory skips it.
class ImageFile {
public:
    ImageFile() = default;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    ~ImageFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!temporary_.empty())
            ::unlink(temporary_.c_str());
    }

    // False when the output names something other than a regular file (left
    // alone) or no file can be made beside it.
    bool create(const std::string& outputPath)
    {
        struct stat existing {};
        if (::lstat(outputPath.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
            return false;
        std::string name = directoryOf(outputPath) + "/.quillmar-web-XXXXXX.anf";
        fd_ = ::mkostemps(name.data(), 4, O_CLOEXEC);
        if (fd_ < 0)
            return false;
        temporary_ = name;
        target_ = outputPath;
        // An image is no secret: readable by all, as a file the user saves.
        ::fchmod(fd_, 0644);
        return true;
    }

    bool write(const void* bytes, std::size_t length)
    {
        const auto* next = static_cast<const char*>(bytes);
        while (length > 0) {
            const ssize_t written = ::write(fd_, next, length);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            next += written;
            length -= static_cast<std::size_t>(written);
        }
        return true;
    }

    bool commit()
    {
        const bool synced = ::fsync(fd_) == 0;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!synced || !closed || ::rename(temporary_.c_str(), target_.c_str()) != 0)
            return false;
        temporary_.clear();
        return true;
    }

private:
    int fd_ = -1;
    std::string temporary_;
    std::string target_;
};

// Every name in the directory but "." and "..", in byte order, so that the
// same files always make the same image. Nothing when it cannot be read.
std::vector<std::string> listDirectory(const std::string& directory)
{
    std::vector<std::string> names;
    DIR* listing = ::opendir(directory.c_str());
    if (!listing)
        return names;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

// Where the link `path` leads, resolved, when that lies inside `directory`
// (itself resolved); nothing when it leads out of it or nowhere.
std::optional<std::string> targetInside(const std::string& path, const std::string& directory)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return std::nullopt;
    std::string target = resolved;
    std::free(resolved);
    const std::string prefix = directory == "/" ? directory : directory + "/";
    if (target.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    return target;
}

std::string linkText(const std::string& path)
{
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    target.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return target;
}

class Builder {
public:
    Builder(ImageFile& image, WebImageBuild& build) : image_(image), build_(build) {}

    bool indexFound() const { return indexFound_; }

    // One file's record; 0 or the build's failure code.
    int convert(const std::string& name, const std::string& path, const struct stat* status)
    {
        using namespace webbuild;
        if (!status)
            return kConvertFailed;
        address_ += kWebRecordHeaderBytes;
        const std::string entryName = "/" + name;
        if (entryName.size() > kWebEntryNameMax)
            return kNameTooLong;
        if (entryName == kWebIndexEntry)
            indexFound_ = true;
        // Only a regular file is read, so a FIFO or a device never holds the build.
        if (!S_ISREG(status->st_mode) || status->st_size <= 0)
            return kConvertFailed;
        const auto size = static_cast<std::size_t>(status->st_size);
        const std::string response = webResponseHeader(name, size);
        const std::size_t bodyBytes = entryName.size() + 1 + response.size() + size;
        // A record that cannot fit fails the build anyway; the file is not read.
        if (build_.imageBytes + kWebRecordHeaderBytes + bodyBytes > kWebImageMaxBytes)
            return kImageTooLarge;
        const RegularFileRead read = readRegularFile(QByteArray::fromStdString(path), static_cast<qint64>(size));
        if (read.status != RegularFileRead::Status::Read || static_cast<std::size_t>(read.bytes.size()) != size)
            return kConvertFailed;

        WebRecordHeader header;
        header.nameAddress = address_;
        header.responseAddress = address_ + static_cast<std::uint32_t>(entryName.size() + 1);
        header.dataAddress = header.responseAddress + static_cast<std::uint32_t>(response.size());
        header.responseLength = static_cast<std::uint32_t>(response.size() + size);
        header.next = address_ + static_cast<std::uint32_t>(bodyBytes);
        address_ = header.next;
        if (address_ > kWebImageMaxBytes)
            header.next = 0;

        std::string body = entryName;
        body.push_back('\0');
        body += response;
        body.append(read.bytes.constData(), size);
        const auto encoded = encodeRecordHeader(header);
        if (!image_.write(encoded.data(), encoded.size()) || !image_.write(body.data(), body.size()))
            return kWriteFailed;
        build_.imageBytes += kWebRecordHeaderBytes + bodyBytes;
        build_.entries.push_back({entryName, header.nameAddress - static_cast<std::uint32_t>(kWebRecordHeaderBytes),
                                  size, response.size() + size, kWebRecordHeaderBytes + bodyBytes});
        return kOk;
    }

private:
    ImageFile& image_;
    WebImageBuild& build_;
    std::uint32_t address_ = kWebImageFirstRecord;
    bool indexFound_ = false;
};

}  // namespace

bool hasWebImageExtension(const std::string& path)
{
    return path.size() >= kWebImageExtension.size()
           && path.compare(path.size() - kWebImageExtension.size(), kWebImageExtension.size(), kWebImageExtension) == 0;
}

WebImageBuild buildWebImage(const std::string& sourceDirectory, const std::string& outputPath,
                            MaintenanceProgress& progress, const std::atomic<bool>* stopRequested)
{
    using namespace webbuild;
    WebImageBuild build;
    ImageFile image;
    if (!image.create(outputPath)) {
        build.code = kCreateFailed;
        return build;
    }
    const WebImageHeader& header = webImageHeader();
    if (!image.write(header.data(), header.size())) {
        build.code = kWriteFailed;
        return build;
    }
    build.imageBytes = kWebImageHeaderBytes;

    char* resolvedSource = ::realpath(sourceDirectory.c_str(), nullptr);
    const std::string source = resolvedSource ? resolvedSource : sourceDirectory;
    std::free(resolvedSource);

    Builder builder(image, build);
    int code = kOk;
    for (const std::string& name : listDirectory(sourceDirectory)) {
        if (stopRequested && stopRequested->load()) {
            code = kStopped;
            break;
        }
        std::string path = sourceDirectory + "/" + name;
        struct stat status {};
        bool found = ::lstat(path.c_str(), &status) == 0;
        if (found && S_ISLNK(status.st_mode)) {
            const std::optional<std::string> target = targetInside(path, source);
            if (!target) {
                const std::string skipped = name + " -> " + linkText(path);
                build.skippedLinks.push_back(skipped);
                progress.log("web image: link " + skipped + " skipped: its target is no file of the source directory");
                continue;
            }
            // The resolved name is read, so the link cannot be turned
            // elsewhere between this check and the read.
            path = *target;
            found = ::stat(path.c_str(), &status) == 0;
        }
        if ((found && S_ISDIR(status.st_mode)) || hasWebImageExtension(name))
            continue;
        progress.advanceBar(kFileBarAdvance);
        code = builder.convert(name, path, found ? &status : nullptr);
        if (code != kOk) {
            build.failedFile = name;
            build.failedCode = code;
            break;
        }
    }
    if (!builder.indexFound())
        code = kNoIndex;
    else if (code == kOk && !image.commit())
        code = kWriteFailed;
    build.code = code;
    return build;
}

}  // namespace quillmar

#pragma once
// What the fuzz targets share: a check that stops the run with the failed
// condition (so a broken invariant counts as a crash for libFuzzer and fails
// the seed test), a reader that splits one input into the pieces a target
// needs, a private scratch directory on a memory file system, and the Qt
// application some parsers expect to exist.
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : ::quillmar::fuzz::checkFailed(#condition, __FILE__, __LINE__))

namespace quillmar::fuzz {

[[noreturn]] inline void checkFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

// With QUILLMAR_FUZZ_TRACE set, a target says what became of each input, so
// that a seed can be seen to reach the path it was written for.
template <typename... Values> void trace(const char* format, Values... values)
{
    static const bool on = std::getenv("QUILLMAR_FUZZ_TRACE") != nullptr;
    if (on) {
        std::fprintf(stderr, format, values...);
        std::fputc('\n', stderr);
    }
}

// Takes an input apart from the front; what is asked for past its end reads
// as zero bytes or an empty piece, so every input is a valid script.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return position_ >= size_; }
    std::size_t left() const { return size_ - position_; }

    std::uint8_t byte() { return empty() ? 0 : data_[position_++]; }
    std::uint16_t word()
    {
        const std::uint16_t high = byte();
        return static_cast<std::uint16_t>(high << 8 | byte());
    }
    // At most `count` bytes.
    std::string bytes(std::size_t count)
    {
        count = std::min(count, left());
        std::string piece(reinterpret_cast<const char*>(data_ + position_), count);
        position_ += count;
        return piece;
    }
    // A piece whose length is the next byte.
    std::string shortPiece() { return bytes(byte()); }
    std::string rest() { return bytes(left()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// A directory of this process alone, on /dev/shm when there is one, so that
// the file parsers read real files without touching a disk. Made once and
// removed when the process exits normally.
inline const std::string& scratchDirectory()
{
    static const std::string path = [] {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string directory = std::string(base) + "/quillmar-fuzz-" + std::to_string(::getpid());
        std::filesystem::create_directories(directory);
        return directory;
    }();
    static const bool cleanup = [] {
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        });
        return true;
    }();
    (void)cleanup;
    return path;
}

// QCoreApplication for the parsers that use Qt's event objects (timers,
// QObject parents); created once, before the first input.
inline void ensureCoreApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "quillmar-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

}  // namespace quillmar::fuzz

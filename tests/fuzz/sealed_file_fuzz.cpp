// An encrypted settings file as anyone may hand a technician (config export
// --encrypt, a .enc backup), opened with the passphrase "fuzz words" the seeds
// were sealed with; and the input itself sealed and opened again. A header
// whose cost the reader takes but that is slow to derive (more than 1 MiB or
// 4 passes) is passed over, so that each run stays short; the refusal of
// higher costs is checked without deriving anything.
#include "fuzz/fuzz_support.h"
#include "history/sealed_file.h"

using namespace quillmar;

namespace {

std::uint32_t numberAt(const std::uint8_t* at)
{
    return (std::uint32_t(at[0]) << 24) | (std::uint32_t(at[1]) << 16) | (std::uint32_t(at[2]) << 8) | at[3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool sealedLooking = looksSealed(bytes);
    if (sealedLooking && size >= std::size_t(kSealedHeaderSize)) {
        const std::uint32_t passes = numberAt(data + 10);
        const std::uint32_t memoryKiB = numberAt(data + 14);
        const bool taken = passes >= 1 && passes <= 64 && memoryKiB >= 8 && memoryKiB <= 1024 * 1024;
        if (taken && (passes > 4 || memoryKiB > 1024) && data[8] == 1 && data[9] == 1) {
            fuzz::trace("passed over: %u passes, %u KiB", passes, memoryKiB);
            return 0;
        }
    }
    const OpenedFile opened = openSealed(bytes, "fuzz words");
    fuzz::trace("outcome %d: %s", int(opened.outcome), opened.message.toLocal8Bit().constData());
    FUZZ_CHECK((opened.outcome == OpenedFile::Outcome::NotSealed) == !sealedLooking);
    // A sealed file that does not open says why.
    if (sealedLooking)
        FUZZ_CHECK((opened.outcome == OpenedFile::Outcome::Opened) == opened.message.isEmpty());
    if (opened.outcome == OpenedFile::Outcome::Opened)
        FUZZ_CHECK(opened.contents.size() == bytes.size() - kSealedOverhead);
    else
        FUZZ_CHECK(opened.contents.isEmpty());

    // Whatever is sealed opens again as it was, and with no other passphrase.
    static QString error;
    static const std::unique_ptr<FileSealer> sealer = FileSealer::make("fuzz words", error, SealCost{1, 8});
    FUZZ_CHECK(sealer != nullptr);
    const QByteArray sealed = sealer->seal(bytes);
    FUZZ_CHECK(sealed.size() == bytes.size() + kSealedOverhead);
    const OpenedFile again = openSealed(sealed, "fuzz words");
    FUZZ_CHECK(again.outcome == OpenedFile::Outcome::Opened);
    FUZZ_CHECK(again.contents == bytes);
    FUZZ_CHECK(openSealed(sealed, "fuzz wordz").outcome == OpenedFile::Outcome::WrongPassphrase);
    return 0;
}

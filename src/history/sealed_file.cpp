#include "history/sealed_file.h"

#include <sodium.h>

#include <cstring>

namespace quillmar {

namespace {

constexpr char kMagic[] = "QMSEALED";
constexpr int kMagicSize = 8;
constexpr unsigned char kVersion = 1;
constexpr unsigned char kAlgorithm = 1;
constexpr int kSaltOffset = 18;
constexpr int kNonceOffset = 34;
constexpr std::uint32_t kMostPasses = 64;
constexpr std::uint32_t kMostMemoryKiB = 1024 * 1024;

static_assert(crypto_pwhash_SALTBYTES == 16);
static_assert(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES == 24);
static_assert(crypto_aead_xchacha20poly1305_ietf_ABYTES == kSealedTagSize);
static_assert(crypto_aead_xchacha20poly1305_ietf_KEYBYTES == 32);
static_assert(kNonceOffset + 24 == kSealedHeaderSize);

bool sodiumReady()
{
    static const bool ready = ::sodium_init() >= 0;
    return ready;
}

void putNumber(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

std::uint32_t numberAt(const unsigned char* at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | at[i];
    return value;
}

bool deriveKey(std::array<unsigned char, 32>& key, const QByteArray& passphrase, const unsigned char* salt,
               SealCost cost)
{
    return ::crypto_pwhash(key.data(), key.size(), passphrase.constData(),
                           static_cast<unsigned long long>(passphrase.size()), salt, cost.passes,
                           std::size_t(cost.memoryKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13)
           == 0;
}

}  // namespace

bool looksSealed(const QByteArray& bytes)
{
    return bytes.startsWith(QByteArray::fromRawData(kMagic, kMagicSize));
}

std::unique_ptr<FileSealer> FileSealer::make(const QByteArray& passphrase, QString& error, SealCost cost)
{
    if (passphrase.isEmpty()) {
        error = QStringLiteral("an empty passphrase protects nothing");
        return nullptr;
    }
    if (!sodiumReady()) {
        error = QStringLiteral("libsodium could not be started");
        return nullptr;
    }
    std::unique_ptr<FileSealer> sealer(new FileSealer);
    sealer->cost_ = cost;
    ::randombytes_buf(sealer->salt_.data(), sealer->salt_.size());
    if (!deriveKey(sealer->key_, passphrase, sealer->salt_.data(), cost)) {
        error = QStringLiteral("the key of the passphrase could not be derived (%1 KiB of memory are needed)")
                    .arg(cost.memoryKiB);
        return nullptr;
    }
    return sealer;
}

FileSealer::~FileSealer()
{
    ::sodium_memzero(key_.data(), key_.size());
}

QByteArray FileSealer::seal(const QByteArray& contents) const
{
    QByteArray file(kSealedHeaderSize + contents.size() + kSealedTagSize, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(file.data());
    std::memcpy(bytes, kMagic, kMagicSize);
    bytes[8] = kVersion;
    bytes[9] = kAlgorithm;
    putNumber(bytes + 10, cost_.passes);
    putNumber(bytes + 14, cost_.memoryKiB);
    std::memcpy(bytes + kSaltOffset, salt_.data(), salt_.size());
    ::randombytes_buf(bytes + kNonceOffset, 24);
    unsigned long long sealedSize = 0;
    ::crypto_aead_xchacha20poly1305_ietf_encrypt(bytes + kSealedHeaderSize, &sealedSize,
                                                 reinterpret_cast<const unsigned char*>(contents.constData()),
                                                 static_cast<unsigned long long>(contents.size()), bytes,
                                                 kSealedHeaderSize, nullptr, bytes + kNonceOffset, key_.data());
    file.truncate(kSealedHeaderSize + qsizetype(sealedSize));
    return file;
}

OpenedFile openSealed(const QByteArray& file, const QByteArray& passphrase)
{
    OpenedFile opened;
    if (!looksSealed(file))
        return opened;
    opened.outcome = OpenedFile::Outcome::Unsupported;
    if (file.size() < kSealedOverhead) {
        opened.message = QStringLiteral("the encrypted file is cut short (%1 bytes)").arg(file.size());
        return opened;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.constData());
    if (bytes[8] != kVersion || bytes[9] != kAlgorithm) {
        opened.message = QStringLiteral("the file is encrypted in a way this program does not know (version %1, "
                                        "algorithm %2)")
                             .arg(bytes[8])
                             .arg(bytes[9]);
        return opened;
    }
    const SealCost cost{numberAt(bytes + 10), numberAt(bytes + 14)};
    if (cost.passes < crypto_pwhash_OPSLIMIT_MIN || cost.passes > kMostPasses
        || std::size_t(cost.memoryKiB) * 1024 < crypto_pwhash_MEMLIMIT_MIN || cost.memoryKiB > kMostMemoryKiB) {
        opened.message = QStringLiteral("the file's passphrase cost (%1 passes, %2 KiB) is outside what this "
                                        "program takes")
                             .arg(cost.passes)
                             .arg(cost.memoryKiB);
        return opened;
    }
    if (!sodiumReady()) {
        opened.message = QStringLiteral("libsodium could not be started");
        return opened;
    }
    std::array<unsigned char, 32> key{};
    if (!deriveKey(key, passphrase, bytes + kSaltOffset, cost)) {
        opened.message = QStringLiteral("the key of the passphrase could not be derived (%1 KiB of memory are "
                                        "needed)")
                             .arg(cost.memoryKiB);
        return opened;
    }
    QByteArray contents(file.size() - kSealedOverhead, '\0');
    unsigned long long size = 0;
    const int refused = ::crypto_aead_xchacha20poly1305_ietf_decrypt(
        reinterpret_cast<unsigned char*>(contents.data()), &size, nullptr, bytes + kSealedHeaderSize,
        static_cast<unsigned long long>(file.size() - kSealedHeaderSize), bytes, kSealedHeaderSize,
        bytes + kNonceOffset, key.data());
    ::sodium_memzero(key.data(), key.size());
    if (refused != 0) {
        opened.outcome = OpenedFile::Outcome::WrongPassphrase;
        opened.message = QStringLiteral("the passphrase does not open it (or the file was changed)");
        return opened;
    }
    contents.truncate(qsizetype(size));
    opened.outcome = OpenedFile::Outcome::Opened;
    opened.contents = contents;
    return opened;
}

}  // namespace quillmar

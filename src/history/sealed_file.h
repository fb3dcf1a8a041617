#pragma once
// Settings files protected by a passphrase: an exported record (config export
// --encrypt) and the backups taken before writes (--encrypt-backups) hold the
// Wi-Fi keys, and a copy that leaves the PC should not give them away. The
// plain 256-byte files stay the default and stay readable; a sealed file is
// told from one by its first bytes.
//
// Layout, version 1 (numbers most significant byte first):
//   0  "QMSEALED"        8 bytes
//   8  version           1 byte, 1
//   9  algorithm         1 byte, 1: Argon2id13 key from the passphrase,
//                        XChaCha20-Poly1305 (IETF) over the contents
//  10  Argon2 passes     4 bytes
//  14  Argon2 memory     4 bytes, KiB
//  18  salt             16 bytes
//  34  nonce            24 bytes
//  58  ciphertext       the contents' length + 16 (the tag)
// The 58 header bytes are the cipher's associated data, so a changed header
// fails to open as a changed ciphertext does.
#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

namespace quillmar {

inline constexpr int kSealedHeaderSize = 58;
inline constexpr int kSealedTagSize = 16;
inline constexpr int kSealedOverhead = kSealedHeaderSize + kSealedTagSize;
// The largest file a reader takes as sealed: a record and its header.
inline constexpr int kSealedRecordFileSize = 256 + kSealedOverhead;

// What the passphrase's key costs to derive. The defaults are libsodium's
// interactive limits (2 passes, 64 MiB): a fraction of a second here, and the
// same per guess for anyone trying passphrases.
struct SealCost {
    std::uint32_t passes = 2;
    std::uint32_t memoryKiB = 64 * 1024;
};

// Whether `bytes` begin as a sealed file does, whatever its version.
bool looksSealed(const QByteArray& bytes);

// Seals any number of files with one passphrase: the key is derived once
// (Argon2id, one fresh salt), each file gets a fresh nonce. A fleet's backups
// are sealed without an Argon2 run per module.
class FileSealer {
public:
    // Nothing, with `error` set, for an empty passphrase or when the key cannot
    // be derived (libsodium unusable, no memory).
    static std::unique_ptr<FileSealer> make(const QByteArray& passphrase, QString& error, SealCost cost = {});
    ~FileSealer();
    FileSealer(const FileSealer&) = delete;
    FileSealer& operator=(const FileSealer&) = delete;

    QByteArray seal(const QByteArray& contents) const;

private:
    FileSealer() = default;

    SealCost cost_;
    std::array<unsigned char, 16> salt_{};
    std::array<unsigned char, 32> key_{};
};

struct OpenedFile {
    enum class Outcome {
        Opened,           // `contents` holds what was sealed
        NotSealed,        // a plain file: take its bytes as they are
        Unsupported,      // a version, algorithm or cost this program does not take
        WrongPassphrase,  // the passphrase does not open it, or the file was changed
    };
    Outcome outcome = Outcome::NotSealed;
    QByteArray contents;
    QString message;  // why not, when not Opened (NotSealed: empty)
};

// Opens a sealed file's bytes with `passphrase`. A cost above 64 passes or
// 1 GiB of memory is Unsupported, so a crafted header cannot make a reader
// spend minutes or the machine's memory before the passphrase is even tried.
OpenedFile openSealed(const QByteArray& bytes, const QByteArray& passphrase);

}  // namespace quillmar

#pragma once
// What `config apply` takes from a file for other printers: the fields an
// exported 256-byte record or a "$S" key file sets, as the changes config set
// would make. modelName, macAddress and ipAddress are a module's own and are
// never copied from a file; what the file sets beyond the record a save
// carries (the key file's packing, serial and TCP settings) is named, not sent.
#include <QByteArray>
#include <QStringList>

#include <optional>
#include <vector>

#include "sealed_opener.h"
#include "settable_fields.h"

namespace quillmar::cli {

struct AppliedFile {
    enum class Kind { Record, KeyFile };
    Kind kind = Kind::Record;
    std::vector<FieldChange> changes;
    QStringList notApplied;  // one line per thing the file sets that is not sent
};

// A regular file of exactly 256 bytes that holds a zero byte, or has no line
// starting "$S", is a record; any other file of 1 to 1023 bytes a key file.
// Nothing, with `error` set to the import's text ("file isn't exists", "open
// file failed", "read file failed.", or "importData: " and the conversion
// error), when the file cannot be taken. An encrypted file is opened by
// `opener` first (and refused without one).
std::optional<AppliedFile> readAppliedFile(const QByteArray& path, QString& error, const SealedOpener& opener = {});

// The same on bytes read already (and opened, when they were sealed).
std::optional<AppliedFile> appliedFileOf(const QByteArray& bytes, QString& error);

// A record file's changes: every field but the module's own, and of the two
// keys the one its encryption sends.
AppliedFile changesOfRecord(const DeviceEntry& record);

}  // namespace quillmar::cli

#pragma once
// Opening the settings files a verb reads (an exported record, a backup, a key
// file) when they are encrypted (history/sealed_file.h): the passphrase comes
// from the verb's secrets (--secrets, --ask-secret, QUILLMAR_PASSPHRASE) or is
// asked on the terminal. A plain file is taken as it is.
#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include "secret_sources.h"
#include "verb_context.h"

namespace quillmar::cli {

// Takes a file's bytes; gives what it holds (the bytes themselves when they
// are not sealed), or nothing with `error` set.
using SealedOpener = std::function<std::optional<QByteArray>(const QByteArray& bytes, QString& error)>;

// The opener of the file shown as `shownPath`.
SealedOpener sealedOpener(SecretSources& secrets, VerbContext& context, const QString& shownPath);

}  // namespace quillmar::cli

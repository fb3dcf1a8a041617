#include "sealed_opener.h"

#include "history/sealed_file.h"

namespace quillmar::cli {

SealedOpener sealedOpener(SecretSources& secrets, VerbContext& context, const QString& shownPath)
{
    return [&secrets, &context, shownPath](const QByteArray& bytes, QString& error) -> std::optional<QByteArray> {
        if (!looksSealed(bytes))
            return bytes;
        const std::optional<QByteArray> passphrase = secrets.passphraseToOpen(context, shownPath, error);
        if (!passphrase) {
            error = QStringLiteral("the file is encrypted, and its passphrase is wanted: %1").arg(error);
            return std::nullopt;
        }
        const OpenedFile opened = openSealed(bytes, *passphrase);
        if (opened.outcome != OpenedFile::Outcome::Opened && opened.outcome != OpenedFile::Outcome::NotSealed) {
            error = opened.message;
            return std::nullopt;
        }
        return opened.outcome == OpenedFile::Outcome::Opened ? opened.contents : bytes;
    };
}

}  // namespace quillmar::cli

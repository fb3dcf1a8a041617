#pragma once
// Asks for the passphrase a sealed settings file or backup was written with.
#include <QByteArray>
#include <QString>

#include <optional>

class QWidget;

namespace quillmar {

// Asks, window-modal over `parent`, for the passphrase of `fileName`, without
// echo; nothing when the user cancels.
std::optional<QByteArray> askSealedPassphrase(QWidget* parent, const QString& fileName);

}  // namespace quillmar

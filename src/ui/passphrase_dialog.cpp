#include "ui/passphrase_dialog.h"

#include <QInputDialog>
#include <QLineEdit>

namespace quillmar {

std::optional<QByteArray> askSealedPassphrase(QWidget* parent, const QString& fileName)
{
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("PassphraseDlg"));
    dialog.setWindowTitle(QStringLiteral("Passphrase"));
    dialog.setLabelText(QStringLiteral("%1 is encrypted. Its passphrase:").arg(fileName));
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().toUtf8();
}

}  // namespace quillmar

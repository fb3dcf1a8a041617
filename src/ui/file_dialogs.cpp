#include "ui/file_dialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace quillmar {
namespace {

class ToolkitFileDialogs final : public FileDialogs {
public:
    QString saveFileName(QWidget* parent, const FileDialogRequest& request) override
    {
        QFileDialog dialog(parent, request.title, QString(), request.filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.defaultSuffix);
        // The caller asks its own question about a file that exists.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        return chosen(dialog);
    }

    QString openFileName(QWidget* parent, const FileDialogRequest& request) override
    {
        QFileDialog dialog(parent, request.title, QString(), request.filter);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return chosen(dialog);
    }

    QString existingDirectory(QWidget* parent, const QString& title, const QString& start) override
    {
        return QFileDialog::getExistingDirectory(parent, title, start);
    }

private:
    static QString chosen(QFileDialog& dialog)
    {
        if (dialog.exec() != QDialog::Accepted)
            return QString();
        const QStringList files = dialog.selectedFiles();
        return files.isEmpty() ? QString() : files.first();
    }
};

FileDialogs* installedDialogs = nullptr;

}  // namespace

FileDialogs& fileDialogs()
{
    static ToolkitFileDialogs toolkit;
    return installedDialogs ? *installedDialogs : toolkit;
}

void setFileDialogs(FileDialogs* replacement)
{
    installedDialogs = replacement;
}

}  // namespace quillmar

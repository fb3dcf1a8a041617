#pragma once
// Every open and save file dialog and directory chooser of the program goes
// through one process-wide FileDialogs, so that tests can answer them with
// paths of their own.
#include <QString>

class QWidget;

namespace quillmar {

struct FileDialogRequest {
    QString title;
    // One pattern or several separated by spaces, such as "*.bin".
    QString filter;
    // Added to a typed name that has no suffix (save dialogs), without the dot.
    QString defaultSuffix;
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen path, or an empty text when the user cancelled. A save dialog
    // does not ask about an existing file: its caller does.
    virtual QString saveFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString openFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    // An existing directory, the chooser starting at `start`; empty when cancelled.
    virtual QString existingDirectory(QWidget* parent, const QString& title, const QString& start) = 0;
};

FileDialogs& fileDialogs();
// Installs file dialogs for the whole process (not owned); nullptr restores the
// toolkit's dialogs.
void setFileDialogs(FileDialogs* replacement);

}  // namespace quillmar

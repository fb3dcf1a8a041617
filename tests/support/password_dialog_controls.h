#pragma once
// The password dialog's controls, found by the object names the windows give
// them, as a user's clicks and keys reach them.
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

namespace quillmar::test {

inline QLineEdit* passwordOf(QDialog& dialog)
{
    return dialog.findChild<QLineEdit*>(QStringLiteral("Password"));
}

inline QPushButton* okOf(QDialog& dialog)
{
    return dialog.findChild<QPushButton*>(QStringLiteral("OKBtn"));
}

inline QPushButton* cancelOf(QDialog& dialog)
{
    return dialog.findChild<QPushButton*>(QStringLiteral("CancelBtn"));
}

// The maintenance password's "Remember"; none in the access dialog.
inline QCheckBox* rememberOf(QDialog& dialog)
{
    return dialog.findChild<QCheckBox*>(QStringLiteral("ChkBox_remember"));
}

}  // namespace quillmar::test

#pragma once
// The printer families of the start-up chooser, the flags each sets, the
// remembered choice in "modelno.dat", and how a sibling manager is started.
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace quillmar {

struct ProgramFlags;

struct ModelChoiceItem {
    const char* text;
    int usbToolFlag;
    int lanPrinterFlag;  // -1: left as it is
    int printerFamily;
    char digit;
    const char* siblingProgram;  // nullptr: this program's main window manages it
};

inline constexpr int kModelChoiceCount = 4;
const std::array<ModelChoiceItem, kModelChoiceCount>& modelChoiceItems();

inline constexpr const char* kModelChoiceFile = "modelno.dat";

void applyModelChoice(int item, ProgramFlags& flags);

// First character of the file; nothing for a missing, empty or unreadable file,
// or for a name that is not a regular file.
std::optional<char> readModelChoice(const QString& path);
// Writes the text alone, no line end, as writeSettingsFile does (replaced
// through a temporary file, or in place where the directory is read-only).
// False when it cannot be written.
bool writeModelChoice(const QString& path, const QString& text);

// Item by its choice digit, or -1 for any other character.
int modelChoiceItemForDigit(QChar digit);

struct SiblingStart {
    QString program;  // full path in the working directory
    QStringList arguments;
};
// The sibling of items 0 and 3, with parameters following this program's -p
// and -o options; nothing for the families this program manages.
std::optional<SiblingStart> siblingStart(int item, const ProgramFlags& flags, const QString& workingDirectory);

}  // namespace quillmar

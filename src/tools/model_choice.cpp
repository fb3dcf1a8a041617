#include "tools/model_choice.h"

#include <QDir>

#include "platform/settings_file.h"
#include "record/program_flags.h"

namespace quillmar {

const std::array<ModelChoiceItem, kModelChoiceCount>& modelChoiceItems()
{
    static const std::array<ModelChoiceItem, kModelChoiceCount> items{{
        {"RX4100/RX5000-LAN-Printer", 2, -1, 0, '0', "RXLanMgr.exe"},
        {"RX4100-WIFI-Printer", 0, -1, 1, '1', nullptr},
        {"RX4200/RX6800/RX7000-WIFI-Printer", 1, 0, 2, '2', nullptr},
        {"RX4200/RX6800/RX7000-Lan-Printer", 1, 1, 3, '3', "RX7KLMgr.exe"},
    }};
    return items;
}

void applyModelChoice(int item, ProgramFlags& flags)
{
    const ModelChoiceItem& choice = modelChoiceItems().at(item);
    flags.usbToolFlag = choice.usbToolFlag;
    if (choice.lanPrinterFlag >= 0)
        flags.lanPrinterFlag = choice.lanPrinterFlag;
    flags.printerFamily = choice.printerFamily;
}

std::optional<char> readModelChoice(const QString& path)
{
    const std::optional<QByteArray> bytes = readSettingsFile(path, 1);
    if (!bytes || bytes->isEmpty())
        return std::nullopt;
    return bytes->front();
}

bool writeModelChoice(const QString& path, const QString& text)
{
    return writeSettingsFile(path, text.toLatin1());
}

int modelChoiceItemForDigit(QChar digit)
{
    for (int i = 0; i < kModelChoiceCount; ++i) {
        if (digit == QLatin1Char(modelChoiceItems()[i].digit))
            return i;
    }
    return -1;
}

std::optional<SiblingStart> siblingStart(int item, const ProgramFlags& flags, const QString& workingDirectory)
{
    if (item < 0 || item >= kModelChoiceCount || !modelChoiceItems()[item].siblingProgram)
        return std::nullopt;
    SiblingStart start;
    start.program = QDir(workingDirectory).filePath(QString::fromLatin1(modelChoiceItems()[item].siblingProgram));
    if (flags.allowIpModeFlag)
        start.arguments << QStringLiteral("-p");
    if (flags.optionO)
        start.arguments << QStringLiteral("-o");
    return start;
}

}  // namespace quillmar

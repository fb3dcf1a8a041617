// The one-character settings files in the working directory, whatever another
// program or a damaged disk left in them: "modelno.dat" as the model chooser
// reads it at start, "COMSET.DAT" and "BAUDSET.DAT" as the COM-port tool does.
// A remembered choice must always be one the chooser or the tool offers.
//
// Input: the content written to all three files.
#include <QFile>

#include "fuzz/fuzz_support.h"
#include "platform/settings_file.h"
#include "record/program_flags.h"
#include "tools/model_choice.h"
#include "tools/settings_tool_rules.h"

using namespace quillmar;

namespace {

QString fileWith(const char* name, const QByteArray& content)
{
    const QString path = QString::fromStdString(fuzz::scratchDirectory() + "/" + name);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(content) == content.size());
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const char first = content.isEmpty() ? '\0' : content.front();

    const QString choicePath = fileWith(kModelChoiceFile, content);
    const std::optional<QByteArray> head = readSettingsFile(choicePath);
    FUZZ_CHECK(head && *head == content.left(64));
    const std::optional<char> digit = readModelChoice(choicePath);
    FUZZ_CHECK(digit.has_value() == !content.isEmpty());
    if (digit) {
        FUZZ_CHECK(*digit == first);
        const int item = modelChoiceItemForDigit(QLatin1Char(*digit));
        FUZZ_CHECK(item == (first >= '0' && first <= '3' ? first - '0' : -1));
        if (item >= 0) {
            ProgramFlags flags;
            applyModelChoice(item, flags);
            FUZZ_CHECK(flags.printerFamily == modelChoiceItems()[std::size_t(item)].printerFamily);
            const std::optional<SiblingStart> sibling = siblingStart(item, flags, QStringLiteral("/work"));
            FUZZ_CHECK(sibling.has_value() == (modelChoiceItems()[std::size_t(item)].siblingProgram != nullptr));
        }
    }

    const std::optional<int> port = readComPortFile(fileWith(kComSetFile, content));
    FUZZ_CHECK(port.has_value() == (first >= '1' && first <= '9'));
    if (port) {
        FUZZ_CHECK(*port >= 1 && *port <= kToolComPortCount);
        FUZZ_CHECK(toolCommPortForItem(*port - 1) == *port);
    }

    const std::optional<int> baud = readBaudIndexFile(fileWith(kBaudSetFile, content));
    FUZZ_CHECK(baud.has_value() == (first >= '0' && first <= '4'));
    if (baud)
        FUZZ_CHECK(toolSerialSettingsForItem(*baud).has_value());
    return 0;
}

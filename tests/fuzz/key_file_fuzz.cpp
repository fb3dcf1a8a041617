// A "$S" key file as anyone may hand a technician: its text applied as the
// configuration window's import applies it (written down by the report that
// `quillmar-cli config import` prints), and the same bytes read from a file,
// where the size rule applies first.
#include <QFile>

#include "config/key_file_import.h"
#include "config/key_file_report.h"
#include "fuzz/fuzz_support.h"

using namespace quillmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    KeyFileReport applied;
    const ImportOutcome outcome = applyKeyFileText(text, applied);
    FUZZ_CHECK(outcome.status == ImportStatus::Read || outcome.status == ImportStatus::ConversionFailed);
    // Only a "$SLW" value is converted to a number.
    if (outcome.status == ImportStatus::ConversionFailed)
        FUZZ_CHECK(text.contains("\r\n") && text.contains("$SLW"));
    // A text without a key sets nothing.
    if (!text.contains("$S"))
        FUZZ_CHECK(applied.lines().isEmpty());
    // Every effect is written down as a control and what it was given.
    for (const QString& line : applied.lines())
        FUZZ_CHECK(line.contains(QStringLiteral(" = ")));

    const QString path = QString::fromStdString(fuzz::scratchDirectory() + "/keys.txt");
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(text) == text.size());
    file.close();
    KeyFileReport imported;
    const ImportOutcome fromFile = importKeyFile(path, imported);
    if (size == 0 || size > std::size_t(kImportFileMaxSize)) {
        FUZZ_CHECK(fromFile.status == ImportStatus::ReadFailed);
        FUZZ_CHECK(fromFile.result() == -2);
        FUZZ_CHECK(imported.lines().isEmpty());
    } else {
        FUZZ_CHECK(fromFile.status == outcome.status);
        FUZZ_CHECK(fromFile.message == outcome.message);
        FUZZ_CHECK(imported.lines() == applied.lines());
    }
    return 0;
}

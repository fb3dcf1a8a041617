// The 256-byte configuration record as a configuration window takes it in:
// the window's show-time fill over a working block whose record (and extended
// area) are the input, the checks an export runs, and the exported file. A
// record that passed the checks and was exported must open and export again
// to the same 256 bytes, and the file on disk must hold exactly those bytes.
// Saved back with no box changed, the record goes back as it came.
//
// Input: the working block's 536 bytes (a shorter input leaves the rest zero,
// as a window opened from the device list has it).
#include <QFile>

#include "config/configuration_export.h"
#include "config/opened_form_values.h"
#include "config/save_checks.h"
#include "config/save_records.h"
#include "fuzz/fuzz_support.h"
#include "record/record_check.h"
#include "write/form_changes.h"
#include "write/write_plan.h"

using namespace quillmar;

namespace {

struct Export {
    SaveCheckOutcome checks;
    QByteArray bytes;  // the file's content when the checks passed
};

Export exportOf(const ConfigBlock& opened)
{
    const OpenedForm form = openedFormValues(opened, laidOutFormValues());
    ConfigBlock block = opened;
    Export result{runSaveChecks(form.values, block), {}};
    if (result.checks.passed())
        result.bytes = blockRecordBytes(block);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ConfigBlock block;
    std::copy(data, data + std::min(size, ConfigBlock::size()), block.data());

    const Export first = exportOf(block);
    fuzz::trace("checks %s: %s", first.checks.passed() ? "passed" : "failed", qPrintable(first.checks.message));
    if (!first.checks.passed()) {
        FUZZ_CHECK(!first.checks.message.isEmpty());
    } else {
        FUZZ_CHECK(first.bytes.size() == qsizetype(kDeviceEntrySize));
        const DeviceEntry exported = DeviceEntry::fromBytes(first.bytes.constData(), kDeviceEntrySize);
        FUZZ_CHECK(exported == exported.normalized());
        const Export again = exportOf(ConfigBlock(exported));
        FUZZ_CHECK(again.checks.passed());
        FUZZ_CHECK(again.bytes == first.bytes);

        const QString path = QString::fromStdString(fuzz::scratchDirectory() + "/exported.bin");
        FUZZ_CHECK(writeFileReplacing(path, first.bytes) == FileWriteResult::Written);
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly));
        FUZZ_CHECK(file.readAll() == first.bytes);
    }

    // The same record opened from the device list and saved over UDP with no
    // box changed: a record that parses goes back byte for byte, any other is
    // refused.
    const DeviceEntry record = block.entry();
    const ConfigFormValues values = formValuesFromRecord(record, 0xC000020Au);
    WriteRequest request;
    request.where = QStringLiteral("192.0.2.10");
    request.answeredAt = 0xC000020Au;
    request.changes = windowChanges(values, values);
    const WritePlan plan = planWrite(request, QByteArray(record.data(), qsizetype(record.size())));
    fuzz::trace("save %s", plan.refused() ? qPrintable(plan.refusal) : "planned");
    FUZZ_CHECK(request.changes.empty());
    FUZZ_CHECK(plan.refused() == recordParseProblem(record).has_value());
    FUZZ_CHECK(plan.refused() || plan.unchanged());
    return 0;
}

// A file handed to `quillmar-cli config apply`: an exported 256-byte record or
// a "$S" key file, told apart by its bytes and read for the changes it makes,
// then checked and merged into a module's record as the save would send it.
// Whatever the file holds, a module's own fields (model name, MAC, address)
// never come from it.
//
// Input: the file's content.
#include <QFile>

#include "applied_file.h"
#include "config/key_file_import.h"
#include "fuzz/fuzz_support.h"
#include "write/write_plan.h"

using namespace quillmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = QString::fromStdString(fuzz::scratchDirectory() + "/applied.bin");
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(content) == content.size());
    }
    QString error;
    const std::optional<cli::AppliedFile> applied = cli::readAppliedFile(QFile::encodeName(path), error);
    fuzz::trace("%s: %s", applied ? "read" : "refused", qPrintable(error));
    if (size == 0 || size > std::size_t(kImportFileMaxSize))
        FUZZ_CHECK(!applied && error == QStringLiteral("read file failed."));
    if (!applied) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    if (size != kDeviceEntrySize)
        FUZZ_CHECK(applied->kind == cli::AppliedFile::Kind::KeyFile);
    for (const FieldChange& change : applied->changes) {
        FUZZ_CHECK(change.field != DeviceField::ModelName && change.field != DeviceField::MacAddress
                   && change.field != DeviceField::IpAddress);
        if (applied->kind == cli::AppliedFile::Kind::KeyFile)
            FUZZ_CHECK(change.field == DeviceField::IpMode);
    }

    // The changes as config apply makes them to a module that reported this
    // record at 192.0.2.10.
    DeviceEntry module;
    module.setText(DeviceField::ModelName, "RX7000 WI-FI");
    module.setText(DeviceField::DeviceName, "Counter-1");
    module.setText(DeviceField::MacAddress, "00-11-22-AA-BB-01");
    module.setText(DeviceField::IpAddress, "192.0.2.10");
    module.setText(DeviceField::TcpPort, "9100");
    module.setText(DeviceField::UdpPort, "5000");
    module.setText(DeviceField::IpMode, "STATIC");
    module.setText(DeviceField::WifiMode, "Infra");
    module.setText(DeviceField::AuthMode, "WPA2PSK");
    module.setText(DeviceField::EncryType, "AES");
    module.setText(DeviceField::Ssid, "shopfloor");
    module.setText(DeviceField::WpaPsk, "lab-passphrase-1");
    std::vector<FieldChange> changes = applied->changes;
    if (checkFieldChanges(windowFieldRules(), changes))
        return 0;
    WriteRequest request;
    request.where = QStringLiteral("192.0.2.10");
    request.answeredAt = 0xC000020Au;
    request.changes = changes;
    request.rules = &windowFieldRules();
    const WritePlan plan = planWrite(request, QByteArray(module.data(), int(module.size())));
    fuzz::trace("save %s: %s", plan.refused() ? "refused" : "built", qPrintable(plan.refusal));
    const std::optional<DeviceEntry> saved = plan.refused() ? std::nullopt : std::optional(plan.record);
    const QString& message = plan.refusal;
    if (saved) {
        FUZZ_CHECK(saved->text(DeviceField::ModelName) == module.text(DeviceField::ModelName));
        FUZZ_CHECK(saved->text(DeviceField::MacAddress) == module.text(DeviceField::MacAddress));
        FUZZ_CHECK(saved->text(DeviceField::IpAddress) == "192.0.2.10");
        FUZZ_CHECK(*saved == saved->normalized());
    } else {
        FUZZ_CHECK(!message.isEmpty());
    }
    return 0;
}

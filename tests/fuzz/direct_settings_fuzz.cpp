// A printer's answer to the direct settings read, on a COM port (6 leading
// bytes, then the record) or over USB (the record alone, in pieces), and what
// the settings tools show of it and would write back: a record is believed only
// when it parses.
//
// Input: a byte whose low bit picks the transport and whose other bits the
// size of the pieces the printer delivers, then the reply bytes.
#include <QStringList>

#include "comm/direct_settings.h"
#include "fuzz/fuzz_support.h"
#include "record/record_check.h"
#include "record/upper_case.h"
#include "tools/settings_tool_rules.h"
#include "tools/tool_record.h"
#include "write/form_changes.h"
#include "write/write_plan.h"

using namespace quillmar;
using namespace std::chrono_literals;

namespace {

// A printer that has its whole reply ready: each read takes the next piece.
class ReadyPrinter final : public SettingsChannel {
public:
    ReadyPrinter(SettingsTransport transport, QByteArray reply, qsizetype piece)
        : transport_(transport), reply_(std::move(reply)), piece_(piece)
    {
    }
    SettingsTransport transport() const override { return transport_; }
    void open() override { opened_ = true; }
    void write(const QByteArray& bytes) override
    {
        FUZZ_CHECK(opened_);
        FUZZ_CHECK(bytes == kDirectReadCommand);
    }
    QByteArray read(qsizetype maxBytes, std::chrono::milliseconds) override
    {
        FUZZ_CHECK(opened_ && maxBytes > 0);
        const QByteArray piece = reply_.mid(position_, std::min(maxBytes, piece_));
        position_ += piece.size();
        return piece;
    }
    void close() noexcept override { opened_ = false; }
    QString deviceName() const override { return QStringLiteral("COM3"); }
    bool opened() const { return opened_; }

private:
    SettingsTransport transport_;
    QByteArray reply_;
    qsizetype piece_;
    qsizetype position_ = 0;
    bool opened_ = false;
};

// Whether a whole reply's record is taken as the printer's: on a COM port its
// first byte is not zero; over USB it is not blank; and it asks for the read
// again or parses.
bool believed(SettingsTransport transport, const DeviceEntry& record)
{
    const bool present = transport == SettingsTransport::Com ? record.data()[0] != 0 : !isBlankRecord(record);
    return present
           && (record.text(DeviceField::ModelName) == kReadAgainModelName || !recordParseProblem(record).has_value());
}

void checkShownAndWrittenBack(const DeviceEntry& record)
{
    const ToolBoxTexts texts = toolTextsFromRecord(record);
    // What a printer reported can always be written back as it was shown.
    FUZZ_CHECK(!checkToolTexts(texts).has_value());
    const DeviceEntry written = buildToolRecord(texts);
    for (DeviceField field :
         {DeviceField::ModelName, DeviceField::DeviceName, DeviceField::TcpPort, DeviceField::UdpPort,
          DeviceField::IpMode, DeviceField::WifiMode, DeviceField::Ssid, DeviceField::AuthMode, DeviceField::EncryType})
        FUZZ_CHECK(written.text(field) == record.text(field));
    std::string mac = record.text(DeviceField::MacAddress);
    upperCaseText(mac);
    FUZZ_CHECK(written.text(DeviceField::MacAddress) == mac);
    FUZZ_CHECK(written == written.normalized());
    // A save that changed no box gives the printer its own bytes back.
    FUZZ_CHECK(changedToolFields(texts, texts).empty());
    WriteRequest request;
    request.where = QStringLiteral("COM1");
    request.onCable = true;
    request.changes = toolChanges(texts, texts);
    request.rules = &toolFieldRules();
    const WritePlan plan = planWrite(request, QByteArray(record.data(), qsizetype(record.size())));
    FUZZ_CHECK(plan.refused() == recordParseProblem(record).has_value());
    FUZZ_CHECK(plan.refused() || plan.unchanged());

    // The radio groups pick an item or none, never one past their lists.
    const QStringList auth = toolAuthItemsFor(texts.wifiMode);
    FUZZ_CHECK(toolItemMatching(auth, texts.authMode) < auth.size());
    const QStringList encry = toolEncryItemsFor(texts.authMode);
    FUZZ_CHECK(toolItemMatching(encry, texts.encryType) < encry.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader input(data, size);
    const std::uint8_t shape = input.byte();
    const SettingsTransport transport = (shape & 1) ? SettingsTransport::Usb : SettingsTransport::Com;
    const qsizetype piece = (shape >> 1) + 1;
    const std::string rest = input.rest();
    const QByteArray reply(rest.data(), qsizetype(rest.size()));

    const qsizetype leading = transport == SettingsTransport::Com ? kComReplyLeadingBytes : 0;
    const qsizetype expected = leading + qsizetype(kDeviceEntrySize);
    const DirectReadResult result = directReadReply(transport, reply, 1000ms);
    const QByteArray body = reply.mid(std::min(leading, reply.size()));
    const DeviceEntry fromBody = DeviceEntry::fromBytes(body.constData(), std::size_t(body.size()));
    fuzz::trace("%s", result.ok() ? "record read" : qPrintable(result.reason));
    FUZZ_CHECK(result.record == fromBody);
    const bool com = transport == SettingsTransport::Com;
    const bool complete = com ? !body.isEmpty() : body.size() >= qsizetype(kDeviceEntrySize);
    FUZZ_CHECK(result.ok() == (complete && believed(transport, fromBody)));
    FUZZ_CHECK(result.ok() || !result.reason.isEmpty());
    FUZZ_CHECK((result.outcome == DirectReadOutcome::BlankRecord) == (!com && complete && isBlankRecord(fromBody)));
    FUZZ_CHECK(!result.mayBeWrittenBack() || (result.recordBytes == qsizetype(kDeviceEntrySize) && result.ok()));
    if (result.ok())
        checkShownAndWrittenBack(result.record);

    // A printer with its whole reply ready is read to the end without a wait,
    // whatever pieces it delivers it in; nothing past the reply is taken.
    if (reply.size() >= expected) {
        ReadyPrinter printer(transport, reply, piece);
        const DirectReadResult read = readDirectSettings(printer, {}, DirectSettingsTiming{});
        FUZZ_CHECK(!printer.opened());
        FUZZ_CHECK(read.received == reply.left(expected));
        FUZZ_CHECK(read.record == DeviceEntry::fromBytes(reply.constData() + leading, kDeviceEntrySize));
        FUZZ_CHECK(read.ok() == believed(transport, read.record));
    }
    return 0;
}

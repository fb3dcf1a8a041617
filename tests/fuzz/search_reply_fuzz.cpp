// A search reply as any host on the network may send it: the datagram is
// parsed as the search does, stamped with the sender's address, offered to the
// device table of each printer family and shown as quillmar-cli shows it.
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include "discovery/search_protocol.h"
#include "fuzz/fuzz_support.h"
#include "record/device_table.h"
#include "record/ipv4_text.h"
#include "record/model_table.h"
#include "record_printing.h"
#include "terminal_text.h"

using namespace quillmar;

namespace {

bool isShownSafely(const QString& text)
{
    for (const QChar c : text) {
        if (c != u'\n' && (c.unicode() < 0x20 || c.unicode() >= 0x7F))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The search reads into a buffer of this size and skips longer datagrams.
    if (size > kReplyBufferSize)
        return 0;
    const std::optional<DeviceEntry> parsed = parseSearchReply(data, size);
    FUZZ_CHECK(parsed.has_value() == (size >= kMinimumReplyLength));
    if (!parsed)
        return 0;
    DeviceEntry entry = *parsed;
    const std::uint32_t sender = 0xC0000200u | (size & 0xFF);
    setSourceAddress(entry, sender);
    FUZZ_CHECK(parseIpv4(entry.text(DeviceField::IpAddress)) == sender);
    // The fields around the address are taken byte for byte, zeros past a
    // short reply; only the free-text Wi-Fi fields are cut at their first NUL.
    const std::size_t addressField = layoutOf(DeviceField::IpAddress).offset;
    const std::size_t wifiTexts = layoutOf(DeviceField::Ssid).offset;
    for (std::size_t i = 0; i < wifiTexts; ++i) {
        if (i < addressField || i >= layoutOf(DeviceField::TcpPort).offset)
            FUZZ_CHECK(entry.data()[i] == (i < size ? static_cast<char>(data[i]) : '\0'));
    }
    for (DeviceField field : {DeviceField::Ssid, DeviceField::Key, DeviceField::WpaPsk}) {
        const FieldLayout& layout = layoutOf(field);
        const std::string text = entry.text(field);
        for (std::size_t i = text.size(); i < layout.width; ++i)
            FUZZ_CHECK(entry.fieldData(field)[i] == '\0');
    }

    for (int family = 0; family <= 3; ++family) {
        DeviceTable table;
        const int row = table.admit(entry, family);
        FUZZ_CHECK(row == (isManagedModel(family, entry.text(DeviceField::ModelName)) ? 0 : -1));
        // The same module answering twice is listed once.
        FUZZ_CHECK(table.admit(entry, family) == -1);
        if (row == 0)
            FUZZ_CHECK(table.at(0) == entry.normalized());
    }

    QString shown;
    QTextStream out(&shown);
    cli::printRecordTable(out, entry);
    out.flush();
    FUZZ_CHECK(isShownSafely(shown));
    const QByteArray json = QJsonDocument(cli::recordToJson(entry)).toJson();
    FUZZ_CHECK(QJsonDocument::fromJson(json).object() == cli::recordToJson(entry));
    return 0;
}

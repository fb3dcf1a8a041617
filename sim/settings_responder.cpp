#include "settings_responder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "module_record.h"
#include "record/field_names.h"

#include "record/module_protocol.h"

namespace quillmar::sim {
namespace {

constexpr const auto& kReadCommand = kDirectReadCommandBytes;
constexpr const auto& kWriteCommand = kDirectWriteCommandBytes;
constexpr std::size_t kCommandLength = kReadCommand.size();
// What fills the leading bytes of a serial reply.
constexpr unsigned char kLeadingByte = 0xA5;

void fillSample(DeviceEntry& record)
{
    record.setText(DeviceField::ModelName, "RX7000 WI-FI");
    record.setText(DeviceField::DeviceName, "SIM-SETTINGS");
    record.setText(DeviceField::MacAddress, "02-51-00-00-00-01");
    record.setText(DeviceField::IpAddress, "192.168.1.100");
    record.setText(DeviceField::TcpPort, "9100");
    record.setText(DeviceField::UdpPort, "5000");
    record.setText(DeviceField::IpMode, "STATIC");
    record.setText(DeviceField::WifiMode, "Infra");
    record.setText(DeviceField::AuthMode, "WPA2PSK");
    record.setText(DeviceField::EncryType, "AES");
    record.setText(DeviceField::Ssid, "QuillmarLab");
    record.setText(DeviceField::WpaPsk, "lab-passphrase-1");
}

bool parseCount(const std::string& text, long low, long high, long& value)
{
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value >= low && value <= high;
}

bool startsWith(const std::vector<unsigned char>& bytes, const std::array<std::uint8_t, 4>& prefix)
{
    const std::size_t length = std::min(bytes.size(), kCommandLength);
    return std::equal(bytes.begin(), bytes.begin() + std::ptrdiff_t(length), prefix.begin());
}

std::string hexText(const unsigned char* bytes, std::size_t length)
{
    std::string text;
    char pair[3];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

const char* faultName(SettingsFault fault)
{
    switch (fault) {
    case SettingsFault::None:
        return "none";
    case SettingsFault::Silent:
        return "silent";
    case SettingsFault::LeadingOnly:
        return "lead";
    case SettingsFault::Short:
        return "short";
    case SettingsFault::ReadAgain:
        return "again";
    case SettingsFault::Echo:
        return "echo";
    case SettingsFault::ExtraLead:
        return "extralead";
    case SettingsFault::Random:
        return "random";
    }
    return "none";
}

}  // namespace

std::optional<SettingsPrinter> parseSettingsPrinter(const std::string& options, std::string& error)
{
    const std::optional<OptionPairs> pairs = splitPairs(options, error);
    if (!pairs)
        return std::nullopt;
    SettingsPrinter printer;
    fillSample(printer.record);
    for (const auto& [key, value] : *pairs) {
        long number = 0;
        if (const std::optional<DeviceField> field = fieldNamed(key)) {
            printer.record.setText(*field, value);
        } else if (key == "fault") {
            static const SettingsFault faults[] = {
                SettingsFault::None,      SettingsFault::Silent, SettingsFault::LeadingOnly, SettingsFault::Short,
                SettingsFault::ReadAgain, SettingsFault::Echo,   SettingsFault::ExtraLead,   SettingsFault::Random};
            const std::string& wanted = value;  // clang before 16 cannot capture a structured binding
            const auto named = std::find_if(std::begin(faults), std::end(faults),
                                            [&wanted](SettingsFault fault) { return wanted == faultName(fault); });
            if (named == std::end(faults)) {
                error = "fault must be none, silent, lead, short, again, echo, extralead or random, got '" + value
                        + "'";
                return std::nullopt;
            }
            printer.fault = *named;
        } else if (key == "shortLength") {
            if (!parseCount(value, 1, long(kDeviceEntrySize) - 1, number)) {
                error = "shortLength must be 1 to 255, got '" + value + "'";
                return std::nullopt;
            }
            printer.shortLength = std::size_t(number);
        } else if (key == "faultReads") {
            if (!parseCount(value, 0, 1000000, number)) {
                error = "faultReads must be a count, got '" + value + "'";
                return std::nullopt;
            }
            printer.faultReads = unsigned(number);
        } else {
            error = "unknown settings printer key '" + key + "'";
            return std::nullopt;
        }
    }
    return printer;
}

SettingsResponder::SettingsResponder(SettingsPrinter printer, std::size_t leadingBytes, RequestLog* log,
                                     std::string port)
    : printer_(std::move(printer)), leadingBytes_(leadingBytes), log_(log), port_(std::move(port))
{
}

std::vector<unsigned char> SettingsResponder::receive(const unsigned char* data, std::size_t length,
                                                      Clock::time_point now)
{
    if (!pending_.empty() && now - lastByte_ > kRecordGap) {
        if (log_)
            log_->write(awaitingRecord_ ? "settings-write-incomplete" : "settings-garbage",
                        "port=" + port_ + " received=" + std::to_string(pending_.size()));
        pending_.clear();
        awaitingRecord_ = false;
    }
    lastByte_ = now;
    pending_.insert(pending_.end(), data, data + length);

    std::vector<unsigned char> answer;
    for (;;) {
        if (awaitingRecord_) {
            if (pending_.size() < kDeviceEntrySize)
                break;
            storeRecord();
            continue;
        }
        if (pending_.empty())
            break;
        const bool read = startsWith(pending_, kReadCommand);
        const bool write = startsWith(pending_, kWriteCommand);
        if (!read && !write) {
            // Not the start of a command: skip up to the next command byte.
            const auto next = std::find(pending_.begin() + 1, pending_.end(), kReadCommand[0]);
            if (log_)
                log_->write("settings-garbage", "port=" + port_ + " bytes=" + std::to_string(next - pending_.begin()));
            pending_.erase(pending_.begin(), next);
            continue;
        }
        if (pending_.size() < kCommandLength)
            break;  // a command may still be coming
        pending_.erase(pending_.begin(), pending_.begin() + kCommandLength);
        if (read) {
            const std::vector<unsigned char> reply = answerRead();
            answer.insert(answer.end(), reply.begin(), reply.end());
        } else {
            awaitingRecord_ = true;
        }
    }
    return answer;
}

std::vector<unsigned char> SettingsResponder::answerRead()
{
    ++readsSeen_;
    const bool spoiled = printer_.fault != SettingsFault::None
                         && (printer_.faultReads == 0 || readsSeen_ <= printer_.faultReads);
    const SettingsFault fault = spoiled ? printer_.fault : SettingsFault::None;

    std::vector<unsigned char> reply;
    if (fault == SettingsFault::Random) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (std::size_t i = 0; i < leadingBytes_ + kDeviceEntrySize; ++i)
            reply.push_back(static_cast<unsigned char>(byte(noise_)));
    } else if (fault != SettingsFault::Silent) {
        if (fault == SettingsFault::Echo)
            reply.assign(std::begin(kReadCommand), std::end(kReadCommand));
        reply.insert(reply.end(), leadingBytes_ + (fault == SettingsFault::ExtraLead ? 1 : 0), kLeadingByte);
        DeviceEntry record = printer_.record;
        if (fault == SettingsFault::ReadAgain)
            record.setText(DeviceField::ModelName, ";1");
        const auto* bytes = reinterpret_cast<const unsigned char*>(record.data());
        const std::size_t recordBytes = fault == SettingsFault::LeadingOnly ? 0
                                        : fault == SettingsFault::Short     ? printer_.shortLength
                                                                            : kDeviceEntrySize;
        reply.insert(reply.end(), bytes, bytes + recordBytes);
    }
    if (log_)
        log_->write("settings-read",
                    "port=" + port_ + " fault=" + faultName(fault) + " reply=" + std::to_string(reply.size()));
    return reply;
}

void SettingsResponder::storeRecord()
{
    printer_.record = DeviceEntry::fromBytes(pending_.data(), kDeviceEntrySize);
    pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(kDeviceEntrySize));
    awaitingRecord_ = false;
    ++writesStored_;
    if (log_)
        log_->write("settings-write",
                    "port=" + port_ + " record="
                        + hexText(reinterpret_cast<const unsigned char*>(printer_.record.data()), kDeviceEntrySize));
}

}  // namespace quillmar::sim

#include "module_record.h"

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "record/field_names.h"
#include "record/ipv4_text.h"

namespace quillmar::sim {

std::optional<OptionPairs> splitPairs(const std::string& options, std::string& error)
{
    OptionPairs pairs;
    std::vector<std::string> items(1);
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i] == '\\' && i + 1 < options.size()) {
            items.back() += options[++i];
        } else if (options[i] == ',') {
            items.emplace_back();
        } else {
            items.back() += options[i];
        }
    }
    for (const std::string& item : items) {
        if (item.empty())
            continue;
        const std::size_t equals = item.find('=');
        if (equals == std::string::npos || equals == 0) {
            error = "expected key=value, got '" + item + "'";
            return std::nullopt;
        }
        pairs.emplace_back(item.substr(0, equals), item.substr(equals + 1));
    }
    return pairs;
}

namespace {

using Pairs = OptionPairs;

void fillDefaults(SimModule& module)
{
    const std::string address = formatIpv4(module.address);
    module.record.setText(DeviceField::ModelName, "RX7000 WI-FI");
    module.record.setText(DeviceField::DeviceName, "SIM-" + std::to_string(module.address & 0xFFu));
    module.record.setText(DeviceField::MacAddress, macForAddress(module.address));
    module.record.setText(DeviceField::IpAddress, address);
    module.record.setText(DeviceField::TcpPort, "9100");
    module.record.setText(DeviceField::UdpPort, "5000");
    module.record.setText(DeviceField::IpMode, "STATIC");
    module.record.setText(DeviceField::WifiMode, "Infra");
    module.record.setText(DeviceField::AuthMode, "WPA2PSK");
    module.record.setText(DeviceField::EncryType, "AES");
    module.record.setText(DeviceField::Ssid, "QuillmarLab");
    module.record.setText(DeviceField::Key, "");
    module.record.setText(DeviceField::WpaPsk, "lab-passphrase-1");
}

// Applies every pair but `address` over the defaults.
bool applyPairs(SimModule& module, const Pairs& pairs, std::string& error)
{
    for (const auto& [key, value] : pairs) {
        if (key == "address")
            continue;
        if (const std::optional<DeviceField> field = fieldNamed(key)) {
            module.record.setText(*field, value);
        } else if (key == "length") {
            char* end = nullptr;
            const long length = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || length < 1 || length > static_cast<long>(kLongestReply)) {
                error = "length must be 1 to " + std::to_string(kLongestReply) + ", got '" + value + "'";
                return false;
            }
            module.replyLength = static_cast<std::size_t>(length);
        } else if (key == "answer") {
            if (value == "every")
                module.answer = AnswerMode::Every;
            else if (value == "first")
                module.answer = AnswerMode::FirstOnly;
            else if (value == "never")
                module.answer = AnswerMode::Never;
            else {
                error = "answer must be every, first or never, got '" + value + "'";
                return false;
            }
        } else if (key == "save") {
            if (value == "restart")
                module.saveMode = SaveMode::Restart;
            else if (value == "keep")
                module.saveMode = SaveMode::KeepAnswering;
            else if (value == "never")
                module.saveMode = SaveMode::NeverAnswer;
            else {
                error = "save must be restart, keep or never, got '" + value + "'";
                return false;
            }
        } else if (key == "restartAfter") {
            char* end = nullptr;
            const double seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(seconds >= 0 && seconds <= 3600)) {
                error = "restartAfter must be 0 to 3600 seconds, got '" + value + "'";
                return false;
            }
            module.restartSeconds = seconds;
        } else if (key == "answerSave") {
            if (value != "0" && value != "1") {
                error = "answerSave must be 0 or 1, got '" + value + "'";
                return false;
            }
            module.answerSave = value == "1";
        } else if (key == "storeSsid") {
            module.storeSsid = value;
        } else {
            error = "unknown module key '" + key + "'";
            return false;
        }
    }
    return true;
}

std::optional<std::uint32_t> addressOf(const Pairs& pairs, std::string& error)
{
    for (const auto& [key, value] : pairs) {
        if (key != "address")
            continue;
        if (const std::optional<std::uint32_t> address = parseIpv4(value))
            return address;
        error = "address must be a dotted IPv4 address, got '" + value + "'";
        return std::nullopt;
    }
    error = "a module needs address=A.B.C.D";
    return std::nullopt;
}

}  // namespace

std::string macForAddress(std::uint32_t address)
{
    char text[18];
    std::snprintf(text, sizeof text, "02-51-%02X-%02X-%02X-%02X", (address >> 24) & 0xFFu, (address >> 16) & 0xFFu,
                  (address >> 8) & 0xFFu, address & 0xFFu);
    return text;
}

std::optional<SimModule> parseModuleOption(const std::string& options, std::string& error)
{
    const std::optional<Pairs> pairs = splitPairs(options, error);
    if (!pairs)
        return std::nullopt;
    const std::optional<std::uint32_t> address = addressOf(*pairs, error);
    if (!address)
        return std::nullopt;
    SimModule module;
    module.address = *address;
    fillDefaults(module);
    if (!applyPairs(module, *pairs, error))
        return std::nullopt;
    return module;
}

std::optional<std::vector<SimModule>> parseGeneratedModules(const std::string& options, std::string& error)
{
    const std::size_t comma = options.find(',');
    const std::string countText = options.substr(0, comma);
    char* end = nullptr;
    const long count = std::strtol(countText.c_str(), &end, 10);
    if (countText.empty() || *end != '\0' || count < 1 || count > 10000) {
        error = "the module count must be 1 to 10000, got '" + countText + "'";
        return std::nullopt;
    }
    const std::optional<Pairs> pairs = splitPairs(comma == std::string::npos ? "" : options.substr(comma + 1), error);
    if (!pairs)
        return std::nullopt;
    const std::optional<std::uint32_t> first = addressOf(*pairs, error);
    if (!first)
        return std::nullopt;
    Pairs shared;
    for (const auto& pair : *pairs) {
        if (pair.first != "macAddress" && pair.first != "deviceName" && pair.first != "ipAddress")
            shared.push_back(pair);
    }
    std::vector<SimModule> modules;
    for (long i = 0; i < count; ++i) {
        SimModule module;
        module.address = *first + static_cast<std::uint32_t>(i);
        fillDefaults(module);
        if (!applyPairs(module, shared, error))
            return std::nullopt;
        modules.push_back(module);
    }
    return modules;
}

std::vector<unsigned char> replyBytes(const SimModule& module)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(module.record.data());
    std::vector<unsigned char> reply(bytes, bytes + std::min(module.replyLength, kDeviceEntrySize));
    // Firmware that sends more than its record pads the rest with zeros.
    reply.resize(module.replyLength, 0);
    return reply;
}

}  // namespace quillmar::sim

#pragma once
// One simulated printer module: where it sits on the network, the settings
// record it answers with, and how it answers.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "record/device_entry.h"

namespace quillmar::sim {

// The longest answer a module may be told to send (length=).
inline constexpr std::size_t kLongestReply = 1024;

enum class AnswerMode { Every, FirstOnly, Never };
// What a module does after it stored a saved record: restart (silent for a
// while, then back under the record's address), keep answering at its old
// address, or never answer again.
enum class SaveMode { Restart, KeepAnswering, NeverAnswer };

struct SimModule {
    std::uint32_t address = 0;                   // the module's own IPv4 address (host order)
    DeviceEntry record;                          // what it sends back; the IP field may say anything
    std::size_t replyLength = kDeviceEntrySize;  // past the record: zeros
    AnswerMode answer = AnswerMode::Every;
    SaveMode saveMode = SaveMode::Restart;
    // Long enough by default that a save which keeps the address is still
    // silent when the PC decides, about 31 seconds after it.
    double restartSeconds = 40;
    bool answerSave = false;  // answer the saved record with the new record
    // A module that does not keep what it was sent: a saved record is stored
    // with this SSID instead of the one it carried.
    std::optional<std::string> storeSsid;

    bool down = false;  // restarting, or gone for good: answers nothing
    unsigned savesStored = 0;

    unsigned requestsSeen = 0;    // requests addressed to it, broadcasts included
    unsigned interfaceIndex = 0;  // filled when the responder starts
    std::uint32_t broadcastAddress = 0;
};

// Splits "a=b,c=d" into its pairs, honouring "\," and "\\".
using OptionPairs = std::vector<std::pair<std::string, std::string>>;
std::optional<OptionPairs> splitPairs(const std::string& options, std::string& error);

// "key=value,key=value,...": keys are the record's field names (modelName,
// deviceName, macAddress, ipAddress, tcpPort, udpPort, ipMode, wifiMode,
// authMode, encryType, ssid, key, wpaPsk) and address, length (1..256), answer
// (every|first|never), save (restart|keep|never), restartAfter (seconds, 0 to
// 3600, fractions allowed), answerSave (0|1), storeSsid (stored instead of a
// saved record's SSID). A comma or backslash inside a value is written "\," or
// "\\". Unset fields take defaults derived from the address. Returns nothing
// and sets `error` on a bad option text.
std::optional<SimModule> parseModuleOption(const std::string& options, std::string& error);

// "COUNT,key=value,...": COUNT modules from the address given onwards, each with
// the next address and a MAC and device name derived from it.
std::optional<std::vector<SimModule>> parseGeneratedModules(const std::string& options, std::string& error);

// A MAC text unique to the address: 02-51 and the four address octets,
// separated by '-' as the configuration window's MAC rule wants them.
std::string macForAddress(std::uint32_t address);

// The bytes the module sends for a search (or configuration read) request.
std::vector<unsigned char> replyBytes(const SimModule& module);

}  // namespace quillmar::sim

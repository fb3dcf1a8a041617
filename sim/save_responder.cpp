#include "save_responder.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "record/ipv4_text.h"
#include "record/module_protocol.h"

namespace quillmar::sim {

namespace {

bool equals(const std::vector<unsigned char>& payload, const std::array<std::uint8_t, 3>& bytes)
{
    return payload.size() == bytes.size() && std::equal(payload.begin(), payload.end(), bytes.begin());
}

// A record text for one log word: bytes other than printable ones (the space
// included) are written %HH.
std::string logWord(const std::string& text)
{
    std::string word;
    for (const unsigned char c : text) {
        if (c > 0x20 && c < 0x7F && c != '%') {
            word += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            word += escaped;
        }
    }
    return word.empty() ? "-" : word;
}

std::string hexOf(const DeviceEntry& record)
{
    std::string hex;
    for (std::size_t i = 0; i < record.size(); ++i) {
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02X", static_cast<unsigned char>(record.data()[i]));
        hex += byte;
    }
    return hex;
}

const char* modeName(SaveMode mode)
{
    switch (mode) {
    case SaveMode::Restart:
        return "restart";
    case SaveMode::KeepAnswering:
        return "keep";
    case SaveMode::NeverAnswer:
        return "never";
    }
    return "?";
}

}  // namespace

SaveResponder::SaveResponder(ModuleSet& modules, ModulePort& port, RequestLog& log, EventLoop& loop)
    : modules_(modules), port_(port), log_(log)
{
    for (SimModule& module : modules_.modules()) {
        const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (timer < 0)
            continue;
        timers_[&module] = timer;
        loop.watch(timer, [this, timer, &module] {
            std::uint64_t expirations = 0;
            if (::read(timer, &expirations, sizeof expirations) == sizeof expirations)
                restart(module);
        });
    }
}

SaveResponder::~SaveResponder()
{
    for (const auto& [module, timer] : timers_)
        ::close(timer);
}

bool SaveResponder::handle(const Datagram& datagram)
{
    // A read request is the discovery responder's, even between a header and its record.
    if (equals(datagram.payload, kRecordRequestBytes))
        return false;
    const std::string from = endpointText(datagram.sourceAddress, datagram.sourcePort);
    if (equals(datagram.payload, kSaveHeaderBytes)) {
        if (datagram.firstCopy)
            log_.write("request", "kind=save-header from=" + from + " to=" + formatIpv4(datagram.destinationAddress)
                                      + " if=" + std::to_string(datagram.interfaceIndex));
        for (SimModule* module : modules_.addressedBy(datagram.destinationAddress, datagram.interfaceIndex)) {
            if (module->down) {
                log_.write("silent", "module=" + formatIpv4(module->address) + " from=" + from);
                continue;
            }
            headerFrom_[module] = {datagram.sourceAddress, datagram.sourcePort};
        }
        return true;
    }

    // The datagram after a header, from the same sender, is the record.
    bool handled = false;
    for (SimModule* module : modules_.addressedBy(datagram.destinationAddress, datagram.interfaceIndex)) {
        const auto header = headerFrom_.find(module);
        if (header == headerFrom_.end() || header->second.address != datagram.sourceAddress
            || header->second.port != datagram.sourcePort)
            continue;
        headerFrom_.erase(header);
        handled = true;
        const std::string who = "module=" + formatIpv4(module->address) + " from=" + from;
        log_.write("request", "kind=save-record from=" + from + " to=" + formatIpv4(datagram.destinationAddress)
                                  + " len=" + std::to_string(datagram.payload.size()));
        if (datagram.payload.size() != kDeviceEntrySize) {
            log_.write("refused", who + " len=" + std::to_string(datagram.payload.size()));
            continue;
        }
        store(*module, datagram);
    }
    return handled;
}

void SaveResponder::store(SimModule& module, const Datagram& datagram)
{
    const std::uint32_t oldAddress = module.address;
    module.record = DeviceEntry::fromBytes(datagram.payload.data(), datagram.payload.size());
    if (module.storeSsid)
        module.record.setText(DeviceField::Ssid, *module.storeSsid);
    ++module.savesStored;
    const std::string who = "module=" + formatIpv4(oldAddress)
                            + " from=" + endpointText(datagram.sourceAddress, datagram.sourcePort);
    log_.write("stored", who + " ip=" + logWord(module.record.text(DeviceField::IpAddress))
                             + " ssid=" + logWord(module.record.text(DeviceField::Ssid))
                             + " mode=" + modeName(module.saveMode) + " record=" + hexOf(module.record));
    if (module.answerSave) {
        const bool sent = port_.reply(datagram, oldAddress, replyBytes(module), module.interfaceIndex);
        log_.write(sent ? "reply" : "reply-failed", who + " len=" + std::to_string(module.replyLength));
    }
    switch (module.saveMode) {
    case SaveMode::KeepAnswering:
        return;
    case SaveMode::NeverAnswer:
        module.down = true;
        return;
    case SaveMode::Restart:
        break;
    }
    module.down = true;
    const auto timer = timers_.find(&module);
    if (timer == timers_.end()) {
        restart(module);
        return;
    }
    // A zero value would disarm the timer; the shortest restart is 1 ns.
    const double seconds = std::max(module.restartSeconds, 1e-9);
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(seconds);
    when.it_value.tv_nsec = std::max(1L, static_cast<long>((seconds - std::floor(seconds)) * 1e9));
    timerfd_settime(timer->second, 0, &when, nullptr);
    log_.write("restarting", "module=" + formatIpv4(oldAddress) + " ms=" + std::to_string(std::lround(seconds * 1000)));
}

void SaveResponder::restart(SimModule& module)
{
    const std::uint32_t oldAddress = module.address;
    module.down = false;
    const std::optional<std::uint32_t> next = parseIpv4(module.record.text(DeviceField::IpAddress));
    if (next && *next != 0 && *next != oldAddress)
        module.address = *next;
    // Answering from an address this host does not have fails; the log says so.
    const bool here = modules_.locate(module);
    log_.write("restarted", "module=" + formatIpv4(module.address) + " was=" + formatIpv4(oldAddress)
                                + " here=" + (here ? "yes" : "no"));
}

}  // namespace quillmar::sim

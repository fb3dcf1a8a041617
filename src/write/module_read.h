#pragma once
// The read exchange with one module: the read request 55 11 AA from the PC's
// configuration port 6000 to the module's port 5000, and the record that comes
// back, as the configuration window's "ReFresh" does it. Every write over the
// network starts from such a read.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <chrono>
#include <cstdint>
#include <string>

#include "config/save_exchange.h"
#include "record/device_entry.h"

namespace quillmar {

// A module as a read found it.
struct ModuleReading {
    std::uint32_t address = 0;    // first number in the top byte
    QString addressText;          // dotted
    unsigned interfaceIndex = 0;  // the PC's interface it was read through; 0: the routing table's
    DeviceEntry record;           // the first 256 bytes, zeros past a short answer
    int answerLength = 0;         // bytes the module sent
};

// The ports and the read request are the configuration window's
// (config/save_exchange.h). How long a module has to answer a read request.
inline constexpr std::chrono::milliseconds kConfigReplyWait = kReadAnswerWait;

struct ConfigReadResult {
    enum class Outcome { Answered, NoAnswer, Failed };
    Outcome outcome = Outcome::NoAnswer;
    DeviceEntry record;    // Answered: the first 256 bytes, zeros past a short answer
    int answerLength = 0;  // Answered: bytes the module sent
    std::string error;     // Failed: what went wrong
};

// Sends the read request to `address` and waits up to `wait` for a datagram from
// that address (datagrams from anyone else are ignored).
ConfigReadResult readModuleConfig(std::uint32_t address, std::chrono::milliseconds wait = kConfigReplyWait,
                                  quint16 modulePort = kModulePort);

}  // namespace quillmar

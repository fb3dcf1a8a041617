// What the PC sends to a simulated printer's settings port (a COM port or
// USB), cut anywhere and with pauses between the pieces: reads are answered
// with whole replies, a written record is stored only as 256 bytes the PC
// sent, and nothing is answered without a read command.
//
// Input: a byte choosing the printer (low three bits: the fault; bits 3-4:
// how many reads it spoils, 0 for all; bit 5: USB, without leading bytes),
// then pieces, each a pause byte (tenths of a second before it) and a piece
// as a length byte and its bytes.
#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "settings_responder.h"

using namespace quillmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader input(data, size);
    const std::uint8_t shape = input.byte();
    sim::SettingsPrinter printer;
    printer.record.setText(DeviceField::ModelName, "RX7000 WI-FI");
    printer.fault = static_cast<sim::SettingsFault>((shape & 0x07) % 8);
    printer.faultReads = (shape >> 3) & 0x03;
    const std::size_t leading = (shape & 0x20) ? 0 : sim::kSerialLeadingBytes;
    sim::SettingsResponder responder(printer, leading, nullptr, "fuzz");

    const std::string readCommand("\x1D\x67\x57\x47", 4);
    std::string sent;
    auto now = sim::SettingsResponder::Clock::time_point{} + std::chrono::hours(1);
    while (!input.empty()) {
        now += std::chrono::milliseconds(100) * input.byte();
        const std::string piece = input.shortPiece();
        sent += piece;
        const unsigned readsBefore = responder.readsSeen();
        const unsigned writesBefore = responder.writesStored();
        const std::vector<unsigned char> answer = responder.receive(
            reinterpret_cast<const unsigned char*>(piece.data()), piece.size(), now);
        const unsigned reads = responder.readsSeen() - readsBefore;
        if (reads == 0)
            FUZZ_CHECK(answer.empty());
        if (printer.fault == sim::SettingsFault::None)
            FUZZ_CHECK(answer.size() == reads * (leading + kDeviceEntrySize));
        if (printer.fault == sim::SettingsFault::Silent && printer.faultReads == 0)
            FUZZ_CHECK(answer.empty());
        // Every answer is at most a whole reply per read (an echo and one extra byte at most).
        FUZZ_CHECK(answer.size() <= reads * (readCommand.size() + leading + 1 + kDeviceEntrySize));
        if (responder.writesStored() != writesBefore) {
            const DeviceEntry& stored = responder.record();
            const std::string bytes(stored.data(), kDeviceEntrySize);
            FUZZ_CHECK(std::search(sent.begin(), sent.end(), bytes.begin(), bytes.end()) != sent.end());
        }
    }
    const auto count = [&sent](const std::string& command) {
        std::size_t found = 0;
        for (std::size_t at = sent.find(command); at != std::string::npos; at = sent.find(command, at + 1))
            ++found;
        return found;
    };
    FUZZ_CHECK(responder.readsSeen() <= count(readCommand));
    FUZZ_CHECK(responder.writesStored() <= count(std::string("\x1D\x67\x57\x53", 4)));
    fuzz::trace("reads %u, writes %u", responder.readsSeen(), responder.writesStored());
    return 0;
}

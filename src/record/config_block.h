#pragma once
// The configuration window's 536-byte working block: a DeviceEntry followed by an
// extended settings area (serial port, data packing, operation mode, IP filter).
// The extended area is read when a window opens and filled by validation, but it
// is never sent, stored or received.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "record/device_entry.h"

namespace quillmar {

inline constexpr std::size_t kConfigBlockSize = 536;

enum class ConfigField {
    OpModeCode,      // "TS" TCP server, "TC" TCP client, "UD" UDP
    HasTcpWindow,    // non-zero: the module has a TCP window-size setting
    TcpWindowIndex,  // decimal text: 0 = 128, 1 = 256, 2 = 512, 3 = 1024
    AltModelName,    // a second model-name text, shown when present
    SerialBaud,
    SerialFormat,
    SerialFlow,
    SerialIf,
    HasRs485,   // '1': the module offers RS-485
    HasRs422,   // '1': the module offers RS-422
    DpDelimOn,  // '1' / '0'
    DpTimeoutOn,
    DpLengthOn,
    DpLength,        // decimal text 1..1024
    DpTimeout,       // decimal text 1..65535 (ms)
    DpDelim,         // two or four upper-case hexadecimal digits
    TcpTimeoutMode,  // "TO" or "AC"
    TcpTimeout,      // decimal text (ms)
    IpFilterOn,      // '1': IP filtering on
    IpFilterRange,   // "start:end", two dotted-decimal texts
    HasWebPage,      // non-zero: the web page tab is shown
};

struct ConfigFieldLayout {
    ConfigField field;
    std::size_t offset;  // from the start of the block
    std::size_t width;
};

inline constexpr std::size_t kConfigFieldCount = 21;
const std::array<ConfigFieldLayout, kConfigFieldCount>& configFieldLayout();
const ConfigFieldLayout& layoutOf(ConfigField field);

// Single bytes of the extended area that carry no field name but that
// validation clears.
inline constexpr std::size_t kPackingReservedOffset = 388;
inline constexpr std::size_t kDhcpClearedOffset = 496;
inline constexpr std::size_t kValidationClearedOffset = 497;

class ConfigBlock {
public:
    ConfigBlock() { bytes_.fill(0); }
    // A zeroed block with the device's record at its start, as a window is opened.
    explicit ConfigBlock(const DeviceEntry& entry);

    DeviceEntry entry() const;
    void setEntry(const DeviceEntry& entry);

    // Texts end at their first NUL or at their field's end, whichever comes
    // first; a reader never runs into the next field.
    std::string text(DeviceField field) const;
    std::string text(ConfigField field) const;
    // Zero-fills the field and copies at most its width.
    void setText(DeviceField field, std::string_view text);
    void setText(ConfigField field, std::string_view text);

    // The first byte of a field (the one-byte flags).
    char flag(ConfigField field) const { return bytes_[layoutOf(field).offset]; }
    void setFlag(ConfigField field, char value) { bytes_[layoutOf(field).offset] = value; }

    char byteAt(std::size_t offset) const { return bytes_.at(offset); }
    void setByteAt(std::size_t offset, char value) { bytes_.at(offset) = value; }

    char* fieldData(DeviceField field) { return bytes_.data() + quillmar::layoutOf(field).offset; }
    const char* fieldData(DeviceField field) const { return bytes_.data() + quillmar::layoutOf(field).offset; }
    char* fieldData(ConfigField field) { return bytes_.data() + layoutOf(field).offset; }
    const char* fieldData(ConfigField field) const { return bytes_.data() + layoutOf(field).offset; }

    char* data() { return bytes_.data(); }
    const char* data() const { return bytes_.data(); }
    static constexpr std::size_t size() { return kConfigBlockSize; }

    bool operator==(const ConfigBlock& other) const { return bytes_ == other.bytes_; }

private:
    std::array<char, kConfigBlockSize> bytes_;
};

static_assert(sizeof(ConfigBlock) == kConfigBlockSize);

}  // namespace quillmar

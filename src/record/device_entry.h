#pragma once
// One printer module's settings record: 256 bytes of thirteen fixed-width text
// fields. The same bytes are the search reply, a device-table slot, the saved
// configuration, the exported file and the record of the direct settings protocol.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

enum class DeviceField {
    ModelName,
    DeviceName,
    MacAddress,
    IpAddress,
    TcpPort,
    UdpPort,
    IpMode,
    WifiMode,
    AuthMode,
    EncryType,
    Ssid,
    Key,
    WpaPsk
};

struct FieldLayout {
    DeviceField field;
    std::size_t offset;
    std::size_t width;
    const char* columnCaption;  // caption of the device-list column that shows it
};

inline constexpr std::size_t kDeviceEntrySize = 256;
inline constexpr std::size_t kDeviceFieldCount = 13;
// MAC texts are compared on this many characters everywhere.
inline constexpr std::size_t kMacCompareLength = 17;

const std::array<FieldLayout, kDeviceFieldCount>& deviceFieldLayout();
const FieldLayout& layoutOf(DeviceField field);

class DeviceEntry {
public:
    DeviceEntry() { bytes_.fill(0); }

    // Copies up to 256 bytes; bytes the source does not carry read as zero.
    static DeviceEntry fromBytes(const void* data, std::size_t length);

    std::string text(DeviceField field) const;
    void setText(DeviceField field, std::string_view text);

    // Copies every field up to its terminator into a zeroed record, as a
    // device-table slot is filled: bytes after a field's terminator are dropped.
    DeviceEntry normalized() const;

    const char* data() const { return bytes_.data(); }
    char* data() { return bytes_.data(); }
    static constexpr std::size_t size() { return kDeviceEntrySize; }

    char* fieldData(DeviceField field) { return bytes_.data() + layoutOf(field).offset; }
    const char* fieldData(DeviceField field) const { return bytes_.data() + layoutOf(field).offset; }

    bool operator==(const DeviceEntry& other) const { return bytes_ == other.bytes_; }

private:
    std::array<char, kDeviceEntrySize> bytes_;
};

// True when the first 17 characters of two MAC texts are equal byte for byte.
bool macTextsEqual(std::string_view a, std::string_view b);

}  // namespace quillmar

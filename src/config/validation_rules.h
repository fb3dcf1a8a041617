#pragma once
// The configuration checks, one small function per rule. Each takes the control
// texts it checks and returns the message the user is shown, or nothing when the
// texts pass. Rules that read numbers throw ConversionError (record/number_text.h)
// for a text that is not a number: that is a different outcome from a rule
// failure and is shown by the standard error box, not as a rule message.
//
// Number ranges are compared as unsigned values, so a negative number counts as
// too large.
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

#include "config/config_form_values.h"
#include "record/device_entry.h"
#include "record/number_text.h"

namespace quillmar {

using RuleMessage = std::optional<QString>;

// Edit_devName.
RuleMessage checkModelName(const QString& text);

// Edit_dpLen, 1..1024. Throws ConversionError.
RuleMessage checkPackingLength(const QString& text);
// Edit_dpTmout, 1..65535. Throws ConversionError.
RuleMessage checkPackingTimeout(const QString& text);
// Edit_dpStr0 must not be empty.
RuleMessage checkDelimiter(const QString& first);
// The delimiter as stored: each box read as a hexadecimal number ("0x" in front)
// and printed "%02X"; the second only when its box is not empty ("a" -> "0A",
// "d" + "a" -> "0D0A"). Throws ConversionError naming the "0x" text.
QString delimiterCode(const QString& first, const QString& second);

// The module address held by the octet fields Edit2..Edit5.
struct AddressCheck {
    QString ipAddress;         // the address as stored: the octets parsed and printed again
    quint32 controlValue = 0;  // what the module address control shows afterwards
    RuleMessage message;
};
AddressCheck checkOctetAddress(const std::array<QString, 4>& octets);

// Edit_UDPPort and Edit_listenPort1, 1..65535. Throw ConversionError.
RuleMessage checkUdpPort(const QString& text);
RuleMessage checkTcpPort(const QString& text);
// Edit_SerialNo, 1..16 characters.
RuleMessage checkSerialNumber(const QString& text);
// Edit_mac: 17 characters; '.' only at the separator positions; letters only
// A-F / a-f; digits and the characters below '0' (other than a misplaced '.')
// pass, so '-' separators are accepted and ':' is not.
RuleMessage checkMacAddress(const QString& text);
// Edit_SSID: 1..34 letters and digits.
RuleMessage checkSsid(const QString& text);
// Edit_KEY: at most 28 characters (empty passes).
RuleMessage checkKey(const QString& text);
// Edit_WPAPSK: at most 72 characters (empty passes).
RuleMessage checkWpaPsk(const QString& text);

// Every text a record carries must be single-byte (Latin-1): a character such as the
// euro sign has no byte in the record and would reach the module changed. A text
// that cannot be written is refused with its field's message before anything is
// sent or written.
RuleMessage checkSingleByteText(DeviceField field, const QString& text);
// The same for every text of the window's values, the first refusal in record
// field order (the address is a number there and always fits).
RuleMessage checkSingleByteTexts(const ConfigFormValues& values);

}  // namespace quillmar

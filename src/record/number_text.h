#pragma once
// Number conversions of texts taken from controls and records. A text that is not
// a number raises ConversionError, whose message is what the standard error box
// shows ("'abc' is not a valid integer value").
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillmar {

class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A signed decimal integer in the int range: an optional sign and digits, with
// nothing else around them.
int toInteger(std::string_view text);
// A hexadecimal integer in the int range, digits only (no prefix).
int hexToInteger(std::string_view text);

}  // namespace quillmar

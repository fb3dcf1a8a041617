// What a device's command port sends back to "$LOG" and to a command: one
// receive of at most 128 bytes read as a reply line, and the log-in verdict on
// it. The same bytes are also taken as the texts a session is built from, as a
// module's record supplies them (its MAC text, the address text of the device
// list, a password), which reach the session without any other check.
#include <algorithm>
#include <cctype>

#include "fuzz/fuzz_support.h"
#include "maintenance/device_address.h"
#include "maintenance/device_session.h"
#include "record/device_entry.h"
#include "record/login_token.h"

using namespace quillmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string received(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, kMaxReplyBytes));
    std::string reply = "left over";
    const int length = parseReplyLine(received.data(), received.size(), reply);
    fuzz::trace("length %d, login %s", length, isLoginAccepted(reply) ? "accepted" : "refused");
    const bool framed = received.size() >= 3 && received.front() == '%' && received.back() == '\n'
                        && received[received.size() - 2] == '\r';
    if (!framed) {
        FUZZ_CHECK(length == -2);
        FUZZ_CHECK(reply.empty());
    } else {
        FUZZ_CHECK(length == int(received.size()) - 3);
        const std::string payload = received.substr(1, received.size() - 3);
        FUZZ_CHECK(reply == payload.substr(0, payload.find('\0')));
        FUZZ_CHECK(isLoginAccepted(reply) == (reply.rfind("LOGOK", 0) == 0));
    }

    const std::string text(reinterpret_cast<const char*>(data), size);
    MacBytes mac{};
    macstr2bytes(std::string_view(text).substr(0, kMacCompareLength), mac);
    (void)parseDeviceAddress(text, true);
    (void)parseDeviceAddress(text, false);
    const std::string token = loginToken(text.substr(0, kMaxPasswordBytes), kLoginKey);
    FUZZ_CHECK(token.size() == 16);
    const auto lowerHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    FUZZ_CHECK(std::all_of(token.begin(), token.end(), lowerHex));
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    FUZZ_CHECK(parseLoginKey(text).has_value() == (size == 32 && std::all_of(text.begin(), text.end(), hex)));
    return 0;
}

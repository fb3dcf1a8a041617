// What a client sends to a simulated module's command port (TCP 5001), cut
// into receives as TCP may cut it: every reply is one the module's behaviour
// gives, and where the module checks the log-in no command is taken (no
// hand-over to the loader, no web upload) without the right "$LOG" line.
//
// Input: a byte choosing the module (low three bits: the log-in reply; bit 3:
// a password; bit 4: commands are answered), then receives, each a length
// byte and that many bytes.
#include <algorithm>
#include <set>

#include "command_session.h"
#include "fuzz/fuzz_support.h"
#include "record/login_token.h"

using namespace quillmar;

namespace {

constexpr std::uint32_t kModule = 0xCB00710Bu;  // 203.0.113.11
const char kPassword[] = "secret12";

const std::set<std::string> kReplies{"%LOGOK\r\n", "%LOGERR\r\n", "%LOGOK,1.12\r\n", "%\r\n",       "LOGOK\r\n",
                                     "%LOGOK\n",   "%ERR\r\n",    "%SYCROK\r\n",     "%SYCSOK\r\n", "%SYCNOK\r\n"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader input(data, size);
    const std::uint8_t shape = input.byte();
    sim::SessionBehaviour behaviour;
    behaviour.address = kModule;
    behaviour.login = static_cast<sim::LoginReply>((shape & 0x07) % 7);
    if (shape & 0x08)
        behaviour.password = kPassword;
    behaviour.answerCommands = (shape & 0x10) != 0;

    sim::RequestLog log;
    int handOvers = 0;
    int uploads = 0;
    sim::CommandSession session(
        behaviour, log, "198.51.100.1:40000",
        [&handOvers](std::uint32_t module) {
            FUZZ_CHECK(module == kModule);
            ++handOvers;
        },
        [&uploads](std::uint32_t module) {
            FUZZ_CHECK(module == kModule);
            ++uploads;
        });
    std::string sent;
    std::size_t replies = 0;
    while (!input.empty()) {
        const std::string bytes = input.shortPiece();
        sent += bytes;
        for (const std::string& reply : session.receive(bytes)) {
            FUZZ_CHECK(kReplies.count(reply) == 1);
            ++replies;
        }
    }
    fuzz::trace("%zu bytes, %zu replies, %d hand-overs, %d uploads", sent.size(), replies, handOvers, uploads);
    // At most one reply per line, and a line ends at LF or after kLongestLine bytes.
    const std::size_t lines = std::size_t(std::count(sent.begin(), sent.end(), '\n'))
                              + sent.size() / sim::CommandSession::kLongestLine;
    FUZZ_CHECK(replies <= lines);
    const auto count = [&sent](const std::string& line) {
        std::size_t found = 0;
        for (std::size_t at = sent.find(line); at != std::string::npos; at = sent.find(line, at + 1))
            ++found;
        return found;
    };
    FUZZ_CHECK(std::size_t(handOvers) <= count("$SYCS\r\n"));
    FUZZ_CHECK(std::size_t(uploads) <= count("$SYCN\r\n"));
    if (behaviour.login == sim::LoginReply::Check || behaviour.login == sim::LoginReply::Refuse) {
        const std::string rightLogin =
            "$LOG" + (behaviour.password.empty() ? std::string() : loginToken(behaviour.password, kLoginKey)) + "\r\n";
        if (behaviour.login == sim::LoginReply::Refuse || count(rightLogin) == 0)
            FUZZ_CHECK(handOvers == 0 && uploads == 0);
    }
    return 0;
}

#include "command_session.h"

#include <map>
#include <optional>

#include "record/ipv4_text.h"
#include "record/login_token.h"
#include "record/module_protocol.h"

namespace quillmar::sim {

CommandSession::CommandSession(const SessionBehaviour& behaviour, RequestLog& log, std::string peer, Notify handOver,
                               Notify webUploadReady)
    : behaviour_(behaviour), log_(log), peer_(std::move(peer)), handOver_(std::move(handOver)),
      webUploadReady_(std::move(webUploadReady))
{
}

std::vector<std::string> CommandSession::receive(std::string_view bytes)
{
    std::vector<std::string> replies;
    pending_.append(bytes);
    std::size_t end;
    while ((end = pending_.find('\n')) != std::string::npos || pending_.size() >= kLongestLine) {
        const std::size_t length = end == std::string::npos || end >= kLongestLine ? kLongestLine : end + 1;
        const std::string line = pending_.substr(0, length);
        pending_.erase(0, length);
        handleLine(line, replies);
    }
    return replies;
}

void CommandSession::handleLine(const std::string& line, std::vector<std::string>& replies)
{
    const SessionBehaviour& behaviour = behaviour_;
    const std::string module = formatIpv4(behaviour.address);
    log_.write("command-line", "module=" + module + " from=" + peer_ + " len=" + std::to_string(line.size())
                                   + " line=" + escapedBytes(line));
    if (line.starts_with(kLoginLinePrefix)) {
        const std::string token = line.substr(kLoginLinePrefix.size(),
                                              line.size() - kLoginLinePrefix.size() - kLineEnd.size());
        const std::optional<LoginKey> key = loginKey();
        const bool right = line.size() >= kLoginLine.size() && line.ends_with(kLineEnd)
                           && (behaviour.password.empty() ? token.empty()
                                                          : key && token == loginToken(behaviour.password, *key));
        loggedIn_ = behaviour.login == LoginReply::Check ? right : behaviour.login != LoginReply::Refuse;
        log_.write("login", "module=" + module + " from=" + peer_ + " token=" + (right ? "right" : "wrong"));
        switch (behaviour.login) {
        case LoginReply::Check:
            replies.push_back(right ? "%LOGOK\r\n" : "%LOGERR\r\n");
            break;
        case LoginReply::Refuse:
            replies.push_back("%LOGERR\r\n");
            break;
        case LoginReply::OkPlus:
            replies.push_back("%LOGOK,1.12\r\n");
            break;
        case LoginReply::Empty:
            replies.push_back("%\r\n");
            break;
        case LoginReply::NoPercent:
            replies.push_back("LOGOK\r\n");
            break;
        case LoginReply::LfOnly:
            replies.push_back("%LOGOK\n");
            break;
        case LoginReply::Silent:
            break;
        }
        return;
    }
    static const std::map<std::string, std::string, std::less<>> commands{{std::string(kRebootLine), "reboot"},
                                                                          {std::string(kLoaderLine), "loader"},
                                                                          {std::string(kWebUploadLine), "web-upload"}};
    const auto command = commands.find(line);
    if (!loggedIn_ || command == commands.end()) {
        log_.write("command-refused", "module=" + module + " from=" + peer_);
        if (behaviour.answerCommands)
            replies.push_back("%ERR\r\n");
        return;
    }
    log_.write("command", "module=" + module + " from=" + peer_ + " does=" + command->second);
    if (behaviour.answerCommands)
        replies.push_back("%" + line.substr(1, 4) + "OK\r\n");
    if (command->second == "loader" && handOver_)
        handOver_(behaviour.address);
    if (command->second == "web-upload" && webUploadReady_)
        webUploadReady_(behaviour.address);
}

}  // namespace quillmar::sim

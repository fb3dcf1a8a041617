#include "discovery_responder.h"

#include <algorithm>

#include "discovery/search_protocol.h"
#include "record/ipv4_text.h"

namespace quillmar::sim {

bool DiscoveryResponder::handle(const Datagram& datagram)
{
    if (!std::equal(datagram.payload.begin(), datagram.payload.end(), SearchRequest.begin(), SearchRequest.end()))
        return false;
    const std::string from = endpointText(datagram.sourceAddress, datagram.sourcePort);
    if (datagram.firstCopy)
        log_.write("request", "kind=search from=" + from + " to=" + formatIpv4(datagram.destinationAddress)
                                  + " if=" + std::to_string(datagram.interfaceIndex));
    for (SimModule* module : modules_.addressedBy(datagram.destinationAddress, datagram.interfaceIndex)) {
        const unsigned seen = ++module->requestsSeen;
        const std::string who = "module=" + formatIpv4(module->address) + " from=" + from;
        if (module->down || module->answer == AnswerMode::Never
            || (module->answer == AnswerMode::FirstOnly && seen > 1)) {
            log_.write("silent", who);
            continue;
        }
        const bool sent = port_.reply(datagram, module->address, replyBytes(*module), module->interfaceIndex);
        log_.write(sent ? "reply" : "reply-failed", who + " len=" + std::to_string(module->replyLength));
    }
    return true;
}

}  // namespace quillmar::sim

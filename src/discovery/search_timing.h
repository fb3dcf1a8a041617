#pragma once
// How long a search waits. The defaults are the protocol's; tests shorten them.
#include <chrono>

namespace quillmar {

// Pause between showing the progress window and the first request.
inline constexpr std::chrono::milliseconds kSearchStartPause{1000};
// Longest wait for the next answer; every well-formed answer starts it again.
inline constexpr std::chrono::milliseconds kReplyWait{2000};
// How often a wait looks at the stop request, so that "Cancel" (and the new
// search it allows) never waits for the network.
inline constexpr std::chrono::milliseconds kStopCheckInterval{50};
// Requests sent per local address.
inline constexpr int kSearchRounds = 4;
// Senders taken at most after one request.
inline constexpr int kDatagramsPerRound = 100;
// How much longer than its rounds' waits a search may take, however many
// answers keep arriving.
inline constexpr std::chrono::seconds kSearchMargin{10};

// A search of an address range asks each address once, no faster than this,
// so that a routed network, its router and its firewalls are never flooded.
inline constexpr int kRangeRequestsPerSecond = 200;
// How long a range search waits for answers after its last request. Answers to
// the earlier requests arrive while the later ones go out.
inline constexpr std::chrono::milliseconds kRangeAnswerWait{700};

struct SearchTiming {
    std::chrono::milliseconds startPause = kSearchStartPause;
    std::chrono::milliseconds replyWait = kReplyWait;
    int rounds = kSearchRounds;
    int datagramsPerRound = kDatagramsPerRound;
    // The longest one local address's exchange may take; zero for no limit.
    std::chrono::milliseconds exchangeLimit{0};
    // A range search: the pause between two requests, and the wait after the last.
    std::chrono::microseconds rangeInterval{1'000'000 / kRangeRequestsPerSecond};
    std::chrono::milliseconds rangeAnswerWait = kRangeAnswerWait;

    // A search for scripts on quiet networks: one request per network, done
    // one second after the last answer and within three seconds.
    static SearchTiming quick()
    {
        SearchTiming timing;
        timing.startPause = std::chrono::milliseconds(0);
        timing.replyWait = std::chrono::milliseconds(1000);
        timing.rounds = 1;
        // One round has to take every answer a crowded network sends.
        timing.datagramsPerRound = 1024;
        timing.exchangeLimit = std::chrono::milliseconds(3000);
        return timing;
    }
};

}  // namespace quillmar

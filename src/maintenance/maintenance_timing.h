#pragma once
// How long the device session, the serial loader exchange and the TFTP upload
// wait. The defaults are the protocol's; unit tests shorten them.
#include <chrono>

namespace quillmar {

using std::chrono::milliseconds;

// Between the two connect calls on one interface.
inline constexpr milliseconds kConnectPause{1000};
inline constexpr int kConnectAttempts = 2;
// One wait for a reply line; the line is sent again after the first.
inline constexpr milliseconds kLineReplyWait{2000};
inline constexpr int kLineReplyWaits = 2;
// How long readSerial collects at most.
inline constexpr milliseconds kSerialCollect{2000};
// How long one write to the serial port may wait for room (a port held back).
inline constexpr milliseconds kSerialWriteWait{5000};

// XMODEM: the longest wait for the receiver's first NAK, for the answer to a
// block, for the answer to EOT, and the pause after every write.
inline constexpr milliseconds kXmodemStartWait{36000};
inline constexpr milliseconds kXmodemAnswerWait{20000};
inline constexpr milliseconds kXmodemEndWait{1800};
inline constexpr milliseconds kXmodemWritePause{100};
// A block is sent again after a NAK while it has been resent this often or less.
inline constexpr int kXmodemMaxResendCount = 10;

struct XmodemLimits {
    milliseconds startWait = kXmodemStartWait;
    milliseconds answerWait = kXmodemAnswerWait;
    milliseconds endWait = kXmodemEndWait;
    milliseconds writePause = kXmodemWritePause;
    int maxResendCount = kXmodemMaxResendCount;
};

// TFTP (the web image upload): the pause between the command and the write
// request, the pause after "send request...", one wait for an
// acknowledgement, and how often a datagram is sent before the upload fails.
inline constexpr milliseconds kTftpStartPause{1000};
inline constexpr milliseconds kTftpRequestPause{500};
inline constexpr milliseconds kTftpAnswerWait{2000};
inline constexpr int kTftpTries = 3;

struct TftpTiming {
    milliseconds startPause = kTftpStartPause;
    milliseconds requestPause = kTftpRequestPause;
    milliseconds answerWait = kTftpAnswerWait;
    int tries = kTftpTries;
};

// How long the manager waits for a worker the user stopped after the upgrade's
// hand-over: longer than any step that does not look at the stop (the
// command's reply waits, a serial write held back).
inline constexpr milliseconds kStoppedWorkerWait{10000};

struct MaintenanceTiming {
    milliseconds connectPause = kConnectPause;
    milliseconds replyWait = kLineReplyWait;
    milliseconds serialCollect = kSerialCollect;
    milliseconds serialWriteWait = kSerialWriteWait;
    XmodemLimits xmodem;
    TftpTiming tftp;
};

}  // namespace quillmar

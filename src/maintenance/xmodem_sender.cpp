#include "maintenance/xmodem_sender.h"

#include "maintenance/maintenance_result.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace quillmar {
namespace {

using Clock = std::chrono::steady_clock;

// After a failed read the time limit decides; this keeps the retries from
// spinning a core meanwhile.
constexpr milliseconds kFailedReadPause{100};
constexpr int kStartWaitBarDelta = 50;

enum class State { WaitForStart, ReadBlock, Send, WaitForAnswer, End, WaitForEnd };

// One answer byte: the byte, or -1 when none came (or the read failed).
// maintenance::kStopped when told to stop.
int readAnswer(SerialLine& line)
{
    std::string got;
    const int count = line.readSerial(1, got);
    if (count == maintenance::kStopped)
        return maintenance::kStopped;
    if (count < 0) {
        std::this_thread::sleep_for(kFailedReadPause);
        return -1;
    }
    return count > 0 ? static_cast<unsigned char>(got[0]) : -1;
}

bool expired(Clock::time_point since, milliseconds limit)
{
    return Clock::now() - since > limit;
}

}  // namespace

void buildXmodemBlock(unsigned char number, const unsigned char* data, int length,
                      unsigned char (&block)[kXmodemBlockSize])
{
    block[0] = kSoh;
    block[1] = number;
    block[2] = static_cast<unsigned char>(255 - number);
    std::memset(block + 3, kXmodemPad, kXmodemDataSize);
    std::memcpy(block + 3, data, static_cast<std::size_t>(length));
    unsigned sum = 0;
    for (int i = 0; i < kXmodemDataSize; ++i)
        sum += block[3 + i];
    block[kXmodemBlockSize - 1] = static_cast<unsigned char>(sum);
}

int xmodemSend(SerialLine& line, std::FILE* file, long fileSize, const XmodemLimits& limits,
               MaintenanceProgress& progress, const std::atomic<bool>* stopRequested)
{
    // A file of more than 256 GiB has more blocks than an int holds.
    const std::int64_t blocks = (std::int64_t(fileSize) + kXmodemDataSize - 1) / kXmodemDataSize;
    progress.setBarPosition(
        static_cast<int>(std::max<std::int64_t>(1, kPrgBarMaximum / std::max<std::int64_t>(1, blocks))));
    progress.stepBar();

    const Clock::time_point began = Clock::now();
    Clock::time_point waitTimer = began;
    unsigned char number = 1;
    unsigned char block[kXmodemBlockSize];
    std::int64_t blocksSent = 0;
    int resendCount = 0;
    int bytesSent = 0;
    State state = State::WaitForStart;
    for (;;) {
        if (stopRequested && stopRequested->load())
            return maintenance::kStopped;
        switch (state) {
        case State::WaitForStart: {
            const int answer = readAnswer(line);
            if (answer == maintenance::kStopped)
                return maintenance::kStopped;
            if (answer == kNak) {
                state = State::ReadBlock;
                break;
            }
            if (expired(began, limits.startWait))
                return -1;
            progress.advanceBar(kStartWaitBarDelta);
            break;
        }
        case State::ReadBlock: {
            unsigned char data[kXmodemDataSize];
            const std::size_t length = std::fread(data, 1, sizeof data, file);
            if (length == 0) {
                if (std::ferror(file))
                    return -1;
                waitTimer = Clock::now();
                state = State::End;
                break;
            }
            buildXmodemBlock(number, data, static_cast<int>(length), block);
            resendCount = 0;
            bytesSent = 0;
            waitTimer = Clock::now();
            state = State::Send;
            break;
        }
        case State::Send: {
            const int written = line.writeSerial(block + bytesSent, kXmodemBlockSize - bytesSent);
            if (written <= 0)
                return -1;
            std::this_thread::sleep_for(limits.writePause);
            bytesSent += written;
            if (bytesSent == kXmodemBlockSize) {
                // A resend is the same block again, not one more of the file.
                if (resendCount == 0)
                    ++blocksSent;
                state = State::WaitForAnswer;
                waitTimer = Clock::now();
                progress.setText("downloading..." + std::to_string(blocksSent) + "/" + std::to_string(blocks)
                                 + " package");
                progress.blocksSent(blocksSent, blocks);
            }
            break;
        }
        case State::WaitForAnswer: {
            const int answer = readAnswer(line);
            if (answer == maintenance::kStopped)
                return maintenance::kStopped;
            if (answer == kAck) {
                ++number;
                state = State::ReadBlock;
                break;
            }
            if (answer == kNak) {
                if (resendCount > limits.maxResendCount)
                    return -1;
                ++resendCount;
                bytesSent = 0;
                waitTimer = Clock::now();
                state = State::Send;
                break;
            }
            if (expired(waitTimer, limits.answerWait))
                return -1;
            break;
        }
        case State::End: {
            if (line.writeSerial(&kEot, 1) <= 0)
                return -1;
            state = State::WaitForEnd;
            break;
        }
        case State::WaitForEnd: {
            const int answer = readAnswer(line);
            if (answer == maintenance::kStopped)
                return maintenance::kStopped;
            if (answer == kAck)
                return 0;
            if (answer == kNak) {
                state = State::End;
                break;
            }
            if (expired(waitTimer, limits.endWait))
                return -1;
            break;
        }
        }
    }
}

}  // namespace quillmar

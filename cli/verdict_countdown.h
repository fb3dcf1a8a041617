#pragma once
// The seconds left until a save's verdict, counted down on one line of standard
// error that is redrawn in place, for a person watching a single save on a
// terminal. Anywhere else (a log file, a pipe) it writes nothing.
#include <QTextStream>
#include <QTimer>

#include <chrono>
#include <memory>

namespace quillmar::cli {

class VerdictCountdown {
public:
    VerdictCountdown(QTextStream& err, bool terminal) : err_(err), terminal_(terminal) {}
    ~VerdictCountdown() { stop(); }
    VerdictCountdown(const VerdictCountdown&) = delete;
    VerdictCountdown& operator=(const VerdictCountdown&) = delete;

    // Counts down from `untilVerdict`; the caller's event loop redraws it.
    void start(std::chrono::milliseconds untilVerdict);
    // Around a line of other output on the same terminal: the count's line is
    // cleared first and drawn again after.
    void clear();
    void draw();
    void stop();

private:
    using Clock = std::chrono::steady_clock;

    QTextStream& err_;
    bool terminal_;
    std::unique_ptr<QTimer> timer_;
    Clock::time_point verdictAt_;
    bool drawn_ = false;
};

}  // namespace quillmar::cli

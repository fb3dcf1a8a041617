#include "verdict_countdown.h"

#include <algorithm>

namespace quillmar::cli {

namespace {

// Erases the terminal's current line and goes back to its start.
constexpr char kClearLine[] = "\r\x1b[K";

}  // namespace

void VerdictCountdown::start(std::chrono::milliseconds untilVerdict)
{
    if (!terminal_)
        return;
    verdictAt_ = Clock::now() + untilVerdict;
    timer_ = std::make_unique<QTimer>();
    timer_->setInterval(std::chrono::milliseconds(250));
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { draw(); });
    timer_->start();
    draw();
}

void VerdictCountdown::draw()
{
    if (!timer_)
        return;
    const qint64 left = std::chrono::ceil<std::chrono::seconds>(verdictAt_ - Clock::now()).count();
    err_ << kClearLine << QStringLiteral("verdict in %1 s").arg(std::max<qint64>(left, 0));
    err_.flush();
    drawn_ = true;
}

void VerdictCountdown::clear()
{
    if (!drawn_)
        return;
    err_ << kClearLine;
    err_.flush();
    drawn_ = false;
}

void VerdictCountdown::stop()
{
    clear();
    timer_.reset();
}

}  // namespace quillmar::cli

#include "progress_display.h"

#include <QRegularExpression>

namespace quillmar::cli {

namespace {

constexpr int kBarWidth = 30;

// The step a sender's text names. Per-block texts say no more than the bar
// or the blocks lines: "downloading...12/512 package" names no new step (empty)
// and "send packet 12" (a TFTP upload) is shown once, as "send packet".
QString stepOf(const QString& text)
{
    static const QRegularExpression download(QStringLiteral("^downloading\\.\\.\\.\\d+/\\d+ package$"));
    static const QRegularExpression packet(QStringLiteral("^send packet \\d+$"));
    if (download.match(text).hasMatch())
        return QString();
    if (packet.match(text).hasMatch())
        return QStringLiteral("send packet");
    return text;
}

QString blocksText(qint64 sent, qint64 total)
{
    return QStringLiteral("%1/%2 blocks").arg(sent).arg(total);
}

}  // namespace

void ProgressDisplay::setText(const QString& text)
{
    const QString step = stepOf(text);
    if (step.isEmpty() || step == text_)
        return;
    text_ = step;
    if (terminal_) {
        draw();
        return;
    }
    err_ << text << '\n';
    err_.flush();
}

void ProgressDisplay::blocksSent(qint64 sent, qint64 total)
{
    if (total <= 0)
        return;
    sent_ = sent;
    total_ = total;
    if (terminal_) {
        draw();
        return;
    }
    const int tenth = int(sent * 10 / total);
    if (tenth == tenthShown_)
        return;
    tenthShown_ = tenth;
    err_ << text_ << ' ' << blocksText(sent, total) << '\n';
    err_.flush();
}

void ProgressDisplay::draw()
{
    QString line = text_;
    if (total_ > 0) {
        const int filled = int(sent_ * kBarWidth / total_);
        line += QStringLiteral(" [") + QString(filled, u'#') + QString(kBarWidth - filled, u'.') + QStringLiteral("] ")
                + blocksText(sent_, total_);
    }
    // Back to the start of the line, and whatever a longer text left there is cleared.
    err_ << '\r' << line << "\x1b[K";
    err_.flush();
    lineOpen_ = true;
}

void ProgressDisplay::finish()
{
    if (!lineOpen_)
        return;
    err_ << '\n';
    err_.flush();
    lineOpen_ = false;
}

}  // namespace quillmar::cli

#include "progress_display.h"

#include <QRegularExpression>

namespace quillmar::cli {

namespace {

constexpr int kBarWidth = 30;

}  // namespace

QString progressStep(const QString& text)
{
    static const QRegularExpression download(QStringLiteral("^downloading\\.\\.\\.\\d+/\\d+ package$"));
    static const QRegularExpression packet(QStringLiteral("^send packet \\d+$"));
    if (download.match(text).hasMatch())
        return QString();
    if (packet.match(text).hasMatch())
        return QStringLiteral("send packet");
    return text;
}

namespace {

QString countText(qint64 done, qint64 total, const QString& unit)
{
    return QStringLiteral("%1/%2 %3").arg(done).arg(total).arg(unit);
}

}  // namespace

void ProgressDisplay::setText(const QString& text)
{
    const QString step = progressStep(text);
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

void ProgressDisplay::countDone(qint64 done, qint64 total, const QString& unit)
{
    if (total <= 0)
        return;
    sent_ = done;
    total_ = total;
    unit_ = unit;
    if (terminal_) {
        draw();
        return;
    }
    const int tenth = int(done * 10 / total);
    if (tenth == tenthShown_)
        return;
    tenthShown_ = tenth;
    err_ << text_ << ' ' << countText(done, total, unit) << '\n';
    err_.flush();
}

void ProgressDisplay::draw()
{
    QString line = text_;
    if (total_ > 0) {
        const int filled = int(sent_ * kBarWidth / total_);
        line += QStringLiteral(" [") + QString(filled, u'#') + QString(kBarWidth - filled, u'.') + QStringLiteral("] ")
                + countText(sent_, total_, unit_);
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

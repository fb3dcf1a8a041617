#pragma once
// How a long operation shows its progress on standard error. On a terminal one
// line is redrawn in place: the step's text and, while a firmware image goes
// out, a bar of the blocks sent of all. Anywhere else (a log file, a pipe) plain
// lines: one per step and one per tenth of the blocks.
#include <QString>
#include <QTextStream>

namespace quillmar::cli {

// The step a sender's text names. Per-block texts say no more than the bar
// or the blocks lines: "downloading...12/512 package" names no new step (empty)
// and "send packet 12" (a TFTP upload) is shown once, as "send packet".
QString progressStep(const QString& text);

class ProgressDisplay {
public:
    ProgressDisplay(QTextStream& err, bool terminal) : err_(err), terminal_(terminal) {}

    void setText(const QString& text);
    void blocksSent(qint64 sent, qint64 total) { countDone(sent, total, QStringLiteral("blocks")); }
    // `done` of `total` things (blocks, addresses) done: a bar on a terminal.
    void countDone(qint64 done, qint64 total, const QString& unit);
    // Ends the line the bar is drawn on, so that other output starts afresh.
    void finish();

private:
    void draw();

    QTextStream& err_;
    bool terminal_;
    QString text_;
    qint64 sent_ = 0;
    qint64 total_ = 0;
    QString unit_;
    int tenthShown_ = -1;
    bool lineOpen_ = false;
};

}  // namespace quillmar::cli

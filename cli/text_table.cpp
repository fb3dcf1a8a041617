#include "text_table.h"

#include <algorithm>

namespace quillmar::cli {

namespace {

constexpr qsizetype kGap = 2;

std::vector<qsizetype> columnWidths(const std::vector<QStringList>& rows)
{
    std::vector<qsizetype> widths;
    for (const QStringList& cells : rows) {
        widths.resize(std::max(widths.size(), std::size_t(cells.size())), 0);
        for (qsizetype i = 0; i < cells.size(); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], cells[i].size());
    }
    return widths;
}

}  // namespace

void printAligned(QTextStream& out, const std::vector<QStringList>& rows)
{
    const std::vector<qsizetype> widths = columnWidths(rows);
    for (const QStringList& cells : rows) {
        QString line;
        for (qsizetype i = 0; i < cells.size(); ++i)
            line += i + 1 < cells.size() ? cells[i].leftJustified(widths[std::size_t(i)] + kGap) : cells[i];
        out << line << '\n';
    }
}

qsizetype printWithin(QTextStream& out, const std::vector<QStringList>& rows, const std::vector<qsizetype>& wanted,
                      int width)
{
    const std::vector<qsizetype> widths = columnWidths(rows);
    std::vector<qsizetype> kept;
    qsizetype used = 0;
    for (const qsizetype column : wanted) {
        if (column < 0 || std::size_t(column) >= widths.size())
            continue;
        const qsizetype more = widths[std::size_t(column)] + (kept.empty() ? 0 : kGap);
        if (width > 0 && !kept.empty() && used + more > width)
            continue;  // a narrower column further down the list may still fit
        kept.push_back(column);
        used += more;
    }
    std::sort(kept.begin(), kept.end());
    std::vector<QStringList> shown;
    for (const QStringList& cells : rows) {
        QStringList row;
        for (const qsizetype column : kept)
            row << cells.value(column);
        shown.push_back(row);
    }
    printAligned(out, shown);
    return qsizetype(kept.size());
}

}  // namespace quillmar::cli

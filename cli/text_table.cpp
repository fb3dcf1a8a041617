#include "text_table.h"

#include <algorithm>

namespace quillmar::cli {

void printAligned(QTextStream& out, const std::vector<QStringList>& rows)
{
    std::vector<qsizetype> widths;
    for (const QStringList& cells : rows) {
        widths.resize(std::max(widths.size(), std::size_t(cells.size())), 0);
        for (qsizetype i = 0; i < cells.size(); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], cells[i].size());
    }
    for (const QStringList& cells : rows) {
        QString line;
        for (qsizetype i = 0; i < cells.size(); ++i)
            line += i + 1 < cells.size() ? cells[i].leftJustified(widths[std::size_t(i)] + 2) : cells[i];
        out << line << '\n';
    }
}

}  // namespace quillmar::cli

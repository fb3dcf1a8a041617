#pragma once
// Rows of cells printed as columns for people: every column as wide as its
// widest cell and two spaces apart, the last column as it is.
#include <QStringList>
#include <QTextStream>

#include <vector>

namespace quillmar::cli {

void printAligned(QTextStream& out, const std::vector<QStringList>& rows);

// The same within `width` columns of a terminal (0: no limit): columns are
// taken in the order of `wanted` (column indexes, the most wanted first) while
// they fit, at least the first, and printed in their own order. Returns how
// many columns were printed.
qsizetype printWithin(QTextStream& out, const std::vector<QStringList>& rows, const std::vector<qsizetype>& wanted,
                      int width);

}  // namespace quillmar::cli

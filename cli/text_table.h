#pragma once
// Rows of cells printed as columns for people: every column as wide as its
// widest cell and two spaces apart, the last column as it is.
#include <QStringList>
#include <QTextStream>

#include <vector>

namespace quillmar::cli {

void printAligned(QTextStream& out, const std::vector<QStringList>& rows);

}  // namespace quillmar::cli

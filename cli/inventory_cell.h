#pragma once
// A cell of an inventory (discover --csv) made safe to open and read back: a
// module's bytes with every control byte, byte past ASCII and backslash
// escaped as the terminal shows them (\xHH, \\), and a cell that a
// spreadsheet would take for a formula (beginning with =, +, -, @) led by a
// quote. config apply --map turns such a cell back into the module's bytes, so
// an inventory applied as it is changes nothing.
#include <QString>

#include <string_view>

namespace quillmar::cli {

QString inventoryCell(std::string_view bytes);

// The text an inventory cell stands for, a character per byte: the leading
// quote of a cell that would be a formula dropped, \xHH and \\ turned back
// into their bytes (any other backslash stays as it is). A character outside
// Latin-1 stays as it is, for its field's rule to refuse.
QString inventoryCellText(const QString& cell);

}  // namespace quillmar::cli

#include "inventory_cell.h"

#include "record/printable_text.h"

namespace quillmar::cli {

namespace {

bool startsAFormula(QChar first)
{
    return first == u'=' || first == u'+' || first == u'-' || first == u'@';
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

}  // namespace

QString inventoryCell(std::string_view bytes)
{
    // Tab and CR, which some spreadsheets also read as a formula's start,
    // never start a cell here: printableText escapes them.
    const QString cell = QString::fromLatin1(printableText(bytes));
    return !cell.isEmpty() && startsAFormula(cell.front()) ? u'\'' + cell : cell;
}

QString inventoryCellText(const QString& cell)
{
    QString text = cell;
    if (text.size() > 1 && text.front() == u'\'' && startsAFormula(text.at(1)))
        text.remove(0, 1);
    QString unescaped;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size() && text.at(i + 1) == u'\\') {
            unescaped += c;
            ++i;
        } else if (c == u'\\' && i + 3 < text.size() && text.at(i + 1) == u'x' && hexValue(text.at(i + 2)) >= 0
                   && hexValue(text.at(i + 3)) >= 0) {
            unescaped += QChar(char16_t(hexValue(text.at(i + 2)) * 16 + hexValue(text.at(i + 3))));
            i += 3;
        } else {
            unescaped += c;
        }
    }
    return unescaped;
}

}  // namespace quillmar::cli

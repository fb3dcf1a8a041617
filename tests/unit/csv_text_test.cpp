// The CSV reader that config apply --map reads an inventory with, as people
// hand it back after editing it in a spreadsheet, and the writer discover --csv
// prints it with.
#include <gtest/gtest.h>

#include <QFile>

#include <utility>
#include <vector>

#include "csv_text.h"
#include "site_map.h"
#include "support/file_contents.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using Records = std::vector<std::pair<int, QStringList>>;

Records recordsOf(const std::vector<cli::CsvRecord>& records)
{
    Records out;
    for (const cli::CsvRecord& record : records)
        out.emplace_back(record.line, record.fields);
    return out;
}

TEST(CsvText, ReadsWhatSpreadsheetsAndEditorsWrite)
{
    const struct {
        const char* name;
        QString text;
        Records records;
    } cases[] = {
        {"CR LF", "a,b\r\nc,d\r\n", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
        {"no line end at the end", "a,b\r\nc,d", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
        {"LF alone", "a\nb\n", {{1, {"a"}}, {2, {"b"}}}},
        {"CR alone", "a\rb", {{1, {"a"}}, {2, {"b"}}}},
        {"empty lines are no records", "a\r\n\r\n\nb\r\n", {{1, {"a"}}, {4, {"b"}}}},
        {"empty cells", ",,\r\nx,,\r\n", {{1, {"", "", ""}}, {2, {"x", "", ""}}}},
        {"a comma in quotes", "\"Shop, front\",x", {{1, {"Shop, front", "x"}}}},
        {"a doubled quote", "\"say \"\"hi\"\"\",\"\"", {{1, {"say \"hi\"", ""}}}},
        {"a line break in quotes counts its line",
         "\"two\r\nlines\",x\r\nnext\r\n",
         {{1, {"two\r\nlines", "x"}}, {3, {"next"}}}},
        {"a quote inside a cell is text", "ab\"c,d", {{1, {"ab\"c", "d"}}}},
        {"blanks are kept", " a , \"b\"", {{1, {" a ", " \"b\""}}}},
        {"a byte order mark in front",
         QChar(0xFEFF) + QStringLiteral("macAddress,ssid\r\n"),
         {{1, {"macAddress", "ssid"}}}},
        {"a byte order mark elsewhere is text",
         QStringLiteral("a,") + QChar(0xFEFF),
         {{1, {"a", QString(QChar(0xFEFF))}}}},
        {"nothing", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        const auto records = cli::parseCsv(c.text, error);
        ASSERT_TRUE(records) << error.toStdString();
        EXPECT_EQ(recordsOf(*records), c.records);
    }
}

TEST(CsvText, RefusesAnOpenQuoteOrTextAfterAClosingOneNamingTheLine)
{
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"\"open", "line 1: a quote is never closed"},
        {"a\r\n\"open,\r\nb", "line 2: a quote is never closed"},
        {"\"a\"b", "line 1: text after a closing quote"},
        {"ok\r\n\"two\nlines\" x", "line 3: text after a closing quote"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(cli::parseCsv(QString::fromLatin1(c.text), error)) << c.text;
        EXPECT_EQ(error.toStdString(), c.error);
    }
}

// What discover --csv writes reads back cell for cell, whatever the cells hold.
TEST(CsvText, WhatIsWrittenReadsBackTheSame)
{
    const std::vector<QStringList> rows{
        {"macAddress", "deviceName", "ssid"},
        {"00-1F-7C-00-02-14", "Bar, \"east\"", "two\r\nlines"},
        {"", " lead", "trail "},
        {"\r", "\n", ","},
    };
    QString text;
    for (const QStringList& row : rows)
        text += cli::csvRecord(row);
    EXPECT_TRUE(text.startsWith(QStringLiteral("macAddress,deviceName,ssid\r\n")));
    QString error;
    const auto records = cli::parseCsv(text, error);
    ASSERT_TRUE(records) << error.toStdString();
    ASSERT_EQ(records->size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ((*records)[i].fields, rows[i]) << i;

    // A lone empty cell is no empty line, and a mark in front of the first
    // cell is no byte order mark: both are quoted.
    for (const QStringList& row : {QStringList{""}, QStringList{QChar(0xFEFF) + QStringLiteral("x"), "y"}}) {
        const auto alone = cli::parseCsv(cli::csvRecord(row), error);
        ASSERT_TRUE(alone && alone->size() == 1u) << cli::csvRecord(row).toStdString();
        EXPECT_EQ(alone->front().fields, row);
    }
}

// A table saved by a spreadsheet: a byte order mark, a blank row, and empty
// columns right of the table, names and all, are passed over; a value in a
// column without a name is refused with its line.
TEST(CsvText, ASiteMapSavedByASpreadsheetReadsAsTheTableItShows)
{
    test::TempDirectory dir;
    const QString path = dir.file("site.csv");
    QStringList refusals;
    test::writeFile(path, "\xEF\xBB\xBFmacAddress,ssid,,\r\n"
                          "00-1F-7C-00-02-14,ShopA,,\r\n"
                          ",,,\r\n"
                          "00-1F-7C-00-02-15,ShopB,,\r\n");
    const auto rows = cli::readSiteMap(QFile::encodeName(path), refusals);
    ASSERT_TRUE(rows) << refusals.join(u'\n').toStdString();
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0].mac, QStringLiteral("00-1F-7C-00-02-14"));
    EXPECT_EQ((*rows)[1].mac, QStringLiteral("00-1F-7C-00-02-15"));
    EXPECT_EQ((*rows)[1].line, 4);
    ASSERT_EQ((*rows)[1].changes.size(), 1u);
    EXPECT_EQ((*rows)[1].changes[0].value, QStringLiteral("ShopB"));

    const struct {
        QByteArray text;
        QString refusal;
    } refused[] = {
        {"macAddress,ssid,\r\n00-1F-7C-00-02-14,ShopA,oops\r\n",
         "line 2: a value in column 3, which the header does not name"},
        {"macAddress,ssid\r\n00-1F-7C-00-02-14,ShopA,,extra\r\n", "line 2: 4 cells, the header has 2"},
    };
    for (const auto& c : refused) {
        test::writeFile(path, c.text);
        refusals.clear();
        EXPECT_FALSE(cli::readSiteMap(QFile::encodeName(path), refusals));
        EXPECT_EQ(refusals.join(u'\n'), path + u' ' + c.refusal);
    }
}

}  // namespace
}  // namespace quillmar

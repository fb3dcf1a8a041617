#pragma once
// Whole files in and out of a test: what the program wrote, and what it is
// given to read. One copy for every test, so that a missing file reads the
// same way everywhere.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fstream>
#include <iterator>
#include <string>

namespace quillmar::test {

// The file's bytes; "<missing>" when it cannot be read, so that a file that is
// not there never passes for an empty one.
inline QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The file's bytes for code that works on std::string; empty when it cannot be
// read.
inline std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Makes `content` the whole file; a file that cannot be written fails the test.
inline void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(content), content.size()) << path.toStdString();
}

}  // namespace quillmar::test

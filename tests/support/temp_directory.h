#pragma once
// A directory of the test's own for the files a test writes or the program
// reads (settings files, images, exports), gone when the test ends.
#include <QFile>
#include <QTemporaryDir>
#include <string>

namespace quillmar::test {

// A fresh working directory per test, removed afterwards.
struct TempDirectory {
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    QString file(const QString& name) const { return dir.filePath(name); }
    // The path as the system takes it, for std::filesystem and POSIX calls.
    std::string native() const { return QFile::encodeName(dir.path()).toStdString(); }
};

}  // namespace quillmar::test

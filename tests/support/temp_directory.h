#pragma once
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

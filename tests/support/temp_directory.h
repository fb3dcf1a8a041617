#pragma once
#include <QTemporaryDir>

namespace quillmar::test {

// A fresh working directory per test, removed afterwards.
struct TempDirectory {
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    QString file(const QString& name) const { return dir.filePath(name); }
};

}  // namespace quillmar::test

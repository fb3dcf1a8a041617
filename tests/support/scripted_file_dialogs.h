#pragma once
// FileDialogs for tests: records every request and answers from a script of
// paths (an empty path is a cancelled dialog).
#include <deque>
#include <vector>

#include "ui/file_dialogs.h"

namespace quillmar::test {

class ScriptedFileDialogs final : public FileDialogs {
public:
    enum class Kind { Save, Open, Directory };
    struct Request {
        Kind kind;
        FileDialogRequest request;
    };

    ScriptedFileDialogs() { setFileDialogs(this); }
    ~ScriptedFileDialogs() override { setFileDialogs(nullptr); }

    QString saveFileName(QWidget*, const FileDialogRequest& request) override { return answer(Kind::Save, request); }
    QString openFileName(QWidget*, const FileDialogRequest& request) override { return answer(Kind::Open, request); }
    // The request's filter carries the directory the chooser starts at.
    QString existingDirectory(QWidget*, const QString& title, const QString& start) override
    {
        return answer(Kind::Directory, {title, start, QString()});
    }

    std::vector<Request> requests;
    std::deque<QString> paths;

private:
    QString answer(Kind kind, const FileDialogRequest& request)
    {
        requests.push_back({kind, request});
        if (paths.empty())
            return QString();
        const QString path = paths.front();
        paths.pop_front();
        return path;
    }
};

}  // namespace quillmar::test

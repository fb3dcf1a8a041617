#pragma once
// Starts another program detached from this one, as a shell start would.
#include <QString>
#include <QStringList>

namespace quillmar {

class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // Returns false when the program could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               const QString& workingDirectory) = 0;
};

class ProcessLauncher final : public ProgramLauncher {
public:
    bool startDetached(const QString& program, const QStringList& arguments, const QString& workingDirectory) override;
};

}  // namespace quillmar

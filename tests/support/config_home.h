#pragma once
// The settings files a window keeps in the user's configuration directory
// ("modelno.dat" and the COM tool's, when the start directory has none) go to
// directories of the test process, never to the real ~/.config, and never to
// another test's: XDG_CONFIG_HOME points at them, for this process and the
// programs it starts.
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

namespace quillmar::test {

// Once per process: a temporary configuration directory, removed when the
// process ends.
inline QString keepConfigOutOfHome()
{
    static QTemporaryDir dir;
    static const bool set = qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    (void)set;
    return dir.path();
}

// A fresh configuration directory for as long as the object lives.
class ScopedConfigHome {
public:
    ScopedConfigHome()
    {
        keepConfigOutOfHome();
        previous_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()));
    }
    ~ScopedConfigHome() { qputenv("XDG_CONFIG_HOME", previous_); }
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

    // Where the program keeps a settings file it found nowhere else.
    QString file(const QString& name) const { return dir_.path() + QStringLiteral("/quillmar/") + name; }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};

}  // namespace quillmar::test

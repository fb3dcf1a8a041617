#pragma once
// What the programs keep under the user's state directory (the backups taken
// before every write) goes to directories of the test process, never to the
// real ~/.local/state: XDG_STATE_HOME points at them, for this process and the
// programs it starts.
#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QTemporaryDir>
#include <QtGlobal>

namespace quillmar::test {

// Once per process: a temporary state directory, removed when the process ends.
inline QString keepStateOutOfHome()
{
    static QTemporaryDir dir;
    static const bool set = qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path()));
    (void)set;
    return dir.path();
}

// A fresh state directory for as long as the object lives.
class ScopedStateHome {
public:
    ScopedStateHome()
    {
        keepStateOutOfHome();
        previous_ = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir_.path()));
    }
    ~ScopedStateHome() { qputenv("XDG_STATE_HOME", previous_); }
    ScopedStateHome(const ScopedStateHome&) = delete;
    ScopedStateHome& operator=(const ScopedStateHome&) = delete;

    QString path() const { return dir_.path(); }
    // Where the backups of the module with this MAC folder go.
    QString backups(const QString& folder = {}) const
    {
        return dir_.path() + QStringLiteral("/quillmar/backups") + (folder.isEmpty() ? QString() : u'/' + folder);
    }

    QString auditLog() const { return dir_.path() + QStringLiteral("/quillmar/audit.jsonl"); }
    // The audit log's entries in order; a line that is not one JSON object is left out.
    QList<QJsonObject> auditEntries() const
    {
        QList<QJsonObject> entries;
        QFile file(auditLog());
        if (!file.open(QIODevice::ReadOnly))
            return entries;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QJsonDocument document = QJsonDocument::fromJson(line);
            if (document.isObject())
                entries << document.object();
        }
        return entries;
    }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};

}  // namespace quillmar::test

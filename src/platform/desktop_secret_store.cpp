#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include "platform/secret_store.h"

namespace quillmar {

namespace {

const QString kService = QStringLiteral("quillmar");

QString describe(QKeychain::Error error, const QString& text)
{
    switch (error) {
    case QKeychain::NoBackendAvailable:
        return QStringLiteral("no secret store is available in this session (%1)").arg(text);
    case QKeychain::AccessDeniedByUser:
    case QKeychain::AccessDenied:
        return QStringLiteral("the secret store refused access (%1)").arg(text);
    case QKeychain::NotImplemented:
        return QStringLiteral("the secret store does not offer this (%1)").arg(text);
    default:
        return text.isEmpty() ? QStringLiteral("the secret store failed") : text;
    }
}

// Runs one job to its end or to the time limit. The job deletes itself when it
// finishes, also after the wait gave up on it, so a late answer finds nothing
// of the caller's.
template <typename Job, typename Setup>
bool runJob(std::chrono::milliseconds wait, QString& error, Setup setup, QByteArray* data = nullptr,
            bool* missing = nullptr)
{
    if (!QCoreApplication::instance()) {
        error = QStringLiteral("the secret store needs an application object");
        return false;
    }
    auto* job = new Job(kService);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    setup(*job);
    QEventLoop loop;
    bool finished = false;
    QKeychain::Error result = QKeychain::OtherError;
    QString text;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* done) {
        finished = true;
        result = done->error();
        text = done->errorString();
        if (data && result == QKeychain::NoError) {
            if constexpr (std::is_same_v<Job, QKeychain::ReadPasswordJob>)
                *data = static_cast<QKeychain::ReadPasswordJob*>(done)->binaryData();
        }
        loop.quit();
    });
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    job->start();
    if (!finished)
        loop.exec();
    if (!finished) {
        QObject::disconnect(job, nullptr, &loop, nullptr);
        error = QStringLiteral("the secret store did not answer within %1 s")
                    .arg(std::chrono::duration_cast<std::chrono::seconds>(wait).count());
        return false;
    }
    if (result == QKeychain::EntryNotFound && missing) {
        *missing = true;
        return true;
    }
    if (result != QKeychain::NoError) {
        error = describe(result, text);
        return false;
    }
    return true;
}

class DesktopSecretStore final : public SecretStore {
public:
    explicit DesktopSecretStore(std::chrono::milliseconds wait) : wait_(wait) {}

    std::optional<QByteArray> read(const QString& key, QString& error) override
    {
        error.clear();
        QByteArray secret;
        bool missing = false;
        const bool ok = runJob<QKeychain::ReadPasswordJob>(
            wait_, error, [&key](QKeychain::ReadPasswordJob& job) { job.setKey(key); }, &secret, &missing);
        if (!ok || missing)
            return std::nullopt;
        return secret;
    }

    bool write(const QString& key, const QByteArray& secret, QString& error) override
    {
        return runJob<QKeychain::WritePasswordJob>(wait_, error, [&](QKeychain::WritePasswordJob& job) {
            job.setKey(key);
            job.setBinaryData(secret);
        });
    }

    bool remove(const QString& key, QString& error) override
    {
        bool missing = false;
        return runJob<QKeychain::DeletePasswordJob>(
            wait_, error, [&key](QKeychain::DeletePasswordJob& job) { job.setKey(key); }, nullptr, &missing);
    }

private:
    std::chrono::milliseconds wait_;
};

}  // namespace

std::unique_ptr<SecretStore> makeDesktopSecretStore(std::chrono::milliseconds wait)
{
    return std::make_unique<DesktopSecretStore>(wait);
}

}  // namespace quillmar

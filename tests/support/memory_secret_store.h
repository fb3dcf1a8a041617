#pragma once
// A secret store in memory, in place of the desktop's (platform/secret_store.h)
// where a test is not about the store itself: the tests never reach the real
// session's store. `failure` makes every call fail with that text.
#include <QHash>

#include "platform/secret_store.h"

namespace quillmar::test {

class MemorySecretStore final : public SecretStore {
public:
    std::optional<QByteArray> read(const QString& key, QString& error) override
    {
        error = failure;
        ++reads;
        if (!failure.isEmpty() || !secrets.contains(key))
            return std::nullopt;
        return secrets.value(key);
    }
    bool write(const QString& key, const QByteArray& secret, QString& error) override
    {
        error = failure;
        if (!failure.isEmpty())
            return false;
        secrets.insert(key, secret);
        return true;
    }
    bool remove(const QString& key, QString& error) override
    {
        error = failure;
        if (!failure.isEmpty())
            return false;
        secrets.remove(key);
        return true;
    }

    QHash<QString, QByteArray> secrets;
    QString failure;
    int reads = 0;
};

}  // namespace quillmar::test

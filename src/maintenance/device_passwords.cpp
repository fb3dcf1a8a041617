#include "maintenance/device_passwords.h"

#include "history/record_backups.h"
#include "platform/secret_store.h"

namespace quillmar {

QString devicePasswordKey(std::string_view mac)
{
    return QStringLiteral("printer-password/") + backupFolderName(mac);
}

std::optional<std::string> rememberedDevicePassword(SecretStore& store, std::string_view mac, QString& error)
{
    const std::optional<QByteArray> secret = store.read(devicePasswordKey(mac), error);
    if (!secret)
        return std::nullopt;
    return secret->toStdString();
}

bool rememberDevicePassword(SecretStore& store, std::string_view mac, const std::string& password, QString& error)
{
    return store.write(devicePasswordKey(mac), QByteArray::fromStdString(password), error);
}

bool forgetDevicePassword(SecretStore& store, std::string_view mac, QString& error)
{
    return store.remove(devicePasswordKey(mac), error);
}

}  // namespace quillmar

#pragma once
// A printer's maintenance password (the log-in of reboot, upgrade and web
// upload) kept in the desktop's secret store by the printer's MAC, so that the
// manager's password dialog ("Remember") and quillmar-cli
// (--password-from-keyring) find the same one. MACs in any of the usual
// notations name the same entry.
#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace quillmar {

class SecretStore;

// "printer-password/00-1F-7C-00-02-14".
QString devicePasswordKey(std::string_view mac);

// The password remembered for the printer; nothing with `error` empty when
// none is, nothing with `error` set when the store could not be asked.
std::optional<std::string> rememberedDevicePassword(SecretStore& store, std::string_view mac, QString& error);
bool rememberDevicePassword(SecretStore& store, std::string_view mac, const std::string& password, QString& error);
bool forgetDevicePassword(SecretStore& store, std::string_view mac, QString& error);

}  // namespace quillmar

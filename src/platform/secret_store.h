#pragma once
// The desktop's secret store: passwords kept for the user by the session's
// Secret Service (GNOME Keyring, KWallet, KeePassXC, ...) rather than in a file
// of ours or on a command line. The interface is the seam; the one
// implementation goes through QtKeychain, in its own library
// (quillmar_secret_store), so that only the programs that use it link it.
// Every call waits for the store's answer on a local event loop and needs an
// application object (a QCoreApplication at least).
#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace quillmar {

class SecretStore {
public:
    virtual ~SecretStore() = default;

    // The secret stored under `key`; nothing with `error` empty when none is,
    // nothing with `error` set when the store could not be asked.
    virtual std::optional<QByteArray> read(const QString& key, QString& error) = 0;
    // Stores `secret` under `key`, replacing what was there; false with `error`.
    virtual bool write(const QString& key, const QByteArray& secret, QString& error) = 0;
    // Removes what is stored under `key` (nothing stored is no failure).
    virtual bool remove(const QString& key, QString& error) = 0;
};

// How long a call waits for the store before giving up: a locked store may
// ask its user to unlock it, and a session bus without a store answers only
// when its own activation gives up.
inline constexpr std::chrono::seconds kSecretStoreWait{30};

// The session's Secret Service through QtKeychain, its entries under the
// service name "quillmar".
std::unique_ptr<SecretStore> makeDesktopSecretStore(std::chrono::milliseconds wait = kSecretStoreWait);

}  // namespace quillmar

#pragma once
// The key of the masks that stand for Wi-Fi keys in the audit log, the
// inventory and dry runs. A mask of the bare key (an unsalted hash) can be
// reversed by trying keys, a WEP key in seconds; a mask keyed with a secret
// of this user's cannot, and the same key still gives the same mask on this
// PC, so "did the key change" still reads from the log. The key is 32 random
// bytes made once per user and kept, mode 0600, beside the audit log:
//   $XDG_STATE_HOME/quillmar/mask.key
#include <QByteArray>
#include <QString>

#include <optional>

namespace quillmar {

inline constexpr int kMaskKeySize = 32;

// The key file's path, or nothing with `error` set when no state directory is known.
std::optional<QByteArray> maskKeyPath(QString& error);

// The user's mask key, made on first use; nothing with `error` set when it
// can neither be read nor made (or the file there is not one this user made
// for it: another owner, another size, not a regular file). Read once per
// path and process.
std::optional<QByteArray> userMaskKey(QString& error);

// "hmac:" and the first 12 hexadecimal digits of HMAC-SHA-256(`maskKey`, `text`).
QString keyedMask(const QByteArray& maskKey, const QByteArray& text);

}  // namespace quillmar

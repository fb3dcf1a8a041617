#pragma once
// Why a device file did not open for this user, in words that say what to do:
// serial ports and USB printers belong to a group (dialout, lp on Debian) that
// a technician's account is often not in.
#include <QString>

namespace quillmar {

// " (this user may not read and write it: add the user to the group that owns
// it, on Debian GROUP, and log in again)" when this user may not read and
// write `path`; empty when the permissions are not the reason.
QString deniedAccessHint(const QString& path, const char* debianGroup);

}  // namespace quillmar

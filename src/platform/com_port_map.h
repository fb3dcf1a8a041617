#pragma once
// "COMn" names map to serial device paths: QUILLMAR_COMn when set, else /dev/ttyS<n-1>.
#include <QString>

namespace quillmar {

QString comPortPath(int comNumber);

}  // namespace quillmar

#pragma once
// The serial loader's side of a firmware upgrade, once the device has been told
// to hand over: its menu must offer "Update", "U" selects it, and after
// "Downloading" the image goes by XMODEM.
#include <atomic>
#include <cstdio>

#include "maintenance/maintenance_progress.h"
#include "maintenance/maintenance_timing.h"
#include "maintenance/serial_line.h"

namespace quillmar {

// 0; -9 (no menu, or no "Downloading" after "U"), -7 (the line failed), -10
// (the download failed) or -2 (told to stop).
int serialLoaderExchange(SerialLine& line, std::FILE* file, long fileSize, const XmodemLimits& limits,
                         MaintenanceProgress& progress, const std::atomic<bool>* stopRequested);

}  // namespace quillmar

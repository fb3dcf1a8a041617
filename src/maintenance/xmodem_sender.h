#pragma once
// Sends a file to a receiver that speaks XMODEM with the 8-bit checksum:
// 128-byte blocks, each sent again after a NAK a limited number of times, the
// transfer ended by EOT. The sender paces itself with a pause after every write.
#include <atomic>
#include <cstdint>
#include <cstdio>

#include "maintenance/maintenance_progress.h"
#include "maintenance/maintenance_timing.h"
#include "maintenance/serial_line.h"
#include "record/module_protocol.h"

namespace quillmar {

// The block as it goes on the line: SOH, number, its complement, the data
// (padded with kXmodemPad, so the receiver never stores stray bytes), the sum of the data bytes modulo 256.
void buildXmodemBlock(unsigned char number, const unsigned char* data, int length,
                      unsigned char (&block)[kXmodemBlockSize]);

// Sends `fileSize` bytes from `file`. 0 when the receiver acknowledged EOT,
// -1 when the transfer failed, maintenance::kStopped when told to stop.
int xmodemSend(SerialLine& line, std::FILE* file, long fileSize, const XmodemLimits& limits,
               MaintenanceProgress& progress, const std::atomic<bool>* stopRequested);

}  // namespace quillmar

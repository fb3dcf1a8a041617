#pragma once
// The direct settings exchange with a printer attached by a COM port or by USB:
// the read command 1D 67 57 47 is answered by the printer's 256-byte settings
// record (on a COM port after 6 leading bytes nobody looks at); the write command
// 1D 67 57 53 is followed by the record to store. No answer follows a write.
//
// Both exchanges open the channel, run, and close it again whatever happens, so a
// port is never left open for the next window or the next exchange.
#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

#include "comm/settings_channel.h"
#include "record/device_entry.h"
#include "record/module_protocol.h"

namespace quillmar {

inline const QByteArray kDirectReadCommand(reinterpret_cast<const char*>(kDirectReadCommandBytes.data()),
                                           qsizetype(kDirectReadCommandBytes.size()));
inline const QByteArray kDirectWriteCommand(reinterpret_cast<const char*>(kDirectWriteCommandBytes.data()),
                                            qsizetype(kDirectWriteCommandBytes.size()));
inline constexpr qsizetype kComReplyLeadingBytes = qsizetype(kComReplyLeadingByteCount);
// Largest single read from a USB printer.
inline constexpr qsizetype kUsbReadPiece = 64;
// A printer's answer when it wants the read repeated.
inline constexpr char kReadAgainModelName[] = ";1";

struct DirectSettingsTiming {
    // A COM reply (6 + 256 bytes) is taken after it is complete or after this
    // long, whichever comes first; what arrived by then is the answer.
    std::chrono::milliseconds comReplyWait{1000};
    // A USB printer must deliver all 256 bytes within this long.
    std::chrono::milliseconds usbReplyWait{3000};
    // How often the keep-alive callback runs while a reply is awaited.
    std::chrono::milliseconds keepAliveSlice{20};
};

// Called repeatedly while a reply is awaited (a window passes something that
// processes its pending events, so it keeps painting). A window must keep its
// read and save buttons from starting a second exchange meanwhile.
using KeepAlive = std::function<void()>;

enum class DirectReadOutcome {
    RecordRead,   // the record holds the printer's answer, and it parses
    NoReply,      // nothing came, (COM) the record starts with a zero byte, or
                  // (USB) the printer stopped before 256 bytes
    NotARecord,   // bytes came, but they do not parse as a record (an echoed
                  // command or a stray byte in front, noise); see reason
    BlankRecord,  // (USB) 256 zero bytes: a printer without settings. It may be
                  // shown; it is never a record to write back
    NoDevice,     // the channel found no device (USB: no matching printer)
    Failed,       // the channel failed (cannot open, write failed); see reason
};

struct DirectReadResult {
    DirectReadOutcome outcome = DirectReadOutcome::Failed;
    // Zero-filled, then as many reply bytes as arrived (at most 256), so a short
    // reply fills the fields it covers and leaves the others empty.
    DeviceEntry record;
    // Reply bytes as received, the COM leading bytes included.
    QByteArray received;
    // Why the exchange did not read a record, for the log.
    QString reason;
    // The channel's deviceName() after the exchange.
    QString device;
    // How many of the record's 256 bytes arrived (fewer after a short COM reply).
    qsizetype recordBytes = 0;

    bool ok() const { return outcome == DirectReadOutcome::RecordRead; }
    // The printer answered ";1" as model name: it wants the read repeated.
    bool asksToReadAgain() const;
    // A whole record that parses and is the printer's settings: the only kind
    // a save may start from. A short reply, a blank record or ";1" may be shown,
    // but what they lack would be written over the printer's settings.
    bool mayBeWrittenBack() const;
};

enum class DirectWriteOutcome { Written, NoDevice, Failed };

struct DirectWriteResult {
    DirectWriteOutcome outcome = DirectWriteOutcome::Failed;
    QString reason;
    QString device;

    bool ok() const { return outcome == DirectWriteOutcome::Written; }
};

DirectReadResult readDirectSettings(SettingsChannel& channel, const KeepAlive& keepAlive = {},
                                    const DirectSettingsTiming& timing = {});

// What the bytes a read collected within `limit` amount to (a COM reply's
// leading bytes included): the record and whether it is the printer's answer,
// checked by recordParseProblem (record/record_check.h). The device name is
// left for the caller.
DirectReadResult directReadReply(SettingsTransport transport, const QByteArray& received,
                                 std::chrono::milliseconds limit);

// The write command in one write, then the 256 record bytes: on a COM port one
// byte per write (zero bytes included), on USB as many per write as the device
// takes.
DirectWriteResult writeDirectSettings(SettingsChannel& channel, const DeviceEntry& record);

// The first four record bytes as "%x,%x,%x,%x", as the log shows a refused reply.
QString firstBytesText(const DeviceEntry& record);

}  // namespace quillmar

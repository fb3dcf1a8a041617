#pragma once
// The base of the verbs that read or write a printer's settings over a COM
// port or USB: com read, com write, usb read, usb write. Each one first reads
// the printer's record with the settings tools' exchange (comm/direct_settings.h);
// why that read, or a write, failed is reported here, once, with the tool's
// own text and the system's reason.
#include <memory>
#include <optional>
#include <vector>

#include "comm/settings_channel.h"
#include "history/sealed_file.h"
#include "record/device_entry.h"
#include "settable_fields.h"
#include "verb.h"
#include "wifi_checker.h"

namespace quillmar {
class MSComm;
class UsbPrinterLocator;
}  // namespace quillmar

namespace quillmar::cli {

enum class DirectTransport { Com, Usb };

// The printer as the read found it.
struct PrinterReading {
    DeviceEntry record;         // zeros past a short COM reply
    qsizetype recordBytes = 0;  // record bytes that arrived
    QString device;             // "COM3", or the USB printer's serial number
};

class DirectSettingsVerb : public Verb {
public:
    ~DirectSettingsVerb() override;

protected:
    // A COM verb declares --port and --baud.
    DirectSettingsVerb(QString name, QString summary, DirectTransport transport);

    DirectTransport transport() const { return transport_; }
    // What --help says about the exchange, the port and the line rate.
    QString exchangeDetails() const;

    // Checks the verb's own arguments before anything is sent; an exit status
    // ends the run there.
    virtual std::optional<int> prepare(const QCommandLineParser&, VerbContext&) { return std::nullopt; }
    // Whether the record is only shown, so that a COM reply shorter than a
    // record and a blank USB record are worked on as they are; a verb that
    // writes refuses both, since what they lack would be written.
    virtual bool onlyShowsRecord() const { return false; }
    virtual int executeOnPrinter(const PrinterReading& printer, VerbContext& context) = 0;

    // Writes `record` over the verb's transport; the exit status.
    int writeRecord(const DeviceEntry& record, const QString& device, VerbContext& context);

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) final;
    std::optional<int> readOptions(const QCommandLineParser& parser, VerbContext& context);
    // A channel for one exchange; a USB one that only opens `printer` when that
    // is given.
    std::unique_ptr<SettingsChannel> makeChannel(VerbContext& context, const QString& printer = QString());

    DirectTransport transport_;
    int comPort_ = 0;
    QString devicePath_;  // --port given as a device path
    QString lineSettings_;
    std::unique_ptr<MSComm> comm_;
    std::unique_ptr<UsbPrinterLocator> usbLocator_;
};

// `com read` and `usb read`: the record as config show prints it.
class DirectReadVerb : public DirectSettingsVerb {
protected:
    DirectReadVerb(QString name, QString summary, DirectTransport transport);

private:
    std::optional<int> prepare(const QCommandLineParser& parser, VerbContext& context) override;
    bool onlyShowsRecord() const override { return true; }
    int executeOnPrinter(const PrinterReading& printer, VerbContext& context) override;

    bool json_ = false;
    bool showSecrets_ = false;
};

// `com write` and `usb write`: the fields given, checked by the tools' rules,
// written back with the printer's other fields as it reported them, after the
// record as it was read is backed up (write_backup.h).
class DirectWriteVerb : public DirectSettingsVerb {
protected:
    DirectWriteVerb(QString name, QString summary, DirectTransport transport);

private:
    std::optional<int> prepare(const QCommandLineParser& parser, VerbContext& context) override;
    int executeOnPrinter(const PrinterReading& printer, VerbContext& context) override;

    std::vector<FieldChange> changes_;
    bool noBackup_ = false;
    bool dryRun_ = false;
    bool showSecrets_ = false;
    bool json_ = false;
    bool ssidNotSeenOk_ = false;
    WifiChecker wifi_;
    std::unique_ptr<FileSealer> sealer_;  // --encrypt-backups
};

}  // namespace quillmar::cli

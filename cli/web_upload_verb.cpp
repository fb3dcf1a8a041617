// quillmar-cli web upload ADDRESS MAC [ADDRESS MAC...] FILE | --map FILE.csv
// FILE [--password P] [--json]: puts a web image into modules by TFTP, as the
// configuration window's "Upload" does, several in parallel.
#include <memory>

#include "maintenance/image_kind.h"
#include "maintenance/tftp_client.h"
#include "maintenance/web_image_check.h"
#include "maintenance/web_messages.h"
#include "maintenance/web_threads.h"
#include "maintenance_verb_base.h"
#include "system_bytes.h"
#include "terminal_text.h"

namespace quillmar::cli {

namespace {

class WebUploadVerb final : public MaintenanceVerb {
public:
    WebUploadVerb()
        : MaintenanceVerb(QStringLiteral("web upload"), QStringLiteral("put a web image into modules by TFTP"),
                          Devices::Many)
    {
        addArgument(QStringLiteral("FILE"), QStringLiteral("the web image, as web build writes it"));
        addSessionOptions();
        setDetails(QStringLiteral("FILE must carry the web image's marks in its first 128 bytes. Connects to the\n"
                                  "module at ADDRESS, logs in and sends \"$SYCN\", closes that connection and\n"
                                  "writes FILE to UDP port %1 by TFTP: a write request with the file's name and\n"
                                  "its size (\"tsize\"), then 512-byte blocks, each acknowledged before the next\n"
                                  "and sent at most %2 times; the module answers from a port of its own. Exit\n"
                                  "status 0 with \"Upload finished\"; 1 for \"open file failed\", \"login to device\n"
                                  "failed\", \"send request failed\" and \"tftp put failed\" (and for a FILE that\n"
                                  "is no image, before anything is sent); 3 for \"connect to device failed 3\"\n"
                                  "and \"send command failed\". The password is the module's key text, as the\n"
                                  "configuration window uses it.\n"
                                  "\n")
                       .arg(kTftpPort)
                       .arg(kTftpTries)
                   + manyDevicesDetails() + QStringLiteral("\n\n") + sessionDetails());
    }

private:
    int ownArguments() const override { return 1; }

    std::optional<int> prepare(const QStringList& own, const QCommandLineParser&, MaintenanceRequest& request,
                               VerbContext& context) override
    {
        const QByteArray path = toSystemBytes(own.at(0));
        if (path.isEmpty())
            return usageError(context, QStringLiteral("file can't be blank"));
        if (const std::optional<QString> refusal = notAnImage(path, kWebImageName))
            return fail(context, kUsageError,
                        terminalText(path) + QStringLiteral(": ") + *refusal
                            + QStringLiteral("; the module is not contacted"));
        if (const std::optional<std::string> refusal = checkWebImageFile(path.toStdString()))
            return fail(context, kRefused,
                        terminalText(path) + QStringLiteral(": ") + QString::fromStdString(*refusal));
        request.filePath = path.toStdString();
        return std::nullopt;
    }

    std::optional<QByteArray> imagePath(const MaintenanceRequest& request) const override
    {
        return QByteArray::fromStdString(request.filePath);
    }

    MaintenanceThread* makeWorker(const MaintenanceRequest& request, SessionEnvironment environment,
                                  MaintenanceStatus status) const override
    {
        return new uploadThread(std::move(status), request, std::move(environment));
    }

    std::optional<OutcomeMessage> outcomeOf(int code) const override { return uploadOutcome(code); }

    void describe(QJsonObject& result, const MaintenanceRequest& request, const MaintenanceRun& run) const override
    {
        result.insert(QStringLiteral("file"), fromSystemBytes(QByteArray::fromStdString(request.filePath)));
        result.insert(QStringLiteral("blocksSent"), run.blocksSent);
        result.insert(QStringLiteral("blocks"), run.blocks);
    }

    QString successNote() const override { return QString(); }
    QString exceptionLine() const override { return QStringLiteral("uploadThread Exception"); }
};

}  // namespace

std::unique_ptr<Verb> makeWebUploadVerb()
{
    return std::make_unique<WebUploadVerb>();
}

}  // namespace quillmar::cli

// quillmar-cli web build DIR OUT.anf [--json]: a web image from the files of a
// directory, as the configuration window's "Convert" builds it, and what went
// into it.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include <memory>
#include <utility>

#include "maintenance/web_image_builder.h"
#include "maintenance/web_image_format.h"
#include "maintenance/web_messages.h"
#include "stop_signals.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "verb.h"

namespace quillmar::cli {

namespace {

QString systemText(const std::string& bytes)
{
    return fromSystemBytes(QByteArray::fromStdString(bytes));
}

// What the builder logs (the links it left out) goes to standard error as notes.
class NoteProgress final : public MaintenanceProgress {
public:
    NoteProgress(QTextStream& err, QString prefix) : err_(err), prefix_(std::move(prefix)) {}
    void log(const std::string& line) override
    {
        err_ << prefix_ << terminalText(QByteArray::fromStdString(line)) << '\n';
        err_.flush();
    }

private:
    QTextStream& err_;
    QString prefix_;
};

// The window's message for the build's code, and the file it came from: the
// window says "index.html not found" over any earlier failure, here the
// failure and its file come first.
QString failureText(const WebImageBuild& build)
{
    const auto message = [](int code) {
        const std::optional<OutcomeMessage> outcome = convertOutcome(code);
        return outcome ? QString::fromStdString(outcome->text) : QStringLiteral("stopped");
    };
    if (build.failedFile.empty())
        return message(build.code);
    QString text = message(build.failedCode) + QStringLiteral(": ") + terminalText(build.failedFile);
    if (build.code != build.failedCode)
        text += QStringLiteral("; ") + message(build.code);
    return text;
}

class WebBuildVerb final : public Verb {
public:
    WebBuildVerb()
        : Verb(QStringLiteral("web build"), QStringLiteral("build a module's web image (.anf) from a directory"))
    {
        addArgument(QStringLiteral("DIR"), QStringLiteral("the directory of web files"));
        addArgument(QStringLiteral("OUT.anf"), QStringLiteral("the image to write; its name ends in \".anf\""));
        addJsonOption(QStringLiteral("print what went into the image as one JSON object"));
        setDetails(QStringLiteral("Packs every file of DIR (not its subdirectories, nor earlier images ending in\n"
                                  "\".anf\") into one image, in the byte order of their names: each file as a\n"
                                  "ready-made HTTP response under \"/\" and its name, with its content type by\n"
                                  "extension (a file ending in \".plain\" is stored as it is). Names have at most\n"
                                  "13 characters, one file is \"index.html\", and the image holds at most %1\n"
                                  "bytes. Prints each entry's image address and sizes and the room left. OUT.anf\n"
                                  "is written beside itself and renamed into place only when it is complete, so\n"
                                  "a failed build leaves an earlier image as it was. A symbolic link is followed\n"
                                  "only to a file inside DIR; any other is left out, with a note on standard\n"
                                  "error. SIGINT (Ctrl-C), SIGTERM or SIGHUP stops the build and removes what it\n"
                                  "had written (exit status 130).")
                       .arg(kWebImageMaxBytes));
    }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) override
    {
        const QStringList arguments = parser.positionalArguments();
        const QByteArray source = toSystemBytes(arguments.at(0));
        const QByteArray output = toSystemBytes(arguments.at(1));
        struct stat status {};
        if (source.isEmpty() || ::stat(source.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
            return usageError(context, QStringLiteral("invalid source directory: %1").arg(terminalText(source)));
        if (!hasWebImageExtension(output.toStdString()))
            return usageError(
                context,
                QStringLiteral("invalid output file: %1 (the name ends in \".anf\")").arg(terminalText(output)));

        NoteProgress notes(context.err, messagePrefix());
        // Until the temporary image is renamed into place or removed, and the
        // outcome is written, a signal only stops the build: were the
        // signals' own actions back any sooner, a second Ctrl-C would end the
        // program before it said what became of the image.
        const StopSignals stops(StopSignals::Second::WaitsForRelease);
        const WebImageBuild build = buildWebImage(source.toStdString(), output.toStdString(), notes,
                                                  &StopSignals::flag());
        const int exitStatus = report(parser, output, build, stops.raised() && build.code != webbuild::kOk, context);
        context.out.flush();
        context.err.flush();
        return exitStatus;
    }

    int report(const QCommandLineParser& parser, const QByteArray& output, const WebImageBuild& build, bool stopped,
               VerbContext& context) const
    {
        if (stopped)
            return fail(context, kInterrupted, QStringLiteral("stopped before the end; no image was written"));
        if (build.code != webbuild::kOk)
            return fail(context, kRefused, failureText(build));
        const std::size_t free = kWebImageMaxBytes - build.imageBytes;
        if (jsonWanted(parser)) {
            QJsonArray entries;
            for (const WebImageEntry& entry : build.entries) {
                entries.append(QJsonObject{{QStringLiteral("name"), systemText(entry.name)},
                                           {QStringLiteral("address"), qint64(entry.address)},
                                           {QStringLiteral("fileBytes"), qint64(entry.fileBytes)},
                                           {QStringLiteral("responseBytes"), qint64(entry.responseBytes)},
                                           {QStringLiteral("recordBytes"), qint64(entry.recordBytes)}});
            }
            QJsonArray skipped;
            for (const std::string& link : build.skippedLinks)
                skipped.append(systemText(link));
            const QJsonObject result{{QStringLiteral("image"), fromSystemBytes(output)},
                                     {QStringLiteral("entries"), entries},
                                     {QStringLiteral("skippedLinks"), skipped},
                                     {QStringLiteral("imageBytes"), qint64(build.imageBytes)},
                                     {QStringLiteral("freeBytes"), qint64(free)}};
            context.out << QString::fromUtf8(QJsonDocument(result).toJson());
            return kSuccess;
        }
        context.out << QStringLiteral("%1  %2  %3  %4\n")
                           .arg(QStringLiteral("address"), -7)
                           .arg(QStringLiteral("entry"), -15)
                           .arg(QStringLiteral("file bytes"), 10)
                           .arg(QStringLiteral("record bytes"), 12);
        for (const WebImageEntry& entry : build.entries) {
            context.out << QStringLiteral("%1  %2  %3  %4\n")
                               .arg(entry.address, 7)
                               .arg(terminalText(entry.name), -15)
                               .arg(entry.fileBytes, 10)
                               .arg(entry.recordBytes, 12);
        }
        context.out << QStringLiteral("%1: %2 bytes, %3 bytes free of %4\n")
                           .arg(terminalText(output))
                           .arg(build.imageBytes)
                           .arg(free)
                           .arg(kWebImageMaxBytes);
        context.out << QStringLiteral("Convert finished\n");
        return kSuccess;
    }
};

}  // namespace

std::unique_ptr<Verb> makeWebBuildVerb()
{
    return std::make_unique<WebBuildVerb>();
}

}  // namespace quillmar::cli

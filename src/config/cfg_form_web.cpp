// The configuration window's web page tab: build a web image from a directory
// and upload an image to the window's module. The work is the maintenance
// layer's (web_image_builder.h, web_upload_steps.h); the window reads its
// boxes, checks them, starts the worker behind the progress window and tells
// the outcome.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "config/cfg_form.h"
#include "maintenance/image_kind.h"
#include "maintenance/maintenance_journal.h"
#include "maintenance/maintenance_result.h"
#include "maintenance/maintenance_starter.h"
#include "maintenance/session_tables.h"
#include "maintenance/upgrade_prg_form.h"
#include "maintenance/web_image_builder.h"
#include "maintenance/web_image_check.h"
#include "maintenance/web_messages.h"
#include "maintenance/web_threads.h"
#include "platform/local_addresses.h"
#include "ui/file_dialogs.h"
#include "ui/prompter.h"

namespace quillmar {
namespace {

std::string systemBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// A window opened without a main window reaches the system's tables with
// locks of its own; their messages go to standard error.
SessionEnvironment systemEnvironment()
{
    static SessionTables tables(nullptr, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    return tables.environment(IfaddrsAddressSource().read().addresses, {});
}

void tellOutcome(QWidget* window, const std::optional<OutcomeMessage>& message)
{
    if (!message)
        return;
    const bool finished = message->title == "Finished";
    prompter().show(window, Prompt{PromptKind::Box, QString::fromStdString(message->title),
                                   QString::fromStdString(message->text),
                                   finished ? PromptIcon::Information : PromptIcon::Warning, PromptButtons::Ok});
}

}  // namespace

void TcfgForm::connectWebHandlers()
{
    connect(srcDir_Btn, &QPushButton::clicked, this, &TcfgForm::srcDir_BtnClick);
    connect(outDir_Btn, &QPushButton::clicked, this, &TcfgForm::outDir_BtnClick);
    connect(convertBtn, &QPushButton::clicked, this, &TcfgForm::convertBtnClick);
    connect(bin_Btn, &QPushButton::clicked, this, &TcfgForm::bin_BtnClick);
    connect(uploadBtn, &QPushButton::clicked, this, &TcfgForm::uploadBtnClick);
}

int TcfgForm::runWebWorker(MaintenanceThread* worker, const std::shared_ptr<std::atomic<int>>& status)
{
    if (context_.runMaintenanceWorker)
        return context_.runMaintenanceWorker(worker, status);
    if (!webProgress_)
        webProgress_ = new TupgradePrgForm(this);
    return runBehindProgressWindow(worker, status, webProgress_, this, [this](const QString& line) { log(line); });
}

void TcfgForm::srcDir_BtnClick()
{
    const QString start = context_.webSourceDirectory ? *context_.webSourceDirectory : QString();
    const QString chosen = fileDialogs().existingDirectory(this, QStringLiteral("Select source directory"), start);
    if (!chosen.isEmpty())
        Edit_srcDir->setText(chosen);
}

void TcfgForm::outDir_BtnClick()
{
    const QString chosen = fileDialogs().saveFileName(
        this, FileDialogRequest{QStringLiteral("Save binary file..."), QStringLiteral("*.anf"), QStringLiteral("anf")});
    if (!chosen.isEmpty())
        Edit_outFile->setText(chosen);
}

void TcfgForm::convertBtnClick()
{
    const QString source = Edit_srcDir->text();
    if (source.isEmpty() || !QDir(source).exists()) {
        showError(this, QStringLiteral("invalid source directory"));
        return;
    }
    const QString output = Edit_outFile->text();
    if (!hasWebImageExtension(systemBytes(output))) {
        showError(this, QStringLiteral("invalid output file"));
        return;
    }
    if (context_.webSourceDirectory)
        *context_.webSourceDirectory = source;
    if (context_.webImagePath)
        *context_.webImagePath = output;

    convertStatus_ = std::make_shared<std::atomic<int>>(maintenance::kStillRunning);
    const int code = runWebWorker(new convertThread(convertStatus_, systemBytes(output), systemBytes(source)),
                                  convertStatus_);
    if (code == maintenance::kStillRunning)
        return;
    tellOutcome(this, convertOutcome(code));
    if (code == webbuild::kOk)
        Edit_bin->setText(output);
}

void TcfgForm::bin_BtnClick()
{
    // The images this window builds end in ".anf"; ".bin" is offered as well.
    const QString chosen = fileDialogs().openFileName(
        this, FileDialogRequest{QStringLiteral("Open binary file..."), QStringLiteral("*.bin *.anf"), QString()});
    if (!chosen.isEmpty())
        Edit_bin->setText(chosen);
}

void TcfgForm::uploadBtnClick()
{
    const QString path = Edit_bin->text();
    if (const std::optional<QString> refusal = notAnImage(QByteArray::fromStdString(systemBytes(path)),
                                                          kWebImageName)) {
        showError(this, *refusal);
        return;
    }
    if (const std::optional<std::string> refusal = checkWebImageFile(systemBytes(path))) {
        showError(this, QString::fromStdString(*refusal));
        return;
    }
    if (!confirm(this, QStringLiteral("Are you sure to upload this file?")))
        return;
    if (context_.webImagePath)
        *context_.webImagePath = path;

    MaintenanceRequest request;
    request.deviceIp = openedIp_;
    request.deviceMac = openedMac_;
    request.password = openedKey_;
    request.filePath = systemBytes(path);
    SessionEnvironment environment = context_.sessionEnvironment ? context_.sessionEnvironment() : systemEnvironment();
    const std::optional<AuditImage> image = imageOfFile(QByteArray::fromStdString(request.filePath));
    if (image)
        log(imageLine(*image));
    uploadStatus_ = std::make_shared<std::atomic<int>>(maintenance::kStillRunning);
    const int code = runWebWorker(new uploadThread(uploadStatus_, request, std::move(environment)), uploadStatus_);
    if (code == maintenance::kStillRunning)
        return;
    const QString verdict = outcomeVerdict(uploadOutcome(code));
    journalMaintenance(QStringLiteral("web upload"), request, image, verdict,
                       [this](const QString& line) { log(line); });
    // Every write has its line in the main window's log, success included.
    log(QStringLiteral("Web upload to %1: %2").arg(QString::fromStdString(openedIp_), verdict.simplified()));
    tellOutcome(this, uploadOutcome(code));
}

}  // namespace quillmar

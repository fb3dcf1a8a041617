// The configuration window's files: export of the validated record to a ".bin"
// file, and import of settings from a "$S" key file into the controls.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "config/cfg_form.h"
#include "config/configuration_export.h"
#include "config/import_target.h"
#include "config/key_file_import.h"
#include "ui/file_dialogs.h"
#include "ui/form_helpers.h"
#include "ui/ip_address_edit.h"
#include "ui/prompter.h"

namespace quillmar {

namespace {

// The export's questions and messages, in the window's message boxes.
class FormExportPrompts final : public ExportPrompts {
public:
    explicit FormExportPrompts(QWidget* window) : window_(window) {}

    bool confirmOverwrite() override
    {
        return prompter().show(window_,
                               Prompt{PromptKind::Box, QString::fromLatin1(kOverwriteTitle),
                                      QString::fromLatin1(kOverwriteQuestion), PromptIcon::None, PromptButtons::YesNo})
               == PromptAnswer::Yes;
    }

    void showAnotherNameNotice() override
    {
        prompter().show(window_, Prompt{PromptKind::Box, QString::fromLatin1(kAnotherNameTitle),
                                        QString::fromLatin1(kAnotherNameText), PromptIcon::None, PromptButtons::Ok});
    }

    void showError(const QString& text) override { quillmar::showError(window_, text); }

private:
    QWidget* window_;
};

}  // namespace

// What a key file sets, applied to the window's controls. The address controls
// the window does not create (subnet mask, gateway, UDP remote, DNS) keep the
// interface's empty defaults.
class FormImportTarget final : public ImportTarget {
public:
    explicit FormImportTarget(TcfgForm& form) : f(form) {}

    void setModelName(const QString& text) override { f.Edit_devName->setText(text); }
    void selectSerialBaud(const QString& text) override { selectItemEqualTo(f.CmbBox_sBaud, text); }
    void selectSerialFormat(const QString& text) override { selectItemEqualTo(f.CmbBox_sDataFormat, text); }
    void selectSerialFlow(const QString& text) override { selectItemEqualTo(f.CmbBox_sFlowCtrl, text); }
    void selectSerialInterface(const QString& text) override { selectItemEqualTo(f.CmbBox_sSI, text); }

    void setPackingSwitches(bool delimiterOn, bool timeoutOn, bool lengthOn) override
    {
        f.CkBox_dpStr->setChecked(delimiterOn);
        setEditUsableOrEmpty(f.Edit_dpStr0, delimiterOn);
        setEditUsableOrEmpty(f.Edit_dpStr1, delimiterOn);
        f.CkBox_dpTmout->setChecked(timeoutOn);
        setEditUsableOrEmpty(f.Edit_dpTmout, timeoutOn);
        f.CkBox_dpLen->setChecked(lengthOn);
        setEditUsableOrEmpty(f.Edit_dpLen, lengthOn);
    }

    void setDelimiterTexts(const QString& first, const QString& second) override
    {
        f.Edit_dpStr0->setText(first);
        f.Edit_dpStr1->setText(second);
    }

    void setPackingTimeout(const QString& text) override { f.Edit_dpTmout->setText(text); }
    void setPackingLength(const QString& text) override { f.Edit_dpLen->setText(text); }

    void setIpMode(bool dhcp) override
    {
        selectItem(f.CmbBox_ipcfg, dhcp ? 1 : 0);
        if (IpAddressEdit* address = f.moduleAddressControl())
            address->setEnabled(!dhcp);
    }

    void setModuleAddress(quint32 controlValue) override { setAddress(f.moduleAddressControl(), controlValue); }

    void selectTcpWindowIndex(int index) override
    {
        if (f.configBlock().flag(ConfigField::HasTcpWindow) != 0)
            f.CmbBox_ws->setCurrentIndex(index);
    }

    void selectOperationMode(const QString& itemText) override { selectItemEqualTo(f.CmbBox_opmode, itemText); }
    void showUdpPanel() override { f.Panel_udp->setVisible(true); }
    void setListenPort(const QString& text) override { f.Edit_listenPort->setText(text); }

    void setConnectionTimeoutOn(bool on) override
    {
        for (QCheckBox* box : {f.ChkBox_tmout, f.ChkBox_tmoutC, f.ChkBox_tmoutDNS})
            box->setChecked(on);
        for (QLineEdit* edit : {f.Edit_connTmout, f.Edit_connTmoutC, f.Edit_connTmoutDNS})
            setEditUsableOrEmpty(edit, on);
    }

    void setConnectionTimeouts(const QString& text) override
    {
        for (QLineEdit* edit : {f.Edit_connTmout, f.Edit_connTmoutC, f.Edit_connTmoutDNS})
            edit->setText(text);
    }

    void setUdpRemotePort(const QString& text) override { f.Edit_udpRport->setText(text); }
    void setUdpLocalPort(const QString& text) override { f.Edit_udpLport->setText(text); }

    void setClientPort(const QString& text) override
    {
        f.Edit_clientPort->setText(text);
        f.Edit_clientPortDNS->setText(text);
    }

    void setClientRemoteAddress(quint32 controlValue) override
    {
        setAddress(f.clientRemoteAddressControl(), controlValue);
    }

    void setClientHostName(const QString& text) override
    {
        f.Edit_tcpcHost->setText(text);
        f.Edit_ipReport->clear();
    }

    void setIpFilterOn(bool on) override
    {
        f.ChkBox_IPFen->setChecked(on);
        f.ChkBox_IPFenClick();
    }

    void setIpFilterStart(quint32 controlValue) override { setAddress(f.filterStartControl(), controlValue); }
    void setIpFilterEnd(quint32 controlValue) override { setAddress(f.filterEndControl(), controlValue); }

private:
    // A control that could not be created at show time takes nothing.
    static void setAddress(IpAddressEdit* control, quint32 value)
    {
        if (control)
            control->setValue(value);
    }

    TcfgForm& f;
};

void TcfgForm::connectFileHandlers()
{
    connect(exportBtn, &QPushButton::clicked, this, &TcfgForm::exportBtnClick);
    connect(importBtn, &QPushButton::clicked, this, &TcfgForm::importBtnClick);
}

void TcfgForm::exportBtnClick()
{
    if (checkBeforeSave() != 0)
        return;
    const QString fileName = fileDialogs().saveFileName(
        this, FileDialogRequest{QString::fromLatin1(kExportDialogTitle), QString::fromLatin1(kExportFileFilter),
                                QString::fromLatin1(kExportDefaultSuffix)});
    if (fileName.isEmpty())
        return;
    if (exportData(fileName) == 0) {
        prompter().show(this, Prompt{PromptKind::Box, QString::fromLatin1(kExportFinishedTitle),
                                     QString::fromLatin1(kExportFinishedText), PromptIcon::None, PromptButtons::Ok});
    }
}

int TcfgForm::exportData(const QString& fileName)
{
    FormExportPrompts prompts(this);
    return quillmar::exportData(fileName, block_, prompts);
}

void TcfgForm::importBtnClick()
{
    const QString fileName = fileDialogs().openFileName(
        this, FileDialogRequest{QString::fromLatin1(kImportDialogTitle), QString::fromLatin1(kImportFileFilter), {}});
    if (fileName.isEmpty())
        return;
    importData(fileName);
}

int TcfgForm::importData(const QString& fileName)
{
    FormImportTarget target(*this);
    const ImportOutcome outcome = importKeyFile(fileName, target);
    switch (outcome.status) {
    case ImportStatus::Read:
        break;
    case ImportStatus::FileMissing:
    case ImportStatus::OpenFailed:
    case ImportStatus::ReadFailed:
        showError(this, outcome.message);
        break;
    case ImportStatus::ConversionFailed:
        log(QStringLiteral("importData"));
        showException(this, outcome.message);
        break;
    }
    return outcome.result();
}

}  // namespace quillmar

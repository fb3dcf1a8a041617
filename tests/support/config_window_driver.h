#pragma once
// Opens a configuration window for a test and finds its controls by name; the
// window's message boxes and file dialogs are answered by the test.
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/cfg_form.h"
#include "record/device_entry.h"
#include "record/program_flags.h"
#include "support/recording_prompter.h"
#include "support/sample_devices.h"
#include "support/scripted_file_dialogs.h"
#include "support/wait_until.h"

namespace quillmar::test {

// A Wi-Fi module as the search finds it.
inline DeviceEntry wifiModule(const std::string& address)
{
    return kitchenPrinter(address);
}

// A window's control by its object name (nullptr when there is none).
template <typename T> T* controlIn(const QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

class ConfigWindowDriver {
public:
    // The windows' exchange is what most tests are about: the question that
    // shows a save's changes first is off until a test clicks it on
    // (ChkBox_preview); the program's own setting comes back afterwards.
    ConfigWindowDriver() : previewWas_(TcfgForm::previewBeforeSave())
    {
        programFlags() = ProgramFlags{};
        TcfgForm::setPreviewBeforeSave(false);
    }
    ~ConfigWindowDriver() { TcfgForm::setPreviewBeforeSave(previewWas_); }
    ConfigWindowDriver(const ConfigWindowDriver&) = delete;
    ConfigWindowDriver& operator=(const ConfigWindowDriver&) = delete;

    TcfgForm& open(const ConfigBlock& block)
    {
        ConfigWindowContext context;
        context.defaultModelName = "RX4100 WI-FI";
        context.releaseDevice = [this](const std::string& mac) { released.push_back(mac); };
        context.log = [this](const QString& line) { logLines << line; };
        if (adjustContext)
            adjustContext(context);
        windows.push_back(std::make_unique<TcfgForm>(block, context));
        windows.back()->show();
        return *windows.back();
    }
    TcfgForm& open(const DeviceEntry& entry) { return open(ConfigBlock(entry)); }
    TcfgForm& form() { return *windows.back(); }

    template <typename T> T* control(const char* name) { return controlIn<T>(form(), name); }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
    QPushButton* button(const char* name) { return control<QPushButton>(name); }
    QString label(const char* name) { return control<QLabel>(name)->text(); }

    // Changes the context of the windows opened from now on.
    std::function<void(ConfigWindowContext&)> adjustContext;
    RecordingPrompter prompter;
    ScriptedFileDialogs dialogs;
    std::vector<std::unique_ptr<TcfgForm>> windows;
    std::vector<std::string> released;
    QStringList logLines;

private:
    bool previewWas_;
};

}  // namespace quillmar::test

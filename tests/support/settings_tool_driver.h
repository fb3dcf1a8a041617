#pragma once
// Opens a COM-port or USB settings tool for a test, finds its controls by name
// and drives them with real clicks and key presses. Messages are recorded, log
// lines collected, and the working directory is the test's own.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>
#include <string>

#include "record/device_entry.h"
#include "record/field_names.h"
#include "record/program_flags.h"
#include "support/config_home.h"
#include "support/recording_prompter.h"
#include "support/sample_devices.h"
#include "support/sim_fields.h"
#include "support/temp_directory.h"
#include "tools/settings_tool_context.h"
#include "tools/settings_tool_form.h"
#include "tools/settings_tool_rules.h"
#include "ui/radio_group.h"

namespace quillmar::test {

template <typename Window> class SettingsToolDriver {
public:
    SettingsToolDriver()
    {
        programFlags() = ProgramFlags{};
        settingsToolState() = SettingsToolState{};
    }

    // A new window, shown: its read on showing has ended when this returns.
    Window& open(const DirectSettingsTiming& timing = {})
    {
        SettingsToolContext context;
        context.workingDirectory = directory.path();
        context.log = [this](const QString& line) { logLines << line; };
        context.timing = timing;
        adjust(context);
        windows.push_back(std::make_unique<Window>(context));
        QSignalSpy read(windows.back().get(), &SettingsToolForm::exchangeFinished);
        windows.back()->show();
        read.wait(15000);
        return *windows.back();
    }
    Window& window() { return *windows.back(); }

    template <typename T> T* control(const char* name) { return window().template findChild<T*>(QLatin1String(name)); }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
    QString text(const char* name) { return edit(name)->text(); }
    RadioGroup* group(const char* name) { return control<RadioGroup>(name); }

    void click(const char* button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    void clickItem(const char* groupName, int item)
    {
        QRadioButton* button = group(groupName)->button(item);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
    }
    // Moves a closed choice box to `item` with the arrow keys, as a user would.
    void choose(const char* boxName, int item)
    {
        auto* box = control<QComboBox>(boxName);
        while (box->currentIndex() != item)
            QTest::keyClick(box, box->currentIndex() < item ? Qt::Key_Down : Qt::Key_Up);
    }
    // The same to the port COMn, wherever the list has it (ports that are
    // there come first).
    void choosePort(int port)
    {
        const int item = control<QComboBox>("ComBox_com")->findData(port);
        ASSERT_GE(item, 0) << "COM" << port;
        choose("ComBox_com", item);
    }

    TempDirectory directory;
    // Where the tool keeps what its start directory does not have.
    ScopedConfigHome config;
    RecordingPrompter prompter;
    QStringList logLines;
    std::function<void(SettingsToolContext&)> adjust = [](SettingsToolContext&) {};
    std::vector<std::unique_ptr<Window>> windows;
};

}  // namespace quillmar::test

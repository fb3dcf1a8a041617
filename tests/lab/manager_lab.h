#pragma once
// The save lab with the manager in it: the PC's namespace entered by the test
// thread, the model chooser's choices made (the Wi-Fi family), and the main
// window whose first search lists the lab's module.
#include <QTableView>

#include <memory>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "config/cfg_form.h"
#include "lab/save_lab.h"
#include "record/program_flags.h"
#include "support/config_window_driver.h"
#include "support/view_clicks.h"

namespace quillmar::test {

class ManagerLabTest : public SaveLabTest {
protected:
    void SetUp() override
    {
        SaveLabTest::SetUp();
        if (!labIsUp())
            return;
        programFlags() = ProgramFlags{};
        programFlags().usbToolFlag = 1;
        programFlags().printerFamily = 2;
    }

    void TearDown() override
    {
        mainForm.reset();
        pc.reset();
        SaveLabTest::TearDown();
    }

    void enterPc()
    {
        pc = std::make_unique<LabNetwork::PcScope>(*lab);
        ASSERT_TRUE(pc->entered());
        ASSERT_TRUE(LabNetwork::PcScope::seesOnlyTheLabPc());
    }

    // The main window, once its first search has listed one module; null
    // when it did not within a minute.
    TmainForm* showManager()
    {
        createSharedWindows();
        mainForm = std::make_unique<TmainForm>();
        mainForm->show();
        if (!waitUntil([&] { return !mainForm->searching() && mainForm->deviceListModel()->rowCount() == 1; }, 60000))
            return nullptr;
        return mainForm.get();
    }

    // A user's double-click on the listed row: its configuration window.
    TcfgForm* doubleClickTheRow()
    {
        doubleClickItem(controlIn<QTableView>(*mainForm, "deviceListView"), mainForm->deviceListModel()->index(0, 0));
        return mainForm->findChild<TcfgForm*>();
    }

    std::unique_ptr<LabNetwork::PcScope> pc;
    std::unique_ptr<TmainForm> mainForm;
};

}  // namespace quillmar::test

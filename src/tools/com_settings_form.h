#pragma once
// TForm1: reads and changes the network and Wi-Fi settings of a printer on a
// COM port. The port and the baud choice are remembered in "COMSET.DAT" and
// "BAUDSET.DAT"; the settings are read as the window is shown.
#include "tools/settings_tool_form.h"

namespace quillmar {

class TForm1 : public SettingsToolForm {
    Q_OBJECT
public:
    explicit TForm1(SettingsToolContext context);

public slots:
    void FormShow();
    void Button5Click();
    void Button2Click();

protected:
    void refuseSave(const QString& message) override;
    void showEvent(QShowEvent* event) override;
};

}  // namespace quillmar

#pragma once
// TForm2: reads and changes the network and Wi-Fi settings of a printer on USB.
// The settings are read as the window is shown; after a save a waiting
// indicator counts the seconds the printer needs to take them, and its end
// says the save is done. A save that fails ends the count with its error.
#include "tools/settings_tool_form.h"

class QTimer;

namespace quillmar {

class TForm2 : public SettingsToolForm {
    Q_OBJECT
public:
    explicit TForm2(SettingsToolContext context);

    int waitingCount() const { return waitingCount_; }
    // The text of the USB device: the printer's serial number, or "None".
    QString usbDeviceText() const;

public slots:
    void FormCreate();
    void FormShow();
    void Button5Click();
    void Button2Click();
    void Timer1Timer();

protected:
    void refuseSave(const QString& message) override;
    void showEvent(QShowEvent* event) override;

private:
    // The waiting count ends: the timer stops and its label goes.
    void stopWaiting();
    // "USB printer QM0369-0001", or nothing when no printer was found.
    static QString printerName(const QString& device);

    QLabel* Label18 = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* Image1 = nullptr;
    QTimer* Timer1 = nullptr;
    int waitingCount_ = 0;
    // The printer the running count's save was written to; told at its end.
    QString savedTo_;
};

}  // namespace quillmar

#pragma once
// TupgradePrgForm: the modal window every maintenance worker runs behind: the
// step it is at, a bar, and "Cancel". During a firmware download the bar shows
// how many blocks of how many have been sent. Created once at start-up and
// reused.
#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quillmar {

class TupgradePrgForm : public QDialog {
    Q_OBJECT
public:
    explicit TupgradePrgForm(QWidget* parent = nullptr);

    // The state a worker starts from: no text, the bar at 10 and one step on.
    void prepareForWorker();

    QString labelText() const;
    int barPosition() const;

    // Names the printer the run is for ("Counter1, 00-1F-7C-00-00-01,
    // 192.0.2.10") above the step and in the title; empty names none.
    void setDeviceText(const QString& device);
    QString deviceText() const;

    // Asked when the user closes the window ("Cancel", Escape, the close box):
    // false keeps it open. Empty: it always closes. The window is shared, so
    // whoever sets a check clears it when its run ends.
    void setCancelCheck(std::function<bool()> mayClose);

public slots:
    void setLabelText(const QString& text);
    void setBarPosition(int position);
    // One step (10); past the end the bar starts again from the beginning.
    void stepBar();
    // Moves the bar on by `delta`, stopping at its end.
    void advanceBar(int delta);
    void showBlocksSent(qint64 sent, qint64 total);
    // The worker's end: close the window if it is still up.
    void closeIfVisible();
    void cancelBtnClick();
    void reject() override;

private:
    // The controls' places, one line lower while a printer is named.
    void arrange();

    std::function<bool()> mayClose_;
    bool asking_ = false;
    QLabel* Label_device = nullptr;
    QLabel* prgMsg = nullptr;
    QProgressBar* prgBar = nullptr;
    QPushButton* cancelBtn = nullptr;
};

}  // namespace quillmar

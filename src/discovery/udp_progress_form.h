#pragma once
// The small modal window a search shows while it runs: a text, a bar and
// "Cancel". Created once at start-up and reused by every search.
#include <QDialog>
#include <chrono>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quillmar {

// Every close waits this long before the window goes, so that a second click
// cannot reach a command behind it at once.
inline constexpr std::chrono::milliseconds kProgressClosePause{1500};

class TudpPrgForm : public QDialog {
    Q_OBJECT
public:
    explicit TudpPrgForm(QWidget* parent = nullptr);

    // Tests shorten the close pause.
    void setClosePause(std::chrono::milliseconds pause) { closePause_ = pause; }
    std::chrono::milliseconds closePause() const { return closePause_; }

    // The state a search starts from: no text, the bar below the text at 20.
    void prepareForSearch();

    QString labelText() const;
    int barPosition() const;

public slots:
    void setLabelText(const QString& text);
    void setBarPosition(int position);
    void stepBar();
    // The worker's end: close the window if it is still up.
    void closeIfVisible();
    void cancelBtnClick();

signals:
    // The progress text changed (for anyone following a search's steps).
    void messageChanged(const QString& text);

public:
    void done(int result) override;

private:
    QLabel* prgMsg = nullptr;
    QProgressBar* prgBar = nullptr;
    QPushButton* cancelBtn = nullptr;
    std::chrono::milliseconds closePause_ = kProgressClosePause;
    bool closing_ = false;
};

}  // namespace quillmar

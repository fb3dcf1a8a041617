#pragma once
// The program's first window: the user picks the printer family to manage.
#include <QWidget>
#include <functional>
#include <memory>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace quillmar {

class ProgramLauncher;

class TForm3 : public QWidget {
    Q_OBJECT
public:
    // `launcher` starts the sibling programs (not owned; the real one when null).
    explicit TForm3(const QString& workingDirectory, ProgramLauncher* launcher = nullptr, QWidget* parent = nullptr);
    ~TForm3() override;

    // Called when the user confirms a family this program manages: it creates and
    // shows a new main window.
    void setMainWindowOpener(std::function<void()> opener) { openMainWindow_ = std::move(opener); }

public slots:
    void FormShow();
    void RadioGroup1Click();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
    // Draws the logo and writes a remembered choice back once the window has
    // been painted.
    void paintEvent(QPaintEvent* event) override;
    // OK is the default button: Enter presses it wherever the focus is.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString choiceFilePath() const;
    int selectedItem() const;
    // The flags and the hidden label of the selected item.
    bool applySelection();
    void storeChoice();

    QString workingDirectory_;
    std::unique_ptr<ProgramLauncher> ownLauncher_;
    ProgramLauncher* launcher_ = nullptr;
    std::function<void()> openMainWindow_;
    // The choice read at show is written again, as a click writes it, but only
    // after the first paint: the file already holds it, and a synced write
    // need not hold up the program's first window.
    bool rewriteAfterPaint_ = false;

    QLabel* Image1 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* radioItems_ = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
};

}  // namespace quillmar

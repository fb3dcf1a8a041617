#include "tools/model_chooser_form.h"

#include <QButtonGroup>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/program_launcher.h"
#include "platform/settings_file.h"
#include "record/program_flags.h"
#include "tools/model_choice.h"
#include "ui/logo.h"
#include "ui/prompter.h"

namespace quillmar {
namespace {

// The hidden label's design-time caption: nothing has been chosen.
const QString kNoChoice = QStringLiteral("Label1");

}  // namespace

TForm3::TForm3(const QString& workingDirectory, ProgramLauncher* launcher, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      workingDirectory_(workingDirectory), launcher_(launcher)
{
    if (!launcher_) {
        ownLauncher_ = std::make_unique<ProcessLauncher>();
        launcher_ = ownLauncher_.get();
    }
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral(" Quillmar LAN/WI-FI Printer Manager v1.12"));
    setFixedSize(528, 359);

    // The logo is drawn once the window is on the screen (see paintEvent):
    // its own fonts and shapes need not hold up the first paint.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 8, 305, 59);

    RadioGroup1 = new QGroupBox(QStringLiteral("Printer Model Name :"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    QFont bold = RadioGroup1->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    RadioGroup1->setFont(bold);
    RadioGroup1->setGeometry(24, 84, 480, 200);
    auto* items = new QVBoxLayout(RadioGroup1);
    radioItems_ = new QButtonGroup(this);
    for (int i = 0; i < kModelChoiceCount; ++i) {
        auto* item = new QRadioButton(QString::fromLatin1(modelChoiceItems()[i].text), RadioGroup1);
        item->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
        radioItems_->addButton(item, i);
        items->addWidget(item);
    }
    connect(radioItems_, &QButtonGroup::idClicked, this, &TForm3::RadioGroup1Click);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(216, 304, 96, 32);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);

    Label1 = new QLabel(kNoChoice, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->hide();
    Label2 = new QLabel(QStringLiteral("v1.12"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    // Red and bold through the palette and font: a style sheet would bring up
    // Qt's style sheet engine before the first window is painted.
    QPalette red = Label2->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label2->setPalette(red);
    QFont boldLabel = Label2->font();
    boldLabel.setBold(true);
    Label2->setFont(boldLabel);
    Label2->hide();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm3::~TForm3() = default;

QString TForm3::choiceFilePath() const
{
    return settingsFilePath(workingDirectory_, QString::fromLatin1(kModelChoiceFile));
}

int TForm3::selectedItem() const
{
    return radioItems_->checkedId();
}

void TForm3::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormShow();
}

void TForm3::keyPressEvent(QKeyEvent* event)
{
    // A default button works in a dialog; this is the program's first window.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && plain) {
        Button1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm3::FormShow()
{
    const std::optional<char> digit = readModelChoice(choiceFilePath());
    if (!digit)
        return;
    Label1->setText(QString(QLatin1Char(*digit)));
    const int item = modelChoiceItemForDigit(QLatin1Char(*digit));
    if (item >= 0) {
        radioItems_->button(item)->setChecked(true);
        rewriteAfterPaint_ = applySelection();
    }
}

void TForm3::RadioGroup1Click()
{
    if (!applySelection())
        return;
    rewriteAfterPaint_ = false;
    storeChoice();
}

bool TForm3::applySelection()
{
    const int item = selectedItem();
    if (item < 0)
        return false;
    applyModelChoice(item, programFlags());
    Label1->setText(QString(QLatin1Char(modelChoiceItems()[item].digit)));
    return true;
}

void TForm3::storeChoice()
{
    if (!writeModelChoice(settingsFileToWrite(workingDirectory_, QString::fromLatin1(kModelChoiceFile)),
                          Label1->text()))
        showStopError(this, QStringLiteral("Can't save default com port setting !!"));
}

void TForm3::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (Image1->pixmap().isNull())
        QTimer::singleShot(0, this, [this] {
            if (Image1->pixmap().isNull())
                Image1->setPixmap(quillmarLogo());
        });
    if (!rewriteAfterPaint_)
        return;
    // After this paint has reached the screen; a click in between has written
    // the file itself and cleared the flag.
    QTimer::singleShot(0, this, [this] {
        if (!rewriteAfterPaint_)
            return;
        rewriteAfterPaint_ = false;
        storeChoice();
    });
}

void TForm3::Button1Click()
{
    if (Label1->text() == kNoChoice) {
        showInformationDialog(this, QStringLiteral("Please Select Printer Model !"));
        return;
    }
    const int item = selectedItem();
    if (const std::optional<SiblingStart> sibling = siblingStart(item, programFlags(), workingDirectory_)) {
        // A sibling that fails to start is not reported; this program ends all the same.
        launcher_->startDetached(sibling->program, sibling->arguments, workingDirectory_);
        close();
        return;
    }
    hide();
    if (openMainWindow_)
        openMainWindow_();
}

}  // namespace quillmar

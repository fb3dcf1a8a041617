#include "discovery/search_ip_dialog.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "record/address_range.h"
#include "record/ipv4_text.h"
#include "ui/ip_address_edit.h"
#include "ui/prompter.h"

namespace quillmar {
namespace {

constexpr int kDialogWidth = 219;
constexpr int kDialogHeight = 190;
constexpr std::uint32_t kAnyAddress = 0x00000000u;
constexpr std::uint32_t kLimitedBroadcast = 0xFFFFFFFFu;

}  // namespace

// A dialog border: a close box, nothing to minimise or maximise.
TsIPDlg::TsIPDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("sIPDlg"));
    setWindowTitle(QStringLiteral("Search by Dialog"));
    setModal(true);
    setFixedSize(kDialogWidth, kDialogHeight);

    GrpBox_ip = new QGroupBox(QStringLiteral("Input IP address"), this);
    GrpBox_ip->setObjectName(QStringLiteral("GrpBox_ip"));
    GrpBox_ip->setGeometry(8, 8, 201, 65);

    GrpBox_range = new QGroupBox(QStringLiteral("or an address range"), this);
    GrpBox_range->setObjectName(QStringLiteral("GrpBox_range"));
    GrpBox_range->setGeometry(8, 80, 201, 58);
    Edit_range = new QLineEdit(GrpBox_range);
    Edit_range->setObjectName(QStringLiteral("Edit_range"));
    Edit_range->setGeometry(12, 24, 177, 21);
    Edit_range->setPlaceholderText(QStringLiteral("192.0.2.0/24 or A-B"));
    Edit_range->setToolTip(QStringLiteral("A network (192.0.2.0/24) or a range (192.0.2.10-192.0.2.60), at most a "
                                          "/20: each of its addresses is asked, 200 a second"));
    connect(Edit_range, &QLineEdit::textChanged, this, &TsIPDlg::Edit_rangeChange);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(24, 153, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(120, 153, 75, 25);
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &TsIPDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TsIPDlg::CancelBtnClick);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TsIPDlg::showEvent(QShowEvent* event)
{
    // A fresh, empty input every time the dialog is shown.
    delete address_edit_;
    address_edit_ = new IpAddressEdit(GrpBox_ip);
    address_edit_->setObjectName(QStringLiteral("ipAddress"));
    address_edit_->setGeometry(40, 24, 125, 21);
    address_edit_->clear();
    address_edit_->show();
    Edit_range->clear();
    // Made last, the input would come after the buttons on Tab.
    setTabOrder(address_edit_, Edit_range);
    setTabOrder(Edit_range, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    QDialog::showEvent(event);
    address_edit_->octetEdit(0)->setFocus();
}

// A range replaces the one address: its input is off while a range is typed.
void TsIPDlg::Edit_rangeChange(const QString& text)
{
    if (address_edit_)
        address_edit_->setEnabled(text.trimmed().isEmpty());
}

void TsIPDlg::OKBtnClick()
{
    state_ = Checking;
    address_.clear();
    if (const QString typed = Edit_range->text().trimmed(); !typed.isEmpty()) {
        std::string error;
        const std::optional<AddressRange> range = parseAddressRange(typed.toStdString(), error);
        if (!range) {
            showError(this, QStringLiteral("invalid address range: ") + QString::fromStdString(error));
            return;
        }
        address_ = QString::fromStdString(range->text());
        state_ = Accepted;
        accept();
        return;
    }
    const std::uint32_t value = address_edit_ ? address_edit_->value() : kAnyAddress;
    if (value == kAnyAddress || value == kLimitedBroadcast) {
        showError(this, QStringLiteral("invalid IP address"));
        return;
    }
    address_ = QString::fromStdString(formatIpv4(value));
    state_ = Accepted;
    accept();
}

void TsIPDlg::CancelBtnClick()
{
    state_ = Cancelled;
    reject();
}

void TsIPDlg::keyPressEvent(QKeyEvent* event)
{
    // Escape is the Cancel button.
    if (event->key() == Qt::Key_Escape) {
        CancelBtnClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TsIPDlg::done(int result)
{
    // After a refused OK the dialog stays until a valid OK or Cancel.
    if (state_ == Checking)
        return;
    state_ = Cancelled;
    QDialog::done(result);
}

}  // namespace quillmar

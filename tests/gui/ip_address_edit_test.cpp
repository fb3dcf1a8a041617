#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

#include "ui/ip_address_edit.h"

using namespace quillmar;

TEST(IpAddressEdit, ValueCarriesTheFirstNumberInTheTopByte)
{
    IpAddressEdit edit;
    edit.setValue(0xC0000201u);
    EXPECT_EQ(edit.octetEdit(0)->text(), QStringLiteral("192"));
    EXPECT_EQ(edit.octetEdit(3)->text(), QStringLiteral("1"));
    EXPECT_EQ(edit.value(), 0xC0000201u);
}

TEST(IpAddressEdit, EmptyReadsAsZeroAndTypedOctetsAreKept)
{
    IpAddressEdit edit;
    EXPECT_TRUE(edit.isBlank());
    EXPECT_EQ(edit.value(), 0u);
    edit.octetEdit(0)->setText(QStringLiteral("10"));
    EXPECT_FALSE(edit.isBlank());
    EXPECT_EQ(edit.value(), 0x0A000000u);
    edit.clear();
    EXPECT_TRUE(edit.isBlank());
}

TEST(IpAddressEdit, OctetsRefuseValuesAboveTwoFiftyFive)
{
    IpAddressEdit edit;
    QLineEdit* octet = edit.octetEdit(1);
    int position = 0;
    QString text = QStringLiteral("300");
    EXPECT_NE(octet->validator()->validate(text, position), QValidator::Acceptable);
    text = QStringLiteral("255");
    EXPECT_EQ(octet->validator()->validate(text, position), QValidator::Acceptable);
}

TEST(IpAddressEdit, AnAddressTypedStraightThroughFillsTheFourBoxes)
{
    IpAddressEdit edit;
    edit.show();
    edit.octetEdit(0)->setFocus();
    for (const QChar c : QStringLiteral("192.0.2.11")) {
        QWidget* target = edit.focusWidget() ? edit.focusWidget() : edit.octetEdit(0);
        const int key = c == QLatin1Char('.') ? int(Qt::Key_Period) : int(Qt::Key_0) + c.digitValue();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
    }
    EXPECT_EQ(edit.value(), 0xC000020Bu);
    EXPECT_EQ(edit.octetEdit(1)->text(), QStringLiteral("0"));
}

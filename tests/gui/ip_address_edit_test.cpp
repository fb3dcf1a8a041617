#include <gtest/gtest.h>

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

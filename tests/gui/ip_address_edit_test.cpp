#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
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

TEST(IpAddressEdit, AWholeAddressTypedIntoTheBoxGivesExactlyThatAddress)
{
    enum class Entry { Tab, Program };
    const struct {
        Entry entry;
        std::uint32_t held;  // 0: the box is empty
        const char* typed;
        std::uint32_t expected;
    } cases[] = {
        {Entry::Tab, 0xC0000214u, "198.51.100.11", 0xC633640Bu},      // over 192.0.2.20
        {Entry::Program, 0xC0000214u, "198.51.100.11", 0xC633640Bu},  // the box given focus by its window
        {Entry::Tab, 0u, "198.51.100.11", 0xC633640Bu},
        {Entry::Program, 0u, "192.0.2.11", 0xC000020Bu},
        {Entry::Tab, 0xC0A864C8u, "10.1.2.3", 0x0A010203u},  // short numbers over 192.168.100.200
        {Entry::Tab, 0x0A010203u, "203.0.113.254", 0xCB0071FEu},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        QWidget window;
        auto* before = new QLineEdit(&window);
        auto* edit = new IpAddressEdit(&window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(before);
        layout->addWidget(edit);
        if (c.held)
            edit->setValue(c.held);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        if (c.entry == Entry::Tab) {
            before->setFocus();
            QTest::keyClick(before, Qt::Key_Tab);
        } else {
            edit->setFocus();
        }
        ASSERT_EQ(QApplication::focusWidget(), edit->octetEdit(0));
        // Each key goes to whichever box has focus at the time, as from a keyboard.
        QTest::keyClicks(static_cast<QWidget*>(nullptr), QString::fromLatin1(c.typed));
        EXPECT_EQ(edit->value(), c.expected) << QStringLiteral("%1.%2.%3.%4")
                                                    .arg(edit->octetEdit(0)->text(), edit->octetEdit(1)->text(),
                                                         edit->octetEdit(2)->text(), edit->octetEdit(3)->text())
                                                    .toStdString();
    }
}

// Shift+Tab leaves the box from any of its four numbers, to the control
// before it, as Tab leaves it to the one after.
TEST(IpAddressEdit, ShiftTabLeavesTheBoxFromAnyOfItsNumbers)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QLineEdit(&window);
    before->setObjectName(QStringLiteral("before"));
    auto* edit = new IpAddressEdit(&window);
    auto* after = new QLineEdit(&window);
    layout->addWidget(before);
    layout->addWidget(edit);
    layout->addWidget(after);
    window.show();
    QApplication::setActiveWindow(&window);
    for (int number = 0; number < 4; ++number) {
        QLineEdit* octet = edit->octetEdit(number);
        QTest::mouseClick(octet, Qt::LeftButton);
        ASSERT_TRUE(octet->hasFocus()) << number;
        QTest::keyClick(octet, Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_TRUE(before->hasFocus()) << number << " "
                                        << (QApplication::focusWidget()
                                                ? QApplication::focusWidget()->objectName().toStdString()
                                                : std::string("none"));
        QTest::mouseClick(octet, Qt::LeftButton);
        QTest::keyClick(octet, Qt::Key_Tab);
        EXPECT_TRUE(after->hasFocus()) << number;
    }
}

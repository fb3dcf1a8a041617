#pragma once
// Four-octet IPv4 input. Its value carries the first number in the top byte; an
// empty box reads as 0. Like the system's address control it is one Tab stop
// (Tab enters the first number and leaves after it; '.', the third digit and
// the arrow keys move between the numbers) drawn as one edit box, which shows
// focus while any of its numbers has it. Shift+Tab leaves it from any number.
#include <QWidget>
#include <array>
#include <cstdint>

class QLineEdit;

namespace quillmar {

class IpAddressEdit : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    std::uint32_t value() const;
    void setValue(std::uint32_t address);
    void clear();
    // True when no octet box holds any digit.
    bool isBlank() const;

    QLineEdit* octetEdit(int index) const { return octets_.at(index); }

signals:
    void valueChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void moveTo(int index, bool atEnd);

    std::array<QLineEdit*, 4> octets_{};
    // The box the third digit of the one before moved to, until the next key
    // there, a click or focus leaving it; -1 otherwise.
    int movedOnTo_ = -1;
};

}  // namespace quillmar

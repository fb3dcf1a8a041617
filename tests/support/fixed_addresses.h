#pragma once
// The PC's addresses as a test sets them, for windows that read the local
// address table.
#include <initializer_list>

#include "platform/local_addresses.h"

namespace quillmar::test {

class FixedAddresses final : public LocalAddressSource {
public:
    FixedAddresses() = default;
    FixedAddresses(std::initializer_list<LocalAddress> addresses) : reading{0, addresses} {}

    LocalAddressReading read() override { return reading; }

    LocalAddressReading reading;
};

}  // namespace quillmar::test

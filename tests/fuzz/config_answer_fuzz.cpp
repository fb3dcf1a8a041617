// Answers on the configuration port while a save runs: datagrams of any
// length from the module, from the address it is probed at, or from anyone
// else, before and after the probe, then the deciding tick. Only a record (the
// first 256 bytes of a datagram at least that long) from the module the
// exchange talks to may fill the window or keep the save from being confirmed.
//
// Input: one byte, the ticks before the datagrams (low five bits); then
// datagrams, each a sender byte (0 the module, 1 the probed address, 2 another
// host, 3 the module's address written with leading zeros), a 16-bit length
// and its bytes.
#include "config/save_exchange.h"
#include "fuzz/fuzz_support.h"
#include "record/single_byte_text.h"
#include "record/wifi_choices.h"

using namespace quillmar;

namespace {

const QString kModule = QStringLiteral("192.0.2.10");
const QString kProbed = QStringLiteral("192.0.2.20");
const QString kStranger = QStringLiteral("198.51.100.7");
const QString kModuleZeros = QStringLiteral("192.000.002.010");

// What the window does with an answered record, without its widgets: the
// texts as its boxes take them and the encryption choice its rules derive.
class WindowLikeHost final : public SaveExchangeHost {
public:
    void sendDatagram(const QString&, quint16, const QByteArray&) override { ++sent; }
    void showStatus(const QString&) override {}
    void showAnswerState(const QString&) override {}
    void showAnsweredRecord(const DeviceEntry& answer) override
    {
        ++answered;
        lastAnswer = answer;
        for (const FieldLayout& layout : deviceFieldLayout())
            FUZZ_CHECK(fromSingleByte(answer.text(layout.field)).size() <= qsizetype(layout.width));
        const std::string auth = answer.text(DeviceField::AuthMode);
        (void)encryTypeItemsFor(auth);
        (void)coversWpaKey(fittedEncryText(auth, answer.text(DeviceField::EncryType)));
    }
    void saveConfirmed() override { ++confirmed; }
    void saveUnconfirmed() override { ++unconfirmed; }
    void readUnanswered() override { FUZZ_CHECK(false); }  // the save starts without its read
    void sendRefused(const QString&) override { FUZZ_CHECK(false); }

    int sent = 0;
    int answered = 0;
    int confirmed = 0;
    int unconfirmed = 0;
    DeviceEntry lastAnswer;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ensureCoreApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ensureCoreApplication();
    fuzz::ByteReader input(data, size);
    WindowLikeHost host;
    SaveExchange exchange(host);
    DeviceEntry record;
    record.setText(DeviceField::ModelName, "RX7000 WI-FI");
    record.setText(DeviceField::IpAddress, kProbed.toStdString());
    exchange.setTargetAddress(kModule);
    FUZZ_CHECK(exchange.startSave(record, kProbed));
    FUZZ_CHECK(host.sent == 2);

    const int ticksBefore = input.byte() & 0x1F;
    for (int i = 0; i < ticksBefore && exchange.isRunning(); ++i)
        exchange.tick();
    const bool probeSent = exchange.probeSent();
    const bool decidedBefore = host.confirmed + host.unconfirmed > 0;

    bool moduleAnsweredProbe = false;
    while (!input.empty()) {
        const int sender = input.byte() % 4;
        const std::string bytes = input.bytes(input.word());
        const QByteArray datagram(bytes.data(), qsizetype(bytes.size()));
        const QString& from = sender == 0 ? kModule : sender == 1 ? kProbed : sender == 2 ? kStranger : kModuleZeros;
        const int answeredBefore = host.answered;
        exchange.answerReceived(datagram, from);

        const bool whole = bytes.size() >= kDeviceEntrySize;
        const bool fromModule = probeSent ? sender == 1 : sender == 0 || sender == 3;
        if (!probeSent) {
            FUZZ_CHECK(host.answered == answeredBefore + (whole && fromModule ? 1 : 0));
            if (host.answered != answeredBefore)
                FUZZ_CHECK(host.lastAnswer == DeviceEntry::fromBytes(bytes.data(), kDeviceEntrySize));
        } else {
            FUZZ_CHECK(host.answered == answeredBefore);
            moduleAnsweredProbe = moduleAnsweredProbe || (whole && fromModule);
        }
    }
    FUZZ_CHECK(exchange.answerState()
               == QLatin1String(moduleAnsweredProbe ? SaveExchange::kAnswered : SaveExchange::kNoAnswer));

    // On to the deciding tick: a module that answered its probe keeps the save
    // unconfirmed, one that stayed silent confirms it.
    for (int i = 0; i < 40 && exchange.isRunning() && host.confirmed + host.unconfirmed == 0; ++i)
        exchange.tick();
    if (!decidedBefore)
        FUZZ_CHECK(host.confirmed == (moduleAnsweredProbe ? 0 : 1));
    exchange.stop();
    return 0;
}

#pragma once
// "Save to Module" over UDP as a state machine without widgets or sockets. The
// module is asked for its record first: a module that does not answer gets
// nothing, since the verdict below cannot tell a module that took the save from
// one that was never there. Then the module gets the save header and the
// record; about half a minute later the exchange decides whether the module
// took them: a module that stores a new configuration restarts and stops
// answering at its old address, so a read request (the probe) sent there at
// tick 19 that is still unanswered at tick 31 means the save went through, and
// one that is answered means it was not confirmed. Either way the save ends
// there with its verdict.
//
// Each configuration window owns one SaveExchange, with its own destination,
// tick counter, probe flag and timer: one window's save never advances, answers
// or redirects another's, and a window that closes stops its own timer (stop()).
// Only a whole record from the module the exchange talks to counts as its
// answer: from the destination before the probe, from the probed address after.
// An exchange may also go without a timer of its own, when one driver saves to
// many modules on one shared timeline and calls tick() on each (ExternalTicks).
//
// The window (or the command line) implements SaveExchangeHost and forwards its
// events: the button to readThenSave/requestRead, datagrams arriving on the
// local port 6000 (config/config_port.h) to answerReceived. A send the endpoint refuses ends the save and is
// handed to the host (sendRefused), so no caller has to guard the timer.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <chrono>

#include <functional>
#include <optional>

#include "config/config_port.h"
#include "record/device_entry.h"
#include "record/module_protocol.h"

namespace quillmar {

// The timer of the save exchange ticks once a second.
inline constexpr std::chrono::milliseconds kSaveTickInterval{1000};
// How long a module has to answer a read request.
inline constexpr std::chrono::milliseconds kReadAnswerWait{2000};
// The save header and the read request as the endpoint sends them.
inline const QByteArray kSaveHeader(reinterpret_cast<const char*>(kSaveHeaderBytes.data()),
                                    qsizetype(kSaveHeaderBytes.size()));
inline const QByteArray kReadRequest(reinterpret_cast<const char*>(kRecordRequestBytes.data()),
                                     qsizetype(kRecordRequestBytes.size()));

// Ticks of the exchange, by the counter's value when the tick arrives.
inline constexpr int kProbeTick = 18;     // the probe goes out; the counter becomes 19
inline constexpr int kSilentTick = 25;    // the counter becomes 26, nothing else
inline constexpr int kDecidingTick = 30;  // the verdict: "NG" confirmed, "OK" not confirmed

inline constexpr char kSaveConfirmed[] = "Save to Module OK";
inline constexpr char kSaveNotConfirmed[] = "Save to Module not confirmed";

// Shown (error dialog) instead of saving when an octet field is empty.
inline constexpr char kIpInputFormatError[] = "IP input format error !";

class SaveExchangeHost {
public:
    virtual ~SaveExchangeHost() = default;
    // One datagram to `address`:`port` from the local port 6000 (NMUDP1:
    // RemoteHost, RemotePort, LocalPort, SendDatagram). A refused send throws;
    // the exchange keeps what it did before the send and skips what follows.
    virtual void sendDatagram(const QString& address, quint16 port, const QByteArray& datagram) = 0;
    // The status line (Label53).
    virtual void showStatus(const QString& text) = 0;
    // The answer state "NG" / "OK" (the hidden Label55).
    virtual void showAnswerState(const QString& state) = 0;
    // A save begins (with its read): the "ReFresh" button (Button1) is disabled.
    virtual void saveStarting() {}
    // Both save datagrams went out: "Save to Module" and "Abort" are disabled.
    virtual void saveSent() {}
    // A record arrived before the probe: the boxes show its fields (the IP
    // address excepted, the WPA key only when not empty); the block is unchanged.
    virtual void showAnsweredRecord(const DeviceEntry& answer) = 0;
    // The deciding tick found no answer to the probe: "Save to Module OK" is on
    // the status line; "Abort" becomes "Exit" and is enabled.
    virtual void saveConfirmed() = 0;
    // The deciding tick found the module still answering at its old address:
    // "Save to Module not confirmed" is on the status line and the save has ended.
    virtual void saveUnconfirmed() = 0;
    // The read that opens a save had no answer within the wait: only the read
    // request was sent, and the save has ended.
    virtual void readUnanswered() = 0;
    // The endpoint refused a datagram (`reason` is its message). A save in
    // progress has already been stopped, so it will not be reported saved.
    virtual void sendRefused(const QString& reason) = 0;
};

class SaveExchange : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kNoAnswer = "NG";
    static constexpr const char* kAnswered = "OK";

    // With a timer of its own, named "Timer1".
    explicit SaveExchange(SaveExchangeHost& host, std::chrono::milliseconds tickInterval = kSaveTickInterval,
                          QObject* parent = nullptr);
    // Driven by a timer the window already has (its Timer1); the timer's
    // interval is left as the window set it.
    SaveExchange(SaveExchangeHost& host, QTimer& timer, QObject* parent = nullptr);
    // Driven by whoever owns the exchange calling tick(): nothing is started or
    // stopped but the exchange's own counter, so many exchanges can share one
    // timer without one's end stopping the others.
    struct ExternalTicks {};
    SaveExchange(SaveExchangeHost& host, ExternalTicks, QObject* parent = nullptr);

    // Where saves and reads go: the module's address as the window was shown
    // with it, and after a confirmed save the address that was saved.
    void setTargetAddress(const QString& address) { targetAddress_ = address; }
    const QString& targetAddress() const { return targetAddress_; }
    // Where the probe of tick 19 goes (and answers after it must come from).
    const QString& probeAddress() const { return probeAddress_; }

    // Turns the module's answer to the opening read (any datagram from the
    // target) into the record to save; nothing ends the save there, after the
    // planner has told its host why.
    using SavePlanner = std::function<std::optional<DeviceEntry>(const QByteArray& answer)>;

    // "Save to Module": the read request to the target address, then, once the
    // module answered and `planner` gave a record, startSave with it. No answer
    // within the read wait ends the save through readUnanswered. False when the
    // read request was refused.
    bool readThenSave(const QString& probeAddress, SavePlanner planner);
    // The save itself: counter and probe flag reset, timer started, the header
    // and `record` sent to the target address; `probeAddress` is where the probe
    // goes (the module's address before this save). Returns false when a send
    // was refused (the host has heard why and the exchange is stopped).
    bool startSave(const DeviceEntry& record, const QString& probeAddress);
    bool startSave(const DeviceEntry& record, const QString& targetAddress, const QString& probeAddress);
    // How long the opening read waits (kReadAnswerWait unless set).
    void setReadWait(std::chrono::milliseconds wait);
    // "ReFresh": a read request to the target address; false when refused.
    bool requestRead();
    // One timer tick; does nothing while the exchange is not running.
    void tick();
    // A datagram on the local port 6000 (NMUDP1DataReceived). Ignored unless it
    // is a whole record from the module this exchange talks to.
    void answerReceived(const QByteArray& datagram, const QString& fromAddress);
    // A datagram on the second endpoint (NMUDP2DataReceived).
    void secondEndpointAnswered();
    // The window closes: its timer stops and no later tick touches anything.
    void stop();

    // From the opening read to the verdict.
    bool isRunning() const { return phase_ != Phase::Idle; }
    // The planner has the module's answer (it may be asking the user).
    bool isPlanning() const { return phase_ == Phase::Planning; }
    // Waiting for the answer to the opening read.
    bool isReading() const { return phase_ == Phase::Reading; }
    int saveTicks() const { return saveTicks_; }
    bool probeSent() const { return probeSent_; }
    const QString& answerState() const { return answerState_; }
    // Not for an exchange with ExternalTicks, which has no timer.
    QTimer& timer() { return *timer_; }

    // "Waiting." .. "Waiting...." for the counter modulo 4 = 0 .. 3.
    static QString waitingText(int ticks);

private:
    // Planning: the answer to the opening read is with the planner, which may
    // ask the user; another copy of the answer must not plan a second save.
    enum class Phase { Idle, Reading, Planning, Saving };

    void setStatus(const QString& text);
    void setAnswerState(const QString& state);
    static bool isFrom(const QString& expected, const QString& fromAddress);
    bool isFromModule(const QByteArray& datagram, const QString& fromAddress) const;
    // Sends through the host; a refusal stops the exchange and goes to the host.
    bool send(const QString& address, const QByteArray& datagram);
    void readAnswered(const QByteArray& answer);
    void readTimedOut();
    // The deciding tick: the save ends with its verdict.
    void decide();

    SaveExchangeHost& host_;
    QTimer* timer_ = nullptr;  // none with ExternalTicks
    QTimer readTimer_;
    SavePlanner planner_;
    Phase phase_ = Phase::Idle;
    int saveTicks_ = 0;
    bool probeSent_ = false;
    QString targetAddress_;
    QString probeAddress_;
    QString savedAddress_;
    QString answerState_;
    QByteArray readAnswer_;  // the answer the save started from
};

}  // namespace quillmar

#pragma once
// One TCP session with a device's command port: reaching the device through
// each local interface in turn (a temporary neighbour entry and host route make
// it reachable even on a foreign subnet), the log-in and one command, and the
// release of everything the session set up. A session lives inside one worker
// run; it releases itself when it goes, whatever happened.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "maintenance/host_table_helpers.h"
#include "maintenance/maintenance_progress.h"
#include "maintenance/maintenance_request.h"
#include "maintenance/maintenance_timing.h"
#include "platform/local_addresses.h"
#include "record/login_token.h"
#include "record/module_protocol.h"

namespace quillmar {

inline constexpr int kMaxReplyBytes = 128;
inline constexpr std::size_t kMaxPasswordBytes = 8;

// What a reply line came to, when it gave no payload length.
inline constexpr int kReplyReceiveFailed = -1;
inline constexpr int kReplyNotFramed = -2;  // not one '%' ... CR LF line
inline constexpr int kReplyTimedOut = -3;   // no reply in two waits, the line sent twice

// One receive from the command port read as a reply line: '%', the payload,
// CR LF. The payload's length, its text up to its first NUL in `reply`;
// kReplyNotFramed when the bytes are not one framed line (`reply` is then empty).
int parseReplyLine(const char* bytes, std::size_t length, std::string& reply);
// Whether the device's answer to "$LOG" lets the session go on.
bool isLoginAccepted(const std::string& reply);

// What a worker lends its session; nothing here is owned by the session.
struct SessionEnvironment {
    std::vector<LocalAddress> localAddresses;  // the main window's table
    HostTableHelpers* tables = nullptr;
    MaintenanceProgress* progress = nullptr;
    const std::atomic<bool>* stopRequested = nullptr;
    MaintenanceTiming timing;
    // Asked just before the upgrade tells the device to hand over to its
    // serial loader, where a stop leaves it: false when the worker was told to
    // stop first, and nothing is sent then. Empty: the stop request decides.
    std::function<bool()> enterHandOver = nullptr;
};

class DeviceSession {
public:
    // The password is taken only `withPassword` (the upgrade logs in without).
    DeviceSession(const MaintenanceRequest& request, bool withPassword, SessionEnvironment environment);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // 0, or the code that must stop the worker before anything is sent: the
    // tables may not be changed (kMissingPrivilege, with the remedy logged), or
    // QUILLMAR_LOGIN_KEY is unusable where a password needs it (kBadLoginKey).
    int checkPrerequisites();

    // 0 with a connected socket, -1 (address 0), -2 (stopped) or -3.
    int reachDevice();
    // 0, -5 or -6 (also when the command could not be sent; its reply is not
    // looked at); -2 when the worker was told to stop before the command. `commandSteps`: the bar steps and "send command..." around
    // the command, as the reboot shows them. `mayCommand`, asked once the
    // log-in is accepted: false ends with -2 before the command is sent.
    int loginAndCommand(const char* line, int length, bool commandSteps = false,
                        const std::function<bool()>& mayCommand = {});
    // Closes the socket; removes the host route and neighbour entry when the
    // session holds them. Safe to call more than once.
    void releaseDevice();
    // Closes the TCP connection alone: the web upload's TFTP transfer still
    // needs the route and neighbour entry, until releaseDevice.
    void closeConnection() { closeSocket(); }

    // 0 or -1; the socket stays non-blocking.
    int connectDevice();
    // The reply's payload length, or kReplyReceiveFailed, kReplyNotFramed,
    // kReplyTimedOut, kLineNotSent (no send put the whole line out; nothing
    // is awaited then) or kStoppedWaiting (the worker was told to stop while
    // it waited).
    int exchangeLine(const char* command, int length, std::string& reply);
    static constexpr int kLineNotSent = -4;
    static constexpr int kStoppedWaiting = -5;

    std::uint32_t deviceAddress() const { return deviceAddress_; }
    int interfacePosition() const { return interfacePosition_; }
    bool hasSocket() const { return socket_ >= 0; }

private:
    // How often a wait for a reply looks at the stop request.
    static constexpr std::chrono::milliseconds kStopCheck{50};

    bool stopRequested() const;
    // Up to the reply wait for the socket to be readable: 1, 0 (time up), -1
    // (poll failed) or kStoppedWaiting.
    int waitForReply();
    void closeSocket();
    void removeTableEntries();

    SessionEnvironment environment_;
    std::uint32_t deviceAddress_ = 0;  // network byte order
    MacBytes deviceMac_{};
    std::string password_;
    LoginKey key_ = kLoginKey;
    int socket_ = -1;
    int sendError_ = 0;  // errno of the send that failed
    int interfacePosition_ = -1;
    // A neighbour entry (and maybe the route) of this session is in the tables:
    // after a connection until release, or while an interface is tried when
    // something throws.
    bool entriesHeld_ = false;
    // The neighbour entry of the interface being tried or connected, and the
    // PC's own entry it replaced.
    NeighbourHold neighbour_;
};

}  // namespace quillmar

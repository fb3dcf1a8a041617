#include "maintenance/device_session.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

#include "maintenance/device_address.h"
#include "maintenance/maintenance_result.h"
#include "record/module_protocol.h"

namespace quillmar {
namespace {

constexpr int kMacTextLength = 17;

}  // namespace

DeviceSession::DeviceSession(const MaintenanceRequest& request, bool withPassword, SessionEnvironment environment)
    : environment_(std::move(environment)), deviceAddress_(parseDeviceAddress(request.deviceIp, false))
{
    macstr2bytes(std::string_view(request.deviceMac).substr(0, kMacTextLength), deviceMac_);
    if (withPassword)
        password_ = request.password.substr(0, kMaxPasswordBytes);
}

DeviceSession::~DeviceSession()
{
    releaseDevice();
}

int DeviceSession::checkPrerequisites()
{
    if (!environment_.tables->mayChangeTables()) {
        environment_.progress->log(missingPrivilegeText());
        return maintenance::kMissingPrivilege;
    }
    if (!password_.empty()) {
        const std::optional<LoginKey> key = loginKey();
        if (!key) {
            environment_.progress->log(std::string(kLoginKeyVariable) + " must be 32 hexadecimal digits");
            return maintenance::kBadLoginKey;
        }
        key_ = *key;
    }
    return 0;
}

bool DeviceSession::stopRequested() const
{
    return environment_.stopRequested && environment_.stopRequested->load();
}

int DeviceSession::reachDevice()
{
    MaintenanceProgress& progress = *environment_.progress;
    HostTableHelpers& tables = *environment_.tables;
    progress.setText("connect to device...");
    if (deviceAddress_ == 0)
        return maintenance::kNoDeviceOrSerialPort;
    const int count = static_cast<int>(environment_.localAddresses.size());
    progress.setBarPosition(kPrgBarMaximum / ((count + 1) * 2));
    for (interfacePosition_ = 0; interfacePosition_ < count; ++interfacePosition_) {
        if (stopRequested())
            return maintenance::kStopped;
        const LocalAddress& local = environment_.localAddresses[static_cast<std::size_t>(interfacePosition_)];
        if (tables.addNeighbourEntry(deviceAddress_, deviceMac_, local.interfaceIndex, neighbour_) != 0)
            continue;
        entriesHeld_ = true;
        if (tables.addHostRoute(deviceAddress_, htonl(local.address), local.interfaceIndex) != 0) {
            tables.deleteNeighbourEntries(neighbour_);
            entriesHeld_ = false;
            continue;
        }
        if (connectDevice() == 0)
            return 0;
        removeTableEntries();
    }
    return maintenance::kNotConnected;
}

// The route goes first: while it exists without the pinned neighbour entry,
// any packet to the device would make the kernel add an entry of its own that
// nothing removes.
void DeviceSession::removeTableEntries()
{
    environment_.tables->deleteHostRoute(deviceAddress_, neighbour_.interfaceIndex);
    environment_.tables->deleteNeighbourEntries(neighbour_);
    entriesHeld_ = false;
}

int DeviceSession::connectDevice()
{
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (socket_ < 0)
        return -1;
    ::fcntl(socket_, F_SETFL, ::fcntl(socket_, F_GETFL) | O_NONBLOCK);
    sockaddr_in device{};
    device.sin_family = AF_INET;
    device.sin_port = htons(kCommandPort);
    device.sin_addr.s_addr = deviceAddress_;
    // A non-blocking connect normally reports "in progress" first; a second
    // call a pause later reports "already connected" when the device accepted.
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        environment_.progress->stepBar();
        if (::connect(socket_, reinterpret_cast<const sockaddr*>(&device), sizeof device) == 0 || errno == EISCONN)
            return 0;
        std::this_thread::sleep_for(environment_.timing.connectPause);
    }
    closeSocket();
    return -1;
}

int DeviceSession::waitForReply()
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + environment_.timing.replyWait;
    for (;;) {
        // A stop is looked at while the device keeps the session waiting.
        if (stopRequested())
            return kStoppedWaiting;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0)
            return 0;
        pollfd readable{socket_, POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(std::min(left, kStopCheck).count()));
        if (ready != 0)
            return ready;
    }
}

int DeviceSession::exchangeLine(const char* command, int length, std::string& reply)
{
    reply.clear();
    int timeouts = 0;
    bool sent = false;
    for (;;) {
        // A line sent again after a timeout may meet a device that is already
        // restarting; once one send put the whole line out, the device has it.
        const ssize_t written = ::send(socket_, command, static_cast<std::size_t>(length), MSG_NOSIGNAL);
        sent = sent || written == length;
        if (!sent) {
            sendError_ = written < 0 ? errno : 0;
            return kLineNotSent;
        }
        const int ready = waitForReply();
        if (ready == kStoppedWaiting)
            return kStoppedWaiting;
        if (ready > 0)
            break;
        if (++timeouts >= kLineReplyWaits)
            return kReplyTimedOut;
    }
    char buffer[kMaxReplyBytes] = {};
    const ssize_t received = ::recv(socket_, buffer, sizeof buffer, 0);
    if (received <= 0)
        return kReplyReceiveFailed;
    return parseReplyLine(buffer, static_cast<std::size_t>(received), reply);
}

int parseReplyLine(const char* bytes, std::size_t length, std::string& reply)
{
    reply.clear();
    if (length < 3 || bytes[0] != '%' || bytes[length - 1] != '\n' || bytes[length - 2] != '\r')
        return kReplyNotFramed;
    reply.assign(bytes + 1, ::strnlen(bytes + 1, length - 3));
    return static_cast<int>(length - 3);
}

bool isLoginAccepted(const std::string& reply)
{
    return std::string_view(reply).starts_with(kLoginAccepted);
}

int DeviceSession::loginAndCommand(const char* line, int length, bool commandSteps,
                                   const std::function<bool()>& mayCommand)
{
    MaintenanceProgress& progress = *environment_.progress;
    progress.setText("login to device...");
    std::string reply;
    int result;
    if (password_.empty()) {
        result = exchangeLine(kLoginLine.data(), static_cast<int>(kLoginLine.size()), reply);
    } else {
        const std::string login = std::string(kLoginLinePrefix) + loginToken(password_, key_) + std::string(kLineEnd);
        result = exchangeLine(login.data(), static_cast<int>(login.size()), reply);
    }
    // A stop during the log-in sends no command, whatever the device said.
    if (result == kStoppedWaiting || stopRequested())
        return maintenance::kStopped;
    if (result <= 0)
        return maintenance::kLoginFailed;
    if (!isLoginAccepted(reply))
        return maintenance::kLoginRefused;
    if (mayCommand && !mayCommand())
        return maintenance::kStopped;
    if (commandSteps) {
        progress.stepBar();
        progress.setText("send command...");
    }
    // The device may already be on its way to the command's effect (a reboot,
    // its loader) and never answer; that is not a failure. A command that
    // never left the PC is.
    if (exchangeLine(line, length, reply) == kLineNotSent) {
        progress.log("command " + std::string(line, std::strcspn(line, "\r\n")) + " not sent"
                     + (sendError_ != 0 ? std::string(": ") + std::strerror(sendError_) : std::string()));
        return maintenance::kLoginFailed;
    }
    if (commandSteps)
        progress.stepBar();
    return 0;
}

void DeviceSession::closeSocket()
{
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

void DeviceSession::releaseDevice()
{
    closeSocket();
    if (entriesHeld_)
        removeTableEntries();
}

}  // namespace quillmar

#include "maintenance/maintenance_steps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "maintenance/loader_exchange.h"
#include "maintenance/maintenance_result.h"
#include "maintenance/serial_line.h"
#include "record/module_protocol.h"

namespace quillmar {
namespace {

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

constexpr char kWakeLoader[] = {char(kCan), char(kCan), '\r'};

// The firmware image: a regular file that can be read and is not empty.
// Its size, or -1 with the reason logged. Opened without waiting and looked
// at before it is read, whatever its name, so that a FIFO or a device never
// holds the worker.
long openFirmware(const std::string& path, File& file, MaintenanceProgress& progress)
{
    const auto refuse = [&](const std::string& why) {
        progress.log("firmware file " + path + ": " + why);
        file.reset();
        return -1L;
    };
    file.reset();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return refuse(std::strerror(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return refuse(std::strerror(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return refuse("not a regular file");
    }
    file.reset(::fdopen(fd, "rb"));
    if (!file) {
        const int error = errno;
        ::close(fd);
        return refuse(std::strerror(error));
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return refuse(std::strerror(errno));
    const long size = std::ftell(file.get());
    if (size <= 0 || std::fseek(file.get(), 0, SEEK_SET) != 0)
        return refuse("empty");
    return size;
}

}  // namespace

int runRebootSteps(const MaintenanceRequest& request, const SessionEnvironment& environment)
{
    DeviceSession session(request, true, environment);
    if (const int refused = session.checkPrerequisites())
        return refused;
    if (const int reached = session.reachDevice())
        return reached;
    const int result = session.loginAndCommand(kRebootLine.data(), static_cast<int>(kRebootLine.size()), true);
    // The device restarts on its own; what the session put in the PC's tables
    // must not stay behind.
    session.releaseDevice();
    return result;
}

int runUpgradeSteps(const MaintenanceRequest& request, const SessionEnvironment& environment)
{
    using namespace maintenance;
    MaintenanceProgress& progress = *environment.progress;
    // A device with a password refuses "$LOG" alone; the command line can
    // give the password, the manager's request leaves it empty.
    DeviceSession session(request, true, environment);
    if (!request.printerInLoader) {
        if (const int refused = session.checkPrerequisites())
            return refused;
    }

    progress.setText("initialize serial port...");
    SerialLine line(environment.stopRequested, environment.timing.serialCollect, environment.timing.serialWriteWait);
    const std::string path = serialDevicePath(request.portName);
    if (path.empty()) {
        progress.log("serial port name \"" + request.portName + "\" is not COM1, COM2, ...");
        return kNoDeviceOrSerialPort;
    }
    if (const int error = line.open(path)) {
        progress.log("serial port " + request.portName + " (" + path + "): " + std::strerror(error));
        return kNoDeviceOrSerialPort;
    }

    File file;
    const long size = openFirmware(request.filePath, file, progress);
    if (size < 0)
        return kOpenFileFailed;

    if (request.printerInLoader) {
        // Two CANs end a transfer a stop left open; a carriage return brings
        // the menu the exchange waits for.
        progress.setText("wake serial loader...");
        if (line.writeSerial(kWakeLoader, sizeof kWakeLoader) <= 0)
            return kSerialFailed;
        return serialLoaderExchange(line, file.get(), size, environment.timing.xmodem, progress,
                                    environment.stopRequested);
    }

    // A stop that comes while the log-in is awaited must not let "$SYCS" go:
    // the device would be left in its loader by a user who stopped before.
    const auto handOver = [&environment] {
        if (environment.enterHandOver)
            return environment.enterHandOver();
        return !(environment.stopRequested && environment.stopRequested->load());
    };
    int result = session.reachDevice();
    if (result == kOk)
        result = session.loginAndCommand(kLoaderLine.data(), static_cast<int>(kLoaderLine.size()), false, handOver);
    if (result == kOk)
        result = serialLoaderExchange(line, file.get(), size, environment.timing.xmodem, progress,
                                      environment.stopRequested);
    session.releaseDevice();
    return result;
}

}  // namespace quillmar

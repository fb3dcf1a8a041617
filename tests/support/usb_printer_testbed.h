#pragma once
// USB printers for a test that runs under umockdev-wrapper: the usblp devices
// are laid out in a umockdev test bed ($UMOCKDEV_DIR, which the preloaded
// library puts in place of /sys and /dev for this process) as the kernel lays
// them out, and each printer's node is a pseudo-terminal whose other side a
// thread of this object drives with the simulator's settings responder.
//
// The preloaded library connects every device it opens in the test bed to an
// ioctl socket ($UMOCKDEV_DIR/ioctl/_default, which libumockdev's own test bed
// would serve) and ends the process when there is none; this object serves it
// and lets every request run on the real descriptor. One test bed at a time.
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "settings_responder.h"
#include "support/pseudo_terminal.h"

namespace quillmar::test {

inline bool underUmockdev()
{
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "umockdev");
}

class UsbPrinterTestbed {
public:
    struct Printer {
        std::string vendor;
        std::string product;
        std::string serial;
        sim::SettingsPrinter settings;
    };

    UsbPrinterTestbed()
    {
        char dir[] = "/tmp/quillmar-umockdev-XXXXXX";
        if (!::mkdtemp(dir))
            return;
        root_ = dir;
        std::filesystem::create_directories(root_ / "sys/class/usbmisc");
        std::filesystem::create_directories(root_ / "dev/usb");
        std::filesystem::create_directories(root_ / "ioctl");
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (root_ / "ioctl/_default").c_str());
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
            || ::listen(listener_, 16) != 0) {
            root_.clear();
            return;
        }
        ::setenv("UMOCKDEV_DIR", root_.c_str(), 1);
        thread_ = std::thread([this] { serve(); });
    }

    ~UsbPrinterTestbed()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ::unsetenv("UMOCKDEV_DIR");
        for (const int connection : ioctlConnections_)
            ::close(connection);
        if (listener_ >= 0)
            ::close(listener_);
        std::error_code ignored;
        if (!root_.empty())
            std::filesystem::remove_all(root_, ignored);
    }

    UsbPrinterTestbed(const UsbPrinterTestbed&) = delete;
    UsbPrinterTestbed& operator=(const UsbPrinterTestbed&) = delete;

    bool ready() const { return !root_.empty(); }

    enum class Node {
        Serving,   // the printer answers
        Dangling,  // the node's target is gone, as when the driver let go of it
        Stalled,   // the printer takes nothing (its buffer fills) and answers nothing
    };

    // Adds usb device 1-<n> with a printer interface lp<n-1> (numbered in the
    // order of adding) and returns the printer's index.
    std::size_t add(Printer printer, Node state = Node::Serving)
    {
        const bool openable = state != Node::Dangling;
        const std::size_t index = printers_.size();
        const std::string lp = "lp" + std::to_string(index);
        const std::string usb = "1-" + std::to_string(index + 1);
        const std::filesystem::path device = "devices/pci0000:00/0000:00:14.0/usb1/" + usb;
        const std::filesystem::path node = device / (usb + ":1.0") / "usbmisc" / lp;
        std::filesystem::create_directories(root_ / "sys" / node);
        write(root_ / "sys" / device / "idVendor", printer.vendor + "\n");
        write(root_ / "sys" / device / "idProduct", printer.product + "\n");
        if (!printer.serial.empty())
            write(root_ / "sys" / device / "serial", printer.serial + "\n");
        write(root_ / "sys" / node / "dev", "180:" + std::to_string(index) + "\n");
        write(root_ / "sys" / node / "uevent",
              "MAJOR=180\nMINOR=" + std::to_string(index) + "\nDEVNAME=usb/" + lp + "\n");
        std::filesystem::create_directory_symlink("../../../" + usb + ":1.0", root_ / "sys" / node / "device");
        std::filesystem::create_directory_symlink("../../" / node, root_ / "sys/class/usbmisc" / lp);

        auto served = std::make_unique<Served>(printer.settings);
        served->stalled = state == Node::Stalled;
        if (openable) {
            std::filesystem::create_symlink(served->line.path(), root_ / "dev/usb" / lp);
            // Held open so the line never reads as hung up between exchanges.
            served->slave = ::open(served->line.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        } else {
            std::filesystem::create_symlink("/nonexistent/" + lp, root_ / "dev/usb" / lp);
        }
        std::lock_guard lock(mutex_);
        printers_.push_back(std::move(served));
        return index;
    }

    // What the printer holds now (its record after any write).
    DeviceEntry record(std::size_t index)
    {
        std::lock_guard lock(mutex_);
        return printers_.at(index)->responder.record();
    }
    unsigned writesStored(std::size_t index)
    {
        std::lock_guard lock(mutex_);
        return printers_.at(index)->responder.writesStored();
    }
    unsigned readsSeen(std::size_t index)
    {
        std::lock_guard lock(mutex_);
        return printers_.at(index)->responder.readsSeen();
    }

private:
    struct Served {
        explicit Served(const sim::SettingsPrinter& settings) : responder(settings, 0, nullptr, "usb") {}
        ~Served()
        {
            if (slave >= 0)
                ::close(slave);
        }
        // COM number 0 is never used, so the variable the helper sets is harmless.
        PseudoTerminal line{0};
        int slave = -1;
        bool stalled = false;
        sim::SettingsResponder responder;
    };

    static void write(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

    // One request of the preloaded library: ioctl (1), read (7) or write (8).
    struct IoctlMessage {
        unsigned long command;
        unsigned long first;
        unsigned long second;
    };
    static constexpr unsigned long kRunOnDevice = 4;
    static constexpr unsigned long kResult = 2;
    static constexpr unsigned long kDone = 3;

    // Lets the request run on the real descriptor and hands its result back;
    // false when the connection ended.
    static bool passThrough(int connection)
    {
        IoctlMessage message{};
        if (::recv(connection, &message, sizeof message, MSG_WAITALL) != sizeof message)
            return false;
        message = {kRunOnDevice, 0, 0};
        if (::send(connection, &message, sizeof message, MSG_NOSIGNAL) != sizeof message)
            return false;
        if (::recv(connection, &message, sizeof message, MSG_WAITALL) != sizeof message || message.command != kResult)
            return false;
        message.command = kDone;
        return ::send(connection, &message, sizeof message, MSG_NOSIGNAL) == sizeof message;
    }

    void serve()
    {
        while (!stop_) {
            std::vector<pollfd> watched{{listener_, POLLIN, 0}};
            for (const int connection : ioctlConnections_)
                watched.push_back({connection, POLLIN, 0});
            const std::size_t firstPrinter = watched.size();
            {
                std::lock_guard lock(mutex_);
                // A line nobody holds reads as hung up at once; it is not watched.
                for (const auto& printer : printers_)
                    watched.push_back(
                        {printer->slave >= 0 && !printer->stalled ? printer->line.master() : -1, POLLIN, 0});
            }
            if (::poll(watched.data(), watched.size(), 50) <= 0)
                continue;
            if (watched[0].revents & POLLIN) {
                const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (connection >= 0)
                    ioctlConnections_.push_back(connection);
            }
            for (std::size_t i = 1; i < firstPrinter; ++i) {
                if (watched[i].revents && !passThrough(watched[i].fd)) {
                    ::close(watched[i].fd);
                    ioctlConnections_.erase(
                        std::find(ioctlConnections_.begin(), ioctlConnections_.end(), watched[i].fd));
                }
            }
            std::lock_guard lock(mutex_);
            for (std::size_t i = firstPrinter; i < watched.size(); ++i) {
                if (!(watched[i].revents & POLLIN))
                    continue;
                unsigned char buffer[512];
                const ssize_t length = ::read(watched[i].fd, buffer, sizeof buffer);
                if (length <= 0)
                    continue;
                auto& responder = printers_[i - firstPrinter]->responder;
                const std::vector<unsigned char> answer = responder.receive(buffer, std::size_t(length));
                if (!answer.empty())
                    (void)!::write(watched[i].fd, answer.data(), answer.size());
            }
        }
    }

    std::filesystem::path root_;
    int listener_ = -1;
    std::vector<int> ioctlConnections_;  // the serving thread's alone
    std::mutex mutex_;
    std::vector<std::unique_ptr<Served>> printers_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace quillmar::test

#pragma once
// A Secret Service of the test's own: a D-Bus session bus (dbus-daemon) on a
// socket in a temporary directory, and gnome-keyring-daemon's secrets
// component on it with a fresh login keyring, unlocked. While the object lives
// DBUS_SESSION_BUS_ADDRESS names that bus, for this process and the programs
// it starts, so the user's own session bus and keyring are never reached. Run
// the test in a process of its own: libsecret keeps the first bus it met.
#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace quillmar::test {

class PrivateKeyring {
public:
    PrivateKeyring()
    {
        if (::access("/usr/bin/gnome-keyring-daemon", X_OK) != 0 || ::access("/usr/bin/dbus-daemon", X_OK) != 0
            || ::access("/usr/bin/dbus-send", X_OK) != 0) {
            missing = "gnome-keyring-daemon, dbus-daemon and dbus-send are wanted (scripts/install-deps.sh installs "
                      "gnome-keyring and dbus)";
            return;
        }
        const std::string root = dir_.path().toStdString();
        const std::string run = root + "/run";
        ::mkdir(run.c_str(), 0700);
        address_ = "unix:path=" + root + "/bus";
        previous_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        hadPrevious_ = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");

        bus_ = start({"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address_}, {},
                     nullptr);
        const std::string socket = root + "/bus";
        for (int i = 0; i < 100 && ::access(socket.c_str(), F_OK) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (::access(socket.c_str(), F_OK) != 0) {
            error = "dbus-daemon did not make its socket";
            return;
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(address_));
        // --unlock reads the keyring's password on standard input and makes
        // the login keyring, the one a store without a collection name uses.
        const std::string password = "keyring-of-the-test";
        keyring_ = start({"/usr/bin/gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"},
                         {"DBUS_SESSION_BUS_ADDRESS=" + address_, "HOME=" + root, "XDG_DATA_HOME=" + root + "/data",
                          "XDG_RUNTIME_DIR=" + run, "XDG_CONFIG_HOME=" + root + "/config"},
                         &password);
        for (int i = 0; i < 100; ++i) {
            if (serviceOwned())
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        error = "gnome-keyring-daemon did not take org.freedesktop.secrets on the test's bus";
    }

    ~PrivateKeyring()
    {
        for (const pid_t pid : {keyring_, bus_}) {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
        }
        if (!missing.empty())
            return;
        if (hadPrevious_)
            qputenv("DBUS_SESSION_BUS_ADDRESS", previous_);
        else
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    PrivateKeyring(const PrivateKeyring&) = delete;
    PrivateKeyring& operator=(const PrivateKeyring&) = delete;

    bool ready() const { return missing.empty() && error.empty(); }
    const std::string& address() const { return address_; }

    std::string missing;  // what is not installed: the test skips
    std::string error;    // what failed: the test fails

private:
    static pid_t start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                       const std::string* input)
    {
        int pipe[2] = {-1, -1};
        if (input && ::pipe2(pipe, O_CLOEXEC) != 0)
            return -1;
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (input)
                ::dup2(pipe[0], STDIN_FILENO);
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, STDOUT_FILENO);
            ::dup2(quiet, STDERR_FILENO);
            for (const std::string& entry : environment)
                ::putenv(const_cast<char*>(entry.c_str()));
            std::vector<char*> words;
            for (const std::string& word : argv)
                words.push_back(const_cast<char*>(word.c_str()));
            words.push_back(nullptr);
            ::execv(words[0], words.data());
            ::_exit(127);
        }
        if (input) {
            ::close(pipe[0]);
            const ssize_t written = ::write(pipe[1], input->data(), input->size());
            (void)written;
            ::close(pipe[1]);
        }
        return pid;
    }

    bool serviceOwned() const
    {
        const std::string command = "/usr/bin/dbus-send --bus=" + address_
                                    + " --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus "
                                      "org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null "
                                      "| grep -q 'boolean true'";
        return std::system(command.c_str()) == 0;
    }

    QTemporaryDir dir_;
    std::string address_;
    QByteArray previous_;
    bool hadPrevious_ = false;
    pid_t bus_ = -1;
    pid_t keyring_ = -1;
};

}  // namespace quillmar::test

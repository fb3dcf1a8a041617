#include "lab/lab_network.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

#include "platform/local_addresses.h"

namespace quillmar::test {
namespace {

std::atomic<int> labsMade{0};

// Runs a program without a shell; returns its exit status (-1 when it could
// not run) and collects its standard output when asked.
int runProgram(const std::vector<std::string>& arguments, const std::string& netns, std::string* output)
{
    std::vector<std::string> copy = arguments;
    std::vector<char*> argv;
    for (std::string& argument : copy)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const std::string netnsPath = netns.empty() ? std::string() : "/run/netns/" + netns;
    int pipeFds[2] = {-1, -1};
    if (output && pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        if (!netnsPath.empty()) {
            const int fd = open(netnsPath.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || setns(fd, CLONE_NEWNET) != 0)
                _exit(126);
        }
        if (output)
            dup2(pipeFds[1], STDOUT_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (output) {
        close(pipeFds[1]);
        char buffer[4096];
        ssize_t length;
        while (child > 0 && (length = read(pipeFds[0], buffer, sizeof buffer)) > 0)
            output->append(buffer, static_cast<std::size_t>(length));
        close(pipeFds[0]);
    }
    if (child < 0)
        return -1;
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool LabNetwork::available(std::string& why)
{
    if (geteuid() != 0) {
        why = "the network lab needs root to make namespaces";
        return false;
    }
    return true;
}

LabNetwork::LabNetwork() : name_("ql" + std::to_string(getpid()) + "-" + std::to_string(labsMade++))
{
    script({"reap"});
    up_ = script({"up", name_});
    if (!up_)
        error = "lab.sh up " + name_ + " failed";
}

LabNetwork::~LabNetwork()
{
    sims_.clear();
    script({"down", name_});
}

bool LabNetwork::script(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{QUILLMAR_LAB_SCRIPT};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runProgram(command, {}, nullptr) == 0;
}

bool LabNetwork::addHost(const std::string& host, char link, const std::vector<std::string>& addresses,
                         const std::string& mac)
{
    std::vector<std::string> arguments{"host", name_, host, std::string(1, link)};
    arguments.insert(arguments.end(), addresses.begin(), addresses.end());
    if (!mac.empty()) {
        arguments.push_back("--mac");
        arguments.push_back(mac);
    }
    if (!script(arguments)) {
        error = "lab.sh host " + host + " failed";
        return false;
    }
    return true;
}

bool LabNetwork::addRouter(const std::string& router, char link, const std::string& address, const std::string& behind,
                           const std::string& innerAddress)
{
    if (!script({"router", name_, router, std::string(1, link), address, behind, innerAddress})) {
        error = "lab.sh router " + router + " failed";
        return false;
    }
    return true;
}

bool LabNetwork::addHostBehind(const std::string& host, const std::string& behind,
                               const std::vector<std::string>& addresses, const std::string& gateway,
                               const std::string& mac)
{
    std::vector<std::string> arguments{"host", name_, host, behind};
    arguments.insert(arguments.end(), addresses.begin(), addresses.end());
    arguments.insert(arguments.end(), {"--via", gateway});
    if (!mac.empty())
        arguments.insert(arguments.end(), {"--mac", mac});
    if (!script(arguments)) {
        error = "lab.sh host " + host + " failed";
        return false;
    }
    return true;
}

SimProcess& LabNetwork::startSim(const std::string& host, const std::vector<std::string>& arguments)
{
    sims_.push_back(std::make_unique<SimProcess>(QUILLMAR_SIM_PATH, arguments, namespaceOf(host)));
    return *sims_.back();
}

int LabNetwork::run(const std::string& host, const std::vector<std::string>& argv, std::string* output) const
{
    return runProgram(argv, namespaceOf(host), output);
}

namespace {

sockaddr_in endpointOf(const std::string& text)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    const std::size_t colon = text.find(':');
    ::inet_pton(AF_INET, text.substr(0, colon).c_str(), &endpoint.sin_addr);
    if (colon != std::string::npos)
        endpoint.sin_port = htons(static_cast<std::uint16_t>(std::stoi(text.substr(colon + 1))));
    return endpoint;
}

}  // namespace

LabNetwork::Stranger::Stranger(const LabNetwork& lab, const std::string& host, const std::string& from,
                               std::vector<std::string> to, std::string payload, std::chrono::milliseconds interval)
{
    const std::string netns = "/run/netns/" + lab.namespaceOf(host);
    thread_ = std::thread([this, netns, from, to = std::move(to), payload = std::move(payload), interval] {
        // The namespace is this thread's alone.
        const int fd = open(netns.c_str(), O_RDONLY | O_CLOEXEC);
        const bool entered = fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
        if (fd >= 0)
            close(fd);
        const int sock = entered ? socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0) : -1;
        const sockaddr_in local = endpointOf(from);
        if (sock < 0 || bind(sock, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            if (sock >= 0)
                close(sock);
            return;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        while (!done_) {
            for (const std::string& target : to) {
                const sockaddr_in destination = endpointOf(target);
                if (sendto(sock, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&destination),
                           sizeof destination)
                    >= 0)
                    ++sent_;
            }
            wake_.wait_for(lock, interval, [this] { return done_; });
        }
        close(sock);
    });
}

LabNetwork::Stranger::~Stranger()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

LabNetwork::PcScope::PcScope(const LabNetwork& lab)
{
    home_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int pc = open(("/run/netns/" + lab.namespaceOf("pc")).c_str(), O_RDONLY | O_CLOEXEC);
    entered_ = home_ >= 0 && pc >= 0 && setns(pc, CLONE_NEWNET) == 0;
    if (pc >= 0)
        close(pc);
}

LabNetwork::PcScope::~PcScope()
{
    if (entered_)
        setns(home_, CLONE_NEWNET);
    if (home_ >= 0)
        close(home_);
}

}  // namespace quillmar::test

namespace quillmar::test {

bool LabNetwork::PcScope::seesOnlyTheLabPc()
{
    const LocalAddressReading reading = IfaddrsAddressSource().read();
    return reading.error == 0 && reading.addresses.size() == 2
           && reading.addresses[0].address == 0xC0000201u   // 192.0.2.1
           && reading.addresses[1].address == 0xC6336401u;  // 198.51.100.1
}

}  // namespace quillmar::test

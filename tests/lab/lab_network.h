#pragma once
// A test's own network lab (see README.md): made when the object is built,
// removed with everything running in it when the object goes, also after a
// failed assertion. Labs of test processes that died are reaped first.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/sim_process.h"

namespace quillmar::test {

class LabNetwork {
public:
    // Whether this process may make namespaces at all (root); `why` says why not.
    static bool available(std::string& why);

    LabNetwork();
    ~LabNetwork();
    LabNetwork(const LabNetwork&) = delete;
    LabNetwork& operator=(const LabNetwork&) = delete;

    // False (with `error`) when the lab could not be made.
    bool up() const { return up_; }
    const std::string& name() const { return name_; }
    std::string namespaceOf(const std::string& host) const { return name_ + "-" + host; }

    // A namespace `host` on link 'a' (192.0.2.0/24, with the PC's 192.0.2.1) or
    // 'b' (198.51.100.0/24, with 198.51.100.1) holding these "A.B.C.D/N" addresses.
    bool addHost(const std::string& host, char link, const std::vector<std::string>& addresses,
                 const std::string& mac = {});

    // A router `router` between link 'a' or 'b' (its eth0, at `address`) and a
    // new link `behind` (its eth1, at `innerAddress`), forwarding between them:
    // a network the PC reaches only through a route the test sets.
    bool addRouter(const std::string& router, char link, const std::string& address, const std::string& behind,
                   const std::string& innerAddress);
    // A host on a router's link `behind`, whose default route goes through `gateway`.
    bool addHostBehind(const std::string& host, const std::string& behind, const std::vector<std::string>& addresses,
                       const std::string& gateway, const std::string& mac = {});

    // quillmar-sim with these arguments inside `host`; owned by the lab.
    SimProcess& startSim(const std::string& host, const std::vector<std::string>& arguments);

    // Runs `argv` inside `host` and returns its exit status; standard output
    // goes to `output` when given.
    int run(const std::string& host, const std::vector<std::string>& argv, std::string* output = nullptr) const;

    // While it lives, the calling thread (and the threads it starts) work in the
    // PC's namespace.
    class PcScope {
    public:
        explicit PcScope(const LabNetwork& lab);
        ~PcScope();
        PcScope(const PcScope&) = delete;
        PcScope& operator=(const PcScope&) = delete;
        bool entered() const { return entered_; }
        // True only when this thread now sees exactly the PC's two lab
        // addresses: a search must never start from anywhere else.
        static bool seesOnlyTheLabPc();

    private:
        int home_ = -1;
        bool entered_ = false;
    };

    // A stranger on the network: from `host`'s address `from`, sends `payload`
    // to each "A.B.C.D:PORT" of `to` at once and then every `interval`, until
    // the object goes.
    class Stranger {
    public:
        Stranger(const LabNetwork& lab, const std::string& host, const std::string& from, std::vector<std::string> to,
                 std::string payload, std::chrono::milliseconds interval);
        ~Stranger();
        Stranger(const Stranger&) = delete;
        Stranger& operator=(const Stranger&) = delete;
        // Datagrams sent so far; 0 after a second means the host could not send.
        std::size_t sent() const { return sent_; }

    private:
        std::mutex mutex_;
        std::condition_variable wake_;
        bool done_ = false;
        std::atomic<std::size_t> sent_{0};
        std::thread thread_;
    };

    std::string error;

private:
    bool script(const std::vector<std::string>& arguments);

    std::string name_;
    bool up_ = false;
    std::vector<std::unique_ptr<SimProcess>> sims_;
};

}  // namespace quillmar::test

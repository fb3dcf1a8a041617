#pragma once
// Runs quillmar-sim for a test, optionally inside a network namespace, with its
// request log in a private file. The process is ended when the object goes.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace quillmar::test {

#ifdef QUILLMAR_SIM_PATH
inline const char* simPath()
{
    return QUILLMAR_SIM_PATH;
}
#endif

// One line of the simulator's log: "<event> t=<ms> key=value ...".
struct SimLogLine {
    std::string event;
    std::map<std::string, std::string> fields;
};

class SimProcess {
public:
    // How the simulator is told where to listen when the arguments do not say.
    enum class Listen {
        Everywhere,   // --bind 0.0.0.0: the tests' modules hear broadcasts and every address
        AsItChooses,  // nothing added: the simulator's own default
    };

    // `netns` names a namespace under /run/netns, or is empty for this one.
    SimProcess(const std::string& program, std::vector<std::string> arguments, const std::string& netns = {},
               Listen listen = Listen::Everywhere)
    {
        if (listen == Listen::Everywhere && std::find(arguments.begin(), arguments.end(), "--bind") == arguments.end())
            arguments.insert(arguments.begin(), {"--bind", "0.0.0.0"});
        char dir[] = "/tmp/quillmar-sim-XXXXXX";
        if (!mkdtemp(dir)) {
            error = "cannot make a log directory";
            return;
        }
        logDirectory_ = dir;
        logPath_ = logDirectory_ + "/requests.log";
        arguments.insert(arguments.begin(), {program});
        arguments.push_back("--log");
        arguments.push_back(logPath_);

        int output[2];
        if (pipe2(output, O_CLOEXEC) != 0) {
            error = "pipe failed";
            return;
        }
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const std::string netnsPath = netns.empty() ? std::string() : "/run/netns/" + netns;
        const pid_t test = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            // A test that crashes takes its simulators with it: one left
            // behind would hold the test's output open and ctest waiting.
            if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != test)
                _exit(125);
            if (!netnsPath.empty()) {
                const int fd = open(netnsPath.c_str(), O_RDONLY | O_CLOEXEC);
                if (fd < 0 || setns(fd, CLONE_NEWNET) != 0)
                    _exit(126);
            }
            dup2(output[1], STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(output[1]);
        if (pid_ < 0) {
            close(output[0]);
            error = "fork failed";
            return;
        }
        ready_ = waitForReady(output[0]);
        close(output[0]);
        if (!ready_)
            error = "quillmar-sim did not start: " + startOutput_;
    }

    ~SimProcess()
    {
        stop();
        if (!logDirectory_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(logDirectory_, ignored);
        }
    }

    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ready() const { return ready_; }
    // What the simulator printed up to its "ready" line.
    const std::string& startOutput() const { return startOutput_; }

    void stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

    std::vector<SimLogLine> log() const
    {
        std::vector<SimLogLine> lines;
        std::ifstream file(logPath_);
        std::string text;
        while (std::getline(file, text)) {
            std::istringstream words(text);
            SimLogLine line;
            words >> line.event;
            std::string word;
            while (words >> word) {
                const std::size_t equals = word.find('=');
                if (equals != std::string::npos)
                    line.fields[word.substr(0, equals)] = word.substr(equals + 1);
            }
            lines.push_back(line);
        }
        return lines;
    }

    // Lines of this event whose `key` field equals `value` (any, when key is empty).
    std::vector<SimLogLine> lines(const std::string& event, const std::string& key = {},
                                  const std::string& value = {}) const
    {
        std::vector<SimLogLine> found;
        for (const SimLogLine& line : log()) {
            if (line.event != event)
                continue;
            if (!key.empty()) {
                const auto field = line.fields.find(key);
                if (field == line.fields.end() || field->second != value)
                    continue;
            }
            found.push_back(line);
        }
        return found;
    }

    std::size_t requestsFrom(const std::string& endpoint) const { return lines("request", "from", endpoint).size(); }
    std::size_t requestCount() const { return lines("request").size(); }

    std::string error;

private:
    bool waitForReady(int fd)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        char buffer[256];
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd watched{fd, POLLIN, 0};
            if (poll(&watched, 1, 100) <= 0)
                continue;
            const ssize_t length = read(fd, buffer, sizeof buffer);
            if (length <= 0)
                return false;
            startOutput_.append(buffer, static_cast<std::size_t>(length));
            if (startOutput_.find("ready") != std::string::npos)
                return true;
        }
        return false;
    }

    pid_t pid_ = -1;
    bool ready_ = false;
    std::string logDirectory_;
    std::string logPath_;
    std::string startOutput_;
};

}  // namespace quillmar::test

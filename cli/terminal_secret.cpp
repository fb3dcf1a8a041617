#include "terminal_secret.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace quillmar::cli {

namespace {

constexpr int kLongestAnswer = 4096;

// What an ending signal needs to put the terminal back; set only while a
// question is asked, and read only by the handler.
volatile sig_atomic_t restoreDescriptor = -1;
termios savedSettings{};

void restoreAndEnd(int signal)
{
    if (restoreDescriptor >= 0)
        ::tcsetattr(restoreDescriptor, TCSAFLUSH, &savedSettings);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

class QuietTerminal {
public:
    QuietTerminal(int descriptor) : descriptor_(descriptor)
    {
        if (::tcgetattr(descriptor_, &savedSettings) != 0)
            return;
        struct sigaction action {};
        action.sa_handler = restoreAndEnd;
        sigemptyset(&action.sa_mask);
        for (const int signal : kSignals) {
            ::sigaction(signal, nullptr, &previous_[index(signal)]);
            // A signal the program was started with ignored stays ignored.
            if (previous_[index(signal)].sa_handler != SIG_IGN)
                ::sigaction(signal, &action, nullptr);
        }
        termios quiet = savedSettings;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        restoreDescriptor = descriptor_;
        quiet_ = ::tcsetattr(descriptor_, TCSAFLUSH, &quiet) == 0;
    }
    ~QuietTerminal()
    {
        if (quiet_)
            ::tcsetattr(descriptor_, TCSAFLUSH, &savedSettings);
        restoreDescriptor = -1;
        for (const int signal : kSignals) {
            if (previous_[index(signal)].sa_handler != SIG_IGN)
                ::sigaction(signal, &previous_[index(signal)], nullptr);
        }
    }
    QuietTerminal(const QuietTerminal&) = delete;
    QuietTerminal& operator=(const QuietTerminal&) = delete;

    bool quiet() const { return quiet_; }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    static int index(int signal) { return signal == SIGINT ? 0 : signal == SIGTERM ? 1 : 2; }

    int descriptor_;
    bool quiet_ = false;
    struct sigaction previous_[3]{};
};

}  // namespace

std::optional<QByteArray> askSecretOnTerminal(const QString& prompt, QString& error)
{
    const int descriptor = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        error = QStringLiteral("no terminal to ask on (%1)").arg(qt_error_string(errno));
        return std::nullopt;
    }
    std::optional<QByteArray> answer;
    {
        QuietTerminal terminal(descriptor);
        if (!terminal.quiet()) {
            error = QStringLiteral("the terminal's echo could not be turned off, so nothing is asked");
        } else {
            const QByteArray question = prompt.toLocal8Bit();
            if (::write(descriptor, question.constData(), std::size_t(question.size())) < 0) {
                error = qt_error_string(errno);
            } else {
                QByteArray line;
                char c = 0;
                for (;;) {
                    const ssize_t got = ::read(descriptor, &c, 1);
                    if (got < 0 && errno == EINTR)
                        continue;
                    if (got <= 0) {
                        error = got == 0 ? QStringLiteral("the terminal closed before an answer came")
                                         : qt_error_string(errno);
                        break;
                    }
                    if (c == '\n') {
                        answer = line;
                        break;
                    }
                    if (line.size() >= kLongestAnswer) {
                        error = QStringLiteral("the answer is longer than %1 characters").arg(kLongestAnswer);
                        break;
                    }
                    line.append(c);
                }
                if (answer && answer->endsWith('\r'))
                    answer->chop(1);
            }
        }
    }
    ::close(descriptor);
    return answer;
}

}  // namespace quillmar::cli

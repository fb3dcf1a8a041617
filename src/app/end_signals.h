#pragma once
// SIGINT, SIGTERM and SIGHUP (the terminal the manager was started from
// closed) end the manager the way a user would want it to end: every
// maintenance worker is told to stop and waited for, so that its session
// removes the host route and neighbour entry it added and a web image build
// removes its temporary file; only then does the program end. A signal that
// comes while that happens changes nothing. SIGPIPE is ignored: a reader of
// the manager's output that went away is no reason to leave anything behind.
// The handlers only write the signal's number into a pipe; the work is done on
// the thread that made the EndSignals, by its event loop.
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace quillmar {

class EndSignals final : public QObject {
    Q_OBJECT
public:
    // `stopWorkers` stops every maintenance worker and waits for each. `end`
    // gets the signal's number once the workers have ended; by default
    // the program's event loops end with the status 128 + that number. One
    // EndSignals at a time; a signal the program was started with ignored
    // (nohup) stays ignored.
    explicit EndSignals(std::function<void()> stopWorkers, std::function<void(int signalNumber)> end = {},
                        QObject* parent = nullptr);
    ~EndSignals() override;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

private:
    void readSignal();

    std::function<void()> stopWorkers_;
    std::function<void(int)> end_;
    QSocketNotifier* notifier_ = nullptr;
    bool ending_ = false;
};

}  // namespace quillmar

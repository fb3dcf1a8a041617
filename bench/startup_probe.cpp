// Loaded into a Qt Widgets program with LD_PRELOAD by quillmar-startup-bench:
// when the program's QApplication is made, an event filter is put on it that
// waits for the first paint of a window. Then it writes one line to the
// descriptor QUILLMAR_BENCH_FD, the milliseconds since QUILLMAR_BENCH_START_NS
// (CLOCK_MONOTONIC, taken by the launcher just before it started the program),
// the resident memory and the painted window's class, and ends the program.
// The program itself is not changed: the manager is measured as it ships.
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

namespace {

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

double millisecondsSinceStart()
{
    const char* start = std::getenv("QUILLMAR_BENCH_START_NS");
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long double nowNs = static_cast<long double>(now.tv_sec) * 1e9L + now.tv_nsec;
    return start ? static_cast<double>((nowNs - std::strtold(start, nullptr)) / 1e6L) : -1.0;
}

class FirstPaint final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (done_ || event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        done_ = true;
        // The time is taken when the paint is delivered; the window is the
        // one the paint belongs to.
        const double elapsed = millisecondsSinceStart();
        const QWidget* window = static_cast<QWidget*>(watched)->window();
        char line[256];
        const int length = std::snprintf(line, sizeof line, "first-paint ms=%.1f rss_kb=%ld window=%s\n", elapsed,
                                         residentKilobytes(), window->metaObject()->className());
        const char* fd = std::getenv("QUILLMAR_BENCH_FD");
        if (fd && length > 0)
            (void)::write(std::atoi(fd), line, static_cast<std::size_t>(length));
        QCoreApplication::exit(0);
        return false;
    }

private:
    bool done_ = false;
};

void watchForFirstPaint()
{
    QCoreApplication::instance()->installEventFilter(new FirstPaint);
}

// Runs when the program's application object is constructed.
const bool registered = [] {
    qAddPreRoutine(watchForFirstPaint);
    return true;
}();

}  // namespace

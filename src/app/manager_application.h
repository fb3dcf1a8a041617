#pragma once
// The manager's application object, with its name and version. An exception
// that escapes an event handler would otherwise end the program; here it is
// shown in the standard exception box instead.
#include <QApplication>

namespace quillmar {

// An exception that reaches the event loop is shown in the standard exception
// box and the loop goes on.
class ManagerApplication : public QApplication {
    Q_OBJECT
public:
    ManagerApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace quillmar

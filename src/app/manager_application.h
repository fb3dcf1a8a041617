#pragma once
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

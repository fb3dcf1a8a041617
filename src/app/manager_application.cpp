#include "app/manager_application.h"

#include <exception>

#include "ui/prompter.h"

namespace quillmar {

ManagerApplication::ManagerApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Quillmar LAN WIFI Printer Manager"));
    setApplicationVersion(QStringLiteral(QUILLMAR_VERSION));
}

bool ManagerApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showException(nullptr, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showException(nullptr, QStringLiteral("Unknown exception"));
    }
    return false;
}

}  // namespace quillmar

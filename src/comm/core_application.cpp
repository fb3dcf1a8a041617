#include "comm/core_application.h"

#include <QCoreApplication>

namespace quillmar {

void ensureCoreApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "quillmar-cli";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

}  // namespace quillmar

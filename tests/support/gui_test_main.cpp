// Runs GoogleTest inside an offscreen QApplication, so that windows can be built
// and driven without a display, with settings files a window writes kept in a
// configuration directory of the process's own.
#include <QApplication>
#include <gtest/gtest.h>

#include "support/config_home.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quillmar::test::keepConfigOutOfHome();
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

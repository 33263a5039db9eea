// GoogleTest with a QApplication: the widget tests run real widgets on the
// offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/qt/QtPlatformServices.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallQtPlatformServices();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

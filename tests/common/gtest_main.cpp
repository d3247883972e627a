#include "TestHome.h"

#include <QApplication>

#include <gtest/gtest.h>

// GoogleTest executables run with an application object (the port layer and
// the settings helpers need an event loop) and a program folder of their own.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestHome home;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

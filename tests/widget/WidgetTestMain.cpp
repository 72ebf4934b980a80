// One application object for all the widget suites of this executable. The platform
// (offscreen) is chosen by ctest through QT_QPA_PLATFORM.

#include "widgets/Theme.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    corvane::ApplyApplicationTheme(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

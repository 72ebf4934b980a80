// One application object for the end-to-end suite (offscreen, chosen by ctest). Listing the
// tests (for ctest's discovery) needs no application object.

#include "widgets/Theme.h"

#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) {
            ::testing::InitGoogleTest(&argc, argv);
            return RUN_ALL_TESTS();
        }
    QApplication app(argc, argv);
    corvane::ApplyApplicationTheme(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Entry point of the widget tests: one QApplication for all of them, offscreen.
#include "guarded_application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    varnotile::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnotile"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

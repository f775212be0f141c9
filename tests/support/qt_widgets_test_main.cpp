#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "tests/support/test_support.h"

int main(int argc, char** argv)
{
    // Views are tested without a display, and never see the real home folder.
    zelvane::test::isolateHome();
    QStandardPaths::setTestModeEnabled(true);
    // Offscreen, with the options a test may give it (a screen of a size).
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen"))) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    zelvane::test::isolateNetwork();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    zelvane::test::endNetworkWork();
    return result;
}

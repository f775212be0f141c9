#include <QCoreApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "tests/support/test_support.h"

int main(int argc, char** argv)
{
    // Never let a test see the real home or config folders.
    zelvane::test::isolateHome();
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    zelvane::test::isolateNetwork();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    zelvane::test::endNetworkWork();
    return result;
}

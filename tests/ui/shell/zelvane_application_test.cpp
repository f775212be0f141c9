#include <gtest/gtest.h>

#include <QProcess>

#include "ui/shell/zelvane_application.h"

namespace zelvane::test {
namespace {

// A slot that runs out of memory and an event handler that throws, in a
// process of its own with the program's application object: each failure
// is told on the error output and in the status line, and the program goes
// on to end as it was asked to.
TEST(ZelvaneApplicationTest, AHandlerThatThrowsIsToldAndTheProgramGoesOn)
{
    QProcess child;
    child.start(QStringLiteral(ZELVANE_EVENT_FAILURE_CHILD), {});
    ASSERT_TRUE(child.waitForStarted(10000));
    const bool ended = child.waitForFinished(120000);
    if (!ended) {
        child.kill();
        child.waitForFinished(10000);
    }
    const QByteArray output = child.readAllStandardOutput();
    const QByteArray errors = child.readAllStandardError();
    const std::string shown = output.toStdString() + errors.toStdString();
    ASSERT_TRUE(ended) << shown;
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << shown;
    EXPECT_EQ(child.exitCode(), 0) << shown;
    EXPECT_TRUE(output.contains("ended: 7")) << shown;
    EXPECT_TRUE(output.contains(QByteArray("note: ") + ZelvaneApplication::kOutOfMemoryNote)) << shown;
    EXPECT_TRUE(errors.contains("Event handling failed: out of memory")) << shown;
    EXPECT_TRUE(errors.contains("Event handling failed: the handler's own error")) << shown;
}

} // namespace
} // namespace zelvane::test

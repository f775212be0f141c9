#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <string>

#include "tests/support/test_support.h"

namespace zelvane::test {
namespace {

using namespace std::chrono_literals;

void writeText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(text);
}

// The shipped program under a file size limit (as "ulimit -f" sets it),
// with nothing else changed about the process: its first start writes its
// settings, and that write fails. The program must go on and say so, not
// be ended by the signal the kernel sends for a write past the limit.
TEST(EntryTest, StartsAndSaysSoWhenAFileSizeLimitFailsItsWrites)
{
    TempDir home;
    // Fresh copies of the default categories, so that the start needs no
    // network, holding a satellite the default selection picks (its
    // selection is the start's first settings write), with a fresh
    // transmitter list, so none is fetched either.
    const QByteArray stamp = QByteArray::number(QDateTime::currentSecsSinceEpoch());
    const QByteArray sets = "ISS (ZELVANE TEST)\n"
                            "1 40001U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2922\n"
                            "2 40001  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563532\n";
    for (const char* key : {"amateur", "stations"}) {
        writeText(home.path() + "/.zelvane/tle/" + key + ".tle", sets);
        writeText(home.path() + "/.zelvane/tle/" + key + ".timestamp", stamp);
    }
    writeText(home.path() + "/.zelvane/satnogs/40001.json", "[]");
    writeText(home.path() + "/.zelvane/satnogs/40001.timestamp", stamp);

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    environment.insert("XDG_CONFIG_HOME", home.path() + "/.config");
    environment.insert("XDG_DATA_HOME", home.path() + "/.local/share");
    environment.insert("XDG_CACHE_HOME", home.path() + "/.cache");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    // Should anything still ask the network, it reaches nothing.
    for (const char* proxy : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy"}) {
        environment.insert(proxy, "http://127.0.0.1:1");
    }
    program.setProcessEnvironment(environment);
    program.setChildProcessModifier([] {
        // As a shell leaves it: the signal at its default, which ends the
        // process, and a limit far below the settings file's size.
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    program.start(QStringLiteral(ZELVANE_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    QByteArray errors;
    const QByteArray told = "Settings could not be saved";
    ASSERT_TRUE(waitUntil(
        [&] {
            errors += program.readAllStandardError();
            return errors.contains(told) || program.state() == QProcess::NotRunning;
        },
        120s));
    const bool running = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished(10000);
    EXPECT_TRUE(running) << "the program ended: exit status " << program.exitStatus() << ", code "
                         << program.exitCode() << "\n"
                         << errors.toStdString();
    EXPECT_TRUE(errors.contains(told)) << errors.toStdString();
}

} // namespace
} // namespace zelvane::test

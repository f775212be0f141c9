#pragma once

// Shared set-up of the state tests: a private settings store and home
// folder per test, a pinned clock, and catalogue entries built from real
// element sets.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <string>

#include "catalog/satellite.h"
#include "catalog/satnogs_cache.h"
#include "elements/tle_parser.h"
#include "orbital/date.h"
#include "platform/dispatch.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "tests/support/test_support.h"

namespace zelvane::test {

// One element set, epoch 2008-09-20 12:25 UTC, of a low orbit at 51.6°.
inline constexpr const char* kIssName = "ISS (ZARYA)";
inline constexpr const char* kIssLine1 =
    "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927";
inline constexpr const char* kIssLine2 =
    "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537";
// The same orbit under two other catalogue numbers.
inline constexpr const char* kAo91Line1 =
    "1 43017U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2922";
inline constexpr const char* kAo91Line2 =
    "2 43017  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563532";
inline constexpr const char* kOtherLine1 =
    "1 40001U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2922";
inline constexpr const char* kOtherLine2 =
    "2 40001  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563532";

inline Date utc(int y, int mo, int d, int h, int mi, double s = 0.0)
{
    return utcMidnight(y, mo, d)->addingTimeInterval(h * 3600.0 + mi * 60.0 + s);
}

// An instant close to the element set's epoch.
inline Date nearEpoch() { return utc(2008, 9, 20, 12, 0); }

inline std::shared_ptr<Satellite> makeSatellite(const std::string& name, const char* line1,
                                                const char* line2)
{
    auto tle = TLEParser::parseTwoLines(name, line1, line2);
    EXPECT_TRUE(tle.has_value());
    auto sat = std::make_shared<Satellite>(name, tle ? tle->noradId : 0);
    sat->tle = tle;
    sat->initOrbit();
    return sat;
}

// Transmitter downloads of the last catalogue load may still be on their
// way at the end of a test: waits for their answers so that no reply is cut
// off at exit.
inline void waitForTransmitterDownloads()
{
    // The background scan of the cached lists comes first: it hands what
    // needs downloading to the main thread.
    EXPECT_TRUE(platform::waitForBackgroundWork(20000));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(waitUntil([] { return SatNOGSCache::downloadsInFlight() == 0; }, std::chrono::seconds(20)));
    QCoreApplication::sendPostedEvents();
}

inline std::shared_ptr<Satellite> makeIss() { return makeSatellite(kIssName, kIssLine1, kIssLine2); }

class StateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settingsFile = std::filesystem::path(dir.str()) / "settings.json";
        platform::SettingsStore::setStandardPath(settingsFile);
        platform::Files::setHomeFolder(std::filesystem::path(dir.str()) / "home");
        Clock::clearFixed();
    }

    void TearDown() override
    {
        Clock::clearFixed();
        platform::Files::setHomeFolder({});
    }

    platform::SettingsStore& store() { return platform::SettingsStore::standard(); }

    std::shared_ptr<AppState> makeState() { return std::make_shared<AppState>(); }

    TempDir dir;
    std::filesystem::path settingsFile;
};

} // namespace zelvane::test

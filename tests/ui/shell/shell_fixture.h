#pragma once

// Shared set-up of the shell tests: a private settings store per test, a
// state with a hand-made catalogue entry and pass, and widget look-ups.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <string>

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "catalog/transmitter.h"
#include "orbital/date.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "tests/support/local_services.h"
#include "tests/support/test_support.h"

namespace zelvane::test {

inline Date utcAt(int y, int mo, int d, int h, int mi, double s = 0.0)
{
    return utcMidnight(y, mo, d)->addingTimeInterval(h * 3600.0 + mi * 60.0 + s);
}

// A pass from 12:00:00 to 12:10:05 UTC, peaking at 12:05:00 at 45.06°,
// rising in the south-south-west and setting in the north-north-east.
inline PredictedPass samplePass()
{
    PredictedPass pass;
    pass.riseTime = utcAt(2025, 3, 1, 12, 0, 0);
    pass.peakTime = utcAt(2025, 3, 1, 12, 5, 0);
    pass.setTime = utcAt(2025, 3, 1, 12, 10, 5);
    pass.maxElevation = 45.06;
    pass.riseAzimuth = 200.0;
    pass.setAzimuth = 20.0;
    pass.peakAzimuth = 110.0;
    pass.duration = 605.0;
    return pass;
}

inline Transmitter downlink(double hz, std::string mode = "FM", std::string description = "Voice",
                            bool inverting = false)
{
    return Transmitter(hz, std::nullopt, std::nullopt, std::move(mode), std::move(description), "down", inverting);
}

inline Transmitter uplink(double hz, std::string mode = "FM", std::string description = "Voice up",
                          bool inverting = false)
{
    return Transmitter(hz, std::nullopt, std::nullopt, std::move(mode), std::move(description), "up", inverting);
}

inline Transmitter passband(double low, double high, std::string direction, bool inverting,
                            std::string description = "Linear")
{
    return Transmitter(std::nullopt, low, high, "USB", std::move(description), std::move(direction), inverting);
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SettingsStore::setStandardPath(std::filesystem::path(dir.str()) / "settings.json");
        platform::Files::setHomeFolder(std::filesystem::path(dir.str()) / "home");
        Clock::clearFixed();
        state = std::make_shared<AppState>(platform::SettingsStore::standard());
    }

    void TearDown() override
    {
        Clock::clearFixed();
        platform::Files::setHomeFolder({});
    }

    // Lets the views pick up the changes made so far.
    static void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    std::shared_ptr<Satellite> addSatellite(const std::string& name, std::int64_t id,
                                            std::vector<Transmitter> transmitters = {})
    {
        auto sat = std::make_shared<Satellite>(name, id, std::move(transmitters));
        auto all = state->satellites();
        all.push_back(sat);
        state->setSatellites(all);
        return sat;
    }

    void selectPass(const std::shared_ptr<Satellite>& sat, std::optional<Transmitter> tx = std::nullopt)
    {
        state->setSelectedPass(PassInfo(sat, samplePass(), tx));
        state->setSelectedTransmitter(tx);
    }

    template <class T = QWidget>
    static T* child(const QWidget& root, const char* name)
    {
        T* found = root.findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static std::string text(const QWidget& root, const char* name)
    {
        auto* label = child<QLabel>(root, name);
        return label ? label->text().toStdString() : std::string("<missing>");
    }

    // Shown as far as the widget's own flag goes (the test windows are
    // never put on a screen).
    static bool shown(const QWidget& root, const char* name)
    {
        auto* widget = child<QWidget>(root, name);
        return widget != nullptr && !widget->isHidden();
    }

    TempDir dir;
    // No test of the shell reaches a host other than this machine.
    LocalServices services;
    std::shared_ptr<AppState> state;
};

} // namespace zelvane::test

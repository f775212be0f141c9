#pragma once

// Shared set-up of the timeline and pass list tests: a private settings
// store per test, a pinned clock, and favourites with hand-made passes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QColor>
#include <QImage>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "catalog/satellite.h"
#include "orbital/date.h"
#include "orbital/pass_records.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "tests/support/test_support.h"

namespace zelvane::test {

inline Date at(double secondsSince1970)
{
    return Date::fromNanosecondsSince1970(static_cast<std::int64_t>(secondsSince1970 * 1e9));
}

// A pass from `rise` lasting `duration` seconds, peaking half-way, with a
// track from azimuth `fromAz` to `toAz` sampled every minute.
inline PredictedPass makePass(Date rise, double duration, double maxEl, double fromAz = 350.0,
                              double toAz = 100.0, int samples = 5)
{
    PredictedPass pass;
    pass.riseTime = rise;
    pass.setTime = rise.addingTimeInterval(duration);
    pass.peakTime = rise.addingTimeInterval(duration / 2.0);
    pass.duration = duration;
    pass.maxElevation = maxEl;
    pass.riseAzimuth = fromAz;
    pass.setAzimuth = toAz;
    for (int i = 0; i < samples; ++i) {
        const double f = samples > 1 ? static_cast<double>(i) / (samples - 1) : 0.5;
        PassPoint point;
        point.date = rise.addingTimeInterval(duration * f);
        point.azimuth = fromAz + (toAz - fromAz) * f;
        point.elevation = maxEl * (1.0 - (2.0 * f - 1.0) * (2.0 * f - 1.0));
        pass.trackPoints.push_back(point);
    }
    return pass;
}

inline std::shared_ptr<Satellite> makeFavourite(const std::string& name, std::int64_t id,
                                                std::vector<PredictedPass> passes,
                                                std::vector<Transmitter> transmitters = {})
{
    auto sat = std::make_shared<Satellite>(name, id, std::move(transmitters));
    sat->passes = std::move(passes);
    sat->setIsSelected(true);
    return sat;
}

inline Transmitter downlink(double hz)
{
    return Transmitter(hz, std::nullopt, std::nullopt, "FM", "Downlink", "down");
}

// Distance of two colours in RGB, alpha ignored.
inline int colorDistance(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// Whether `pixel` is `color` laid over `background` at some opacity: the
// change from the background points the way of the colour.
inline bool tintedWith(const QColor& pixel, const QColor& background, const QColor& color)
{
    const double d[3] = {double(pixel.red() - background.red()), double(pixel.green() - background.green()),
                         double(pixel.blue() - background.blue())};
    const double c[3] = {double(color.red() - background.red()), double(color.green() - background.green()),
                         double(color.blue() - background.blue())};
    const double dot = d[0] * c[0] + d[1] * c[1] + d[2] * c[2];
    const double nd = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const double nc = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    return nd > 8.0 && nc > 0.0 && dot / (nd * nc) > 0.97;
}

// `over` laid on `under` at its own alpha.
inline QColor blended(const QColor& under, const QColor& over)
{
    const double f = over.alphaF();
    const auto mix = [f](int u, int o) { return static_cast<int>(std::lround(u * (1.0 - f) + o * f)); };
    return QColor(mix(under.red(), over.red()), mix(under.green(), over.green()), mix(under.blue(), over.blue()));
}

// Saves a render into the folder named by ZELVANE_RENDER_DIR, and nowhere
// when none is named.
inline void keepRender(const QImage& image, const QString& name)
{
    const char* folder = std::getenv("ZELVANE_RENDER_DIR");
    if (folder != nullptr && *folder != '\0') {
        image.save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
}

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settingsFile = std::filesystem::path(dir.str()) / "settings.json";
        platform::SettingsStore::setStandardPath(settingsFile);
        Clock::setFixed(now);
        state = std::make_shared<AppState>();
    }

    void TearDown() override
    {
        state.reset();
        Clock::clearFixed();
    }

    // Puts satellites in the catalogue and marks the selected ones as favourites.
    void setCatalogue(const std::vector<std::shared_ptr<Satellite>>& sats)
    {
        std::set<std::int64_t> ids;
        for (const auto& sat : sats) {
            if (sat->isSelected()) {
                ids.insert(sat->id);
            }
        }
        state->setSatellites(sats);
        state->setSelectedSatelliteIds(ids);
    }

    // Lets deferred view refreshes run.
    static void settle() { spinFor(std::chrono::milliseconds(20)); }

    TempDir dir;
    std::filesystem::path settingsFile;
    // 2026-01-01 00:00:00 UTC.
    Date now = at(1767225600.0);
    std::shared_ptr<AppState> state;
};

} // namespace zelvane::test

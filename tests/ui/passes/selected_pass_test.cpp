#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "orbital/date.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "tests/support/test_support.h"
#include "ui/passes/timeline_selection.h"

namespace zelvane::test {
namespace {

PredictedPass passAt(Date rise, double seconds)
{
    PredictedPass p;
    p.riseTime = rise;
    p.setTime = rise.addingTimeInterval(seconds);
    p.peakTime = rise.addingTimeInterval(seconds / 2);
    p.duration = seconds;
    p.maxElevation = 40.0;
    return p;
}

// The pass list and the timeline highlight the selected pass in every new
// computation, whose rise differs by nanoseconds or microseconds.
TEST(SelectedPass, ARecomputedPassIsStillTheSelectedOne)
{
    TempDir dir;
    platform::SettingsStore store(std::filesystem::path(dir.str()) / "s.json");
    const auto state = std::make_shared<AppState>(store);
    const auto sat = std::make_shared<Satellite>("ISS", 25544);
    const Date rise = Date::fromNanosecondsSince1970(1'700'000'000'000'000'000);
    state->setSelectedPass(PassInfo(sat, passAt(rise, 600.0), std::nullopt));

    const struct {
        const char* label;
        std::int64_t satId;
        PredictedPass pass;
        bool selected;
    } cases[] = {
        {"the same computation", 25544, passAt(rise, 600.0), true},
        {"rise 258 ns later", 25544, passAt(rise.addingTimeInterval(258e-9), 600.0), true},
        {"rise 14 us earlier", 25544, passAt(rise.addingTimeInterval(-14e-6), 600.0), true},
        {"seen from inside: rise 137 s later", 25544, passAt(rise.addingTimeInterval(137.0), 463.0), true},
        {"another satellite at the same time", 43017, passAt(rise, 600.0), false},
        {"the next pass of the satellite", 25544, passAt(rise.addingTimeInterval(5600.0), 600.0), false},
        {"a pass that only touches it", 25544, passAt(rise.addingTimeInterval(600.0), 600.0), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(timeline::isSelectedPass(*state, c.satId, c.pass), c.selected);
    }
    state->setSelectedPass(std::nullopt);
    EXPECT_FALSE(timeline::isSelectedPass(*state, 25544, passAt(rise, 600.0)));
}

} // namespace
} // namespace zelvane::test

#pragma once

// Shared set-up of the pass-display view tests: a private settings store per
// test, a pinned clock near the element sets' epoch, and catalogue entries
// built from real element sets.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>

#include "catalog/pass_info.h"
#include "tests/state/state_fixture.h"

namespace zelvane::test {

// The low orbit of state_fixture.h tilted to 98.6°, so that its track passes
// near the poles.
inline constexpr const char* kPolarLine1 =
    "1 25545U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2928";
inline constexpr const char* kPolarLine2 =
    "2 25545  98.6416 247.4627 0006703 130.5360 325.0288 15.72125391563539";

inline std::shared_ptr<Satellite> makePolar()
{
    return makeSatellite("POLAR", kPolarLine1, kPolarLine2);
}

// A pass of `seconds` from `rise`, with no track samples.
inline PredictedPass plainPass(Date rise, double seconds)
{
    PredictedPass pass;
    pass.riseTime = rise;
    pass.peakTime = rise.addingTimeInterval(seconds / 2.0);
    pass.setTime = rise.addingTimeInterval(seconds);
    pass.duration = seconds;
    pass.maxElevation = 40.0;
    return pass;
}

// Runs the queued refreshes a view schedules after a change of the model.
inline void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

class ViewTest : public StateTest {
protected:
    void SetUp() override
    {
        StateTest::SetUp();
        Clock::setFixed(nearEpoch());
        state = std::make_shared<AppState>(store());
    }

    std::shared_ptr<AppState> state;
};

} // namespace zelvane::test

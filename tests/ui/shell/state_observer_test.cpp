#include <gtest/gtest.h>

#include <QWidget>

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tests/ui/shell/shell_fixture.h"
#include "ui/shell/state_observer.h"
#include "orbital/date.h"
#include "ui/style/refresh_timer.h"

namespace zelvane {
namespace {

TEST(ShownGate, OpensOnTheFirstRecordAndOnEveryRecordThatDiffersByValue)
{
    struct Shown {
        std::string name;
        double value = 0.0;
        std::optional<int> minute;
        bool operator==(const Shown&) const = default;
    };
    ui_style::ShownGate<Shown> gate;
    struct Case {
        Shown given;
        bool opens;
    };
    const Case cases[] = {
        {{"ISS", 1.5, 3}, true},           // the first
        {{"ISS", 1.5, 3}, false},          // the same again
        {{"ISS", 1.5, 4}, true},           // only the clock-derived field moved
        {{"ISS", 1.5000001, 4}, true},     // a value
        {{"ISS ", 1.5000001, 4}, true},    // a text
        {{"ISS ", 1.5000001, std::nullopt}, true},
        {{"ISS ", 1.5000001, std::nullopt}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gate.changed(c.given), c.opens) << c.given.name << " " << c.given.value;
    }
    gate.forget();
    EXPECT_TRUE(gate.changed(cases[0].given));
}

class StateObserverTest : public test::ShellTest {};

TEST_F(StateObserverTest, ABurstOfChangesIsOneRefreshOnTheNextTurn)
{
    QWidget context;
    int refreshes = 0;
    double seenShift = 0.0;
    shell::StateObserver observer(state, &context, [&] {
        ++refreshes;
        seenShift = state->currentDopplerShift();
    });
    state->setCurrentDopplerShift(100.0);
    state->setCurrentAzimuth(12.0);
    state->setCurrentElevation(34.0);
    EXPECT_EQ(refreshes, 0) << "the state announces before it stores";
    settle();
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(seenShift, 100.0) << "the refresh reads the stored value";
}

// What a view shows: a name, whether a track runs and a relative time
// ("in 3m") that moves with the clock.
struct ShownByView {
    std::string name;
    bool tracking = false;
    std::int64_t minutesToGo = 0;
    bool operator==(const ShownByView&) const = default;
};

TEST_F(StateObserverTest, WithARecordOnlyChangesOfWhatTheViewShowsRefreshIt)
{
    QWidget context;
    int refreshes = 0;
    const Date event = Clock::now().addingTimeInterval(600.0);
    shell::StateObserver observer(state, &context, [&] { ++refreshes; }, [this, event] {
        return ShownByView{state->obsName(), state->isTracking(),
                           static_cast<std::int64_t>(std::floor(event.timeIntervalSince(Clock::now()) / 60.0))};
    });
    state->setObsName("Field day");
    settle();
    EXPECT_EQ(refreshes, 1);
    // Tracking read-outs at tick rate: nothing this view shows.
    for (int tick = 0; tick < 20; ++tick) {
        state->setCurrentDopplerShift(tick * 10.0);
        state->setCurrentAzimuth(tick * 1.0);
        settle();
    }
    EXPECT_EQ(refreshes, 1);
    // The same value assigned again is announced, but draws nothing new.
    state->setObsName("Field day");
    settle();
    EXPECT_EQ(refreshes, 1);
    state->setObsName("Home");
    settle();
    EXPECT_EQ(refreshes, 2);
}

TEST_F(StateObserverTest, ARecordWithAClockDerivedFieldRefreshesWhenTheClockMovesIt)
{
    const Date start = Date::fromNanosecondsSince1970(1'700'000'000'000'000'000LL);
    Clock::setFixed(start);
    QWidget context;
    int refreshes = 0;
    const Date event = start.addingTimeInterval(659.5); // "in 10m" for a minute yet
    shell::StateObserver observer(state, &context, [&] { ++refreshes; }, [this, event] {
        return ShownByView{state->obsName(), state->isTracking(),
                           static_cast<std::int64_t>(std::floor(event.timeIntervalSince(Clock::now()) / 60.0))};
    });
    state->setCurrentAzimuth(1.0);
    settle();
    EXPECT_EQ(refreshes, 1);
    // Tracking ticks within the same minute: "in 10m" stays.
    for (int second = 1; second < 60; second += 10) {
        Clock::setFixed(start.addingTimeInterval(second));
        state->setCurrentAzimuth(second);
        settle();
    }
    EXPECT_EQ(refreshes, 1);
    // The next tracking tick after the minute turned: "in 9m" must be drawn,
    // though nothing but the clock changed what the view shows.
    Clock::setFixed(start.addingTimeInterval(61.0));
    state->setCurrentAzimuth(2.0);
    settle();
    EXPECT_EQ(refreshes, 2);
}

TEST_F(StateObserverTest, ARefreshWaitingForAViewThatIsGoneIsDropped)
{
    int refreshes = 0;
    auto context = std::make_unique<QWidget>();
    {
        shell::StateObserver observer(state, context.get(), [&] { ++refreshes; });
        state->setObsName("Away");
        context.reset();
    }
    settle();
    EXPECT_EQ(refreshes, 0);
}

} // namespace
} // namespace zelvane

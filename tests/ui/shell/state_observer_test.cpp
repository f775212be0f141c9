#include <gtest/gtest.h>

#include <QWidget>

#include <cmath>
#include <limits>
#include <memory>

#include "tests/ui/shell/shell_fixture.h"
#include "ui/shell/state_observer.h"
#include "ui/style/refresh_timer.h"

namespace zelvane {
namespace {

using ui_style::Fingerprint;
using ui_style::InputsGate;

TEST(Fingerprint, TellsApartWhatDrawsDifferentlyAndOnlyThat)
{
    const auto of = [](auto... values) {
        Fingerprint f;
        (f.add(values), ...);
        return f.value();
    };
    EXPECT_EQ(of(std::string_view("ab"), 1.5), of(std::string_view("ab"), 1.5));
    EXPECT_NE(of(std::string_view("ab"), std::string_view("c")), of(std::string_view("a"), std::string_view("bc")));
    EXPECT_NE(of(1.0), of(1.0000000001));
    EXPECT_NE(of(std::int64_t{1}, std::int64_t{2}), of(std::int64_t{2}, std::int64_t{1}));
    EXPECT_NE(of(true), of(false));
    // Signs of zero and payloads of NaN draw alike.
    EXPECT_EQ(of(0.0), of(-0.0));
    EXPECT_EQ(of(std::numeric_limits<double>::quiet_NaN()), of(-std::numeric_limits<double>::quiet_NaN()));
    int a = 0, b = 0;
    EXPECT_NE(of(static_cast<const void*>(&a)), of(static_cast<const void*>(&b)));
}

TEST(InputsGate, OpensOnTheFirstAndOnEveryDifferentFingerprint)
{
    InputsGate gate;
    EXPECT_TRUE(gate.changed(7));
    EXPECT_FALSE(gate.changed(7));
    EXPECT_TRUE(gate.changed(8));
    EXPECT_TRUE(gate.changed(7));
    gate.forget();
    EXPECT_TRUE(gate.changed(7));
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

TEST_F(StateObserverTest, WithAFingerprintOnlyChangesOfWhatTheViewShowsRefreshIt)
{
    QWidget context;
    int refreshes = 0;
    shell::StateObserver observer(
        state, &context, [&] { ++refreshes; },
        [this] { return Fingerprint().add(state->obsName()).add(state->isTracking()).value(); });
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

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <unordered_set>

#include "catalog/transmitter.h"

namespace zelvane {
namespace {

using nlohmann::json;

TEST(Transmitter, ConstructionGivesEachValueItsOwnId)
{
    const Transmitter a(145.8e6, std::nullopt, std::nullopt, "FM", "Voice", "down");
    const Transmitter b(145.8e6, std::nullopt, std::nullopt, "FM", "Voice", "down");
    EXPECT_EQ(a.id.size(), 36u);
    EXPECT_NE(a.id, b.id);
    EXPECT_NE(a, b);
    EXPECT_FALSE(a.inverting);
    EXPECT_FALSE(a.ctcss.has_value());

    Transmitter copy = a;
    EXPECT_EQ(copy, a);
    EXPECT_EQ(std::hash<Transmitter>{}(copy), std::hash<Transmitter>{}(a));
    copy.ctcss = 67.0;
    EXPECT_NE(copy, a);
}

TEST(Transmitter, CentreFrequencyDisplayAndLabel)
{
    struct Case {
        std::optional<double> freq, low, high;
        double centre;
        const char* display;
    };
    const std::optional<double> none;
    const Case cases[] = {
        {145800000.0, none, none, 145800000.0, "145.800 MHz"},
        {145800000.0, 435030000.0, 435060000.0, 145800000.0, "145.800 MHz"}, // freq wins
        {none, 435030000.0, 435060000.0, 435045000.0, "435.030\u2013435.060 MHz"},
        {none, 435030000.0, none, 0.0, "\u2014"},
        {none, none, 435060000.0, 0.0, "\u2014"},
        {none, none, none, 0.0, "\u2014"},
        {0.0, none, none, 0.0, "0.000 MHz"},
        {10489750000.0, none, none, 10489750000.0, "10489.750 MHz"},
    };
    for (const auto& c : cases) {
        const Transmitter t(c.freq, c.low, c.high, "FM", "x", "down");
        EXPECT_DOUBLE_EQ(t.centerFreqHz(), c.centre) << c.display;
        EXPECT_EQ(t.displayFreqMHz(), c.display);
    }

    EXPECT_EQ(Transmitter(145.8e6, std::nullopt, std::nullopt, "FM", "", "down").label(),
              "145.800 MHz FM ");
    EXPECT_EQ(Transmitter(std::nullopt, 435.03e6, 435.06e6, "", "Linear", "down").label(),
              "435.030\u2013435.060 MHz  Linear");
}

TEST(Transmitter, DirectionIsComparedExactly)
{
    for (const char* direction : {"Down", "DOWN", "downlink", "", " up"}) {
        const Transmitter t(1.0, std::nullopt, std::nullopt, "FM", "", direction);
        EXPECT_FALSE(t.isDownlink()) << direction;
        EXPECT_FALSE(t.isUplink()) << direction;
        EXPECT_EQ(t.direction, direction);
    }
    EXPECT_TRUE(Transmitter(1.0, std::nullopt, std::nullopt, "FM", "", "down").isDownlink());
    EXPECT_TRUE(Transmitter(1.0, std::nullopt, std::nullopt, "FM", "", "up").isUplink());
}

TEST(Transmitter, MinimalObjectReadsAndWritesBackWithoutAbsentNumbers)
{
    const auto t = Transmitter::fromJson(
        json::parse(R"({"freq":145800000,"mode":"FM","description":"Voice","direction":"down"})"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->freq, 145800000.0);
    EXPECT_FALSE(t->freqLow);
    EXPECT_FALSE(t->freqHigh);
    EXPECT_FALSE(t->ctcss);
    EXPECT_FALSE(t->inverting);
    EXPECT_EQ(t->id.size(), 36u);

    const auto out = t->toJson();
    ASSERT_TRUE(out);
    EXPECT_EQ(out->dump(),
              R"({"freq":145800000.0,"mode":"FM","description":"Voice","direction":"down","inverting":false})");
}

TEST(Transmitter, ReadingRulesPerMember)
{
    struct Case {
        const char* text;
        bool reads;
        bool inverting;
    };
    const Case cases[] = {
        // "inverting" of any non-boolean kind is false and harmless
        {R"({"mode":"FM","description":"","direction":"up","inverting":null})", true, false},
        {R"({"mode":"FM","description":"","direction":"up","inverting":"true"})", true, false},
        {R"({"mode":"FM","description":"","direction":"up","inverting":1})", true, false},
        {R"({"mode":"FM","description":"","direction":"up","inverting":true})", true, true},
        // null numbers are absent; an unknown "id" member is ignored
        {R"({"freq":null,"ctcss":null,"id":"x","mode":"FM","description":"","direction":"up"})", true, false},
        // a number spelled as text fails, as does a missing or null required text
        {R"({"freq":"145800000","mode":"FM","description":"","direction":"up"})", false, false},
        {R"({"freq_low":"1","mode":"FM","description":"","direction":"up"})", false, false},
        {R"({"ctcss":true,"mode":"FM","description":"","direction":"up"})", false, false},
        {R"({"mode":"FM","description":""})", false, false},
        {R"({"mode":null,"description":"","direction":"up"})", false, false},
        {R"({"mode":"FM","description":5,"direction":"up"})", false, false},
        {R"(["FM"])", false, false},
        {R"("FM")", false, false},
    };
    for (const auto& c : cases) {
        const auto t = Transmitter::fromJson(json::parse(c.text));
        EXPECT_EQ(t.has_value(), c.reads) << c.text;
        if (t) {
            EXPECT_EQ(t->inverting, c.inverting) << c.text;
            EXPECT_FALSE(t->freq) << c.text;
        }
    }

    // An "id" member, even a well-formed one, is not taken over.
    const char* withId = R"({"id":"6f1c2a7e-0b3d-4c5e-9f80-1a2b3c4d5e6f","mode":"FM","description":"","direction":"up"})";
    const auto t = Transmitter::fromJson(json::parse(withId));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->id.size(), 36u);
    EXPECT_NE(t->id, "6f1c2a7e-0b3d-4c5e-9f80-1a2b3c4d5e6f");
    EXPECT_FALSE(t->toJson()->contains("id"));
}

TEST(Transmitter, ListIsTakenWholeOrNotAtAll)
{
    const char* good = R"([
        {"freq_low":435030000,"freq_high":435060000.5,"mode":"LSB","description":"Linear","direction":"down","inverting":true},
        {"freq":145850000,"mode":"FM","description":"Up","direction":"up","ctcss":67.0}])";
    const auto list = decodeTransmitterList(good);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ((*list)[0].freqHigh, 435060000.5);
    EXPECT_TRUE((*list)[0].inverting);
    EXPECT_EQ((*list)[1].ctcss, 67.0);

    // Reading twice gives equal fields with different ids.
    const auto again = decodeTransmitterList(good);
    ASSERT_TRUE(again);
    EXPECT_NE((*list)[0], (*again)[0]);
    auto sameId = (*again)[0];
    sameId.id = (*list)[0].id;
    EXPECT_EQ(sameId, (*list)[0]);

    // Written text reads back to the same fields.
    const auto text = encodeTransmitterList(*list);
    ASSERT_TRUE(text);
    const auto back = decodeTransmitterList(*text);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        auto t = (*back)[i];
        t.id = (*list)[i].id;
        EXPECT_EQ(t, (*list)[i]);
    }

    EXPECT_TRUE(decodeTransmitterList("[]"));
    EXPECT_TRUE(decodeTransmitterList("[]")->empty());
    for (const char* bad : {
             R"([{"freq":1,"mode":"FM","description":"","direction":"up"},{"freq":"1","mode":"FM","description":"","direction":"up"}])",
             R"({"freq":1,"mode":"FM","description":"","direction":"up"})",
             "[", "", "not json"}) {
        EXPECT_FALSE(decodeTransmitterList(bad)) << bad;
    }
}

TEST(Transmitter, WritingRefusesNumbersJsonCannotHold)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(Transmitter(nan, std::nullopt, std::nullopt, "FM", "", "down").toJson());
    EXPECT_FALSE(Transmitter(std::nullopt, -inf, 1.0, "FM", "", "down").toJson());
    EXPECT_FALSE(Transmitter(1.0, std::nullopt, std::nullopt, "FM", "", "down", false, inf).toJson());

    const std::vector<Transmitter> list{Transmitter(1.0, std::nullopt, std::nullopt, "FM", "", "down"),
                                        Transmitter(std::nullopt, std::nullopt, nan, "FM", "", "up")};
    EXPECT_FALSE(encodeTransmitterList(list));
    // Text that is not UTF-8 cannot be written as JSON either.
    EXPECT_FALSE(encodeTransmitterList({Transmitter(1.0, std::nullopt, std::nullopt, "FM", "\xff", "down")}));
}

TEST(Transmitter, HashFollowsEquality)
{
    const Transmitter a(145.8e6, std::nullopt, std::nullopt, "FM", "Voice", "down");
    Transmitter b = a;
    std::unordered_set<Transmitter> set{a};
    EXPECT_EQ(set.count(b), 1u);
    b.freq.reset();
    EXPECT_EQ(set.count(b), 0u);
    Transmitter zero = a;
    zero.freq = 0.0;
    Transmitter negZero = a;
    negZero.freq = -0.0;
    EXPECT_EQ(zero, negZero);
    EXPECT_EQ(std::hash<Transmitter>{}(zero), std::hash<Transmitter>{}(negZero));
}

} // namespace
} // namespace zelvane

#include <gtest/gtest.h>

#include <limits>
#include <unordered_set>

#include "catalog/satellite.h"
#include "catalog/transponder.h"

namespace zelvane {
namespace {

constexpr std::optional<double> none;

Transmitter single(const char* name, double hz, const char* mode, const char* direction,
                   bool inverting = false)
{
    return Transmitter(hz, none, none, mode, name, direction, inverting);
}

Transmitter band(const char* name, double low, double high, const char* mode, const char* direction,
                 bool inverting = false)
{
    return Transmitter(none, low, high, mode, name, direction, inverting);
}

// "P down|up" for a pair, "S name" for a single, by description.
std::vector<std::string> summary(const std::vector<TransmitterSelection>& selections)
{
    std::vector<std::string> out;
    for (const auto& s : selections) {
        if (const auto* p = s.pairValue()) {
            out.push_back("P " + p->downlink.description + "|" + p->uplink.description);
        } else {
            out.push_back("S " + s.singleValue()->description);
        }
    }
    return out;
}

using Names = std::vector<std::string>;

TEST(TransponderPairing, RealWorldTransmitterLists)
{
    struct Case {
        const char* what;
        std::vector<Transmitter> list;
        Names expected;
    };
    const Case cases[] = {
        {"empty list", {}, {}},
        {"one downlink", {single("Beacon", 145.9e6, "CW", "down")}, {"S Beacon"}},
        {"inverting linear transponder with its beacon (FO-29)",
         {single("Beacon", 435.795e6, "CW", "down"),
          band("Linear", 435.8e6, 435.9e6, "USB", "down", true),
          band("Linear in", 145.9e6, 146.0e6, "LSB", "up", true)},
         {"P Linear|Linear in", "S Beacon"}},
        {"non-inverting wideband transponder (QO-100 narrowband)",
         {band("NB up", 2400.05e6, 2400.3e6, "USB", "up"),
          band("NB", 10489.55e6, 10489.8e6, "USB", "down"),
          single("Lower beacon", 10489.5e6, "CW", "down"),
          single("Upper beacon", 10489.8e6, "BPSK", "down")},
         {"P NB|NB up", "S Lower beacon", "S Upper beacon"}},
        {"FM repeater with separate uplink and tone (SO-50)",
         {single("Voice out", 436.795e6, "FM", "down"), Transmitter(145.85e6, none, none, "FM", "Voice in", "up", false, 67.0)},
         {"P Voice out|Voice in"}},
        {"two linear transponders of different widths (AO-7 modes A and B)",
         {band("Mode A", 29.4e6, 29.5e6, "USB", "down"),
          band("Mode B", 145.925e6, 145.975e6, "USB", "down", true),
          band("Mode B in", 432.125e6, 432.175e6, "LSB", "up", true),
          band("Mode A in", 145.85e6, 145.95e6, "USB", "up"),
          single("Beacon 29", 29.502e6, "CW", "down"),
          single("Beacon 435", 435.1e6, "CW", "down")},
         {"P Mode A|Mode A in", "P Mode B|Mode B in", "S Beacon 29", "S Beacon 435"}},
        {"database halves joined by name although widths differ by 1 kHz",
         {band("Mode U/V (DL)", 435.03e6, 435.06e6, "LSB", "down", true),
          band("Mode U/V (UL)", 145.9e6, 145.931e6, "USB", "up", true)},
         {"P Mode U/V (DL)|Mode U/V (UL)"}},
        {"name pairs ignore case, blanks and modes; a trailing word breaks them",
         {single("Linear (DL)", 435.0e6, "FM", "down"), single("linear  (ul) 2", 145.0e6, "SSB", "up"),
          single("LINEAR(ul)", 146.0e6, "SSB", "up")},
         {"P Linear (DL)|LINEAR(ul)", "S linear  (ul) 2"}},
        {"a bare (DL) is no name",
         {single(" (DL) ", 435.0e6, "FM", "down"), single("(UL)", 145.0e6, "AM", "up")},
         {"S  (DL) ", "S (UL)"}},
        {"two fitting uplinks: the lower position wins, the other stays free",
         {band("Linear", 435.0e6, 435.03e6, "LSB", "down"), band("First", 145.9e6, 145.93e6, "USB", "up"),
          band("Second", 145.8e6, 145.83e6, "CW", "up")},
         {"P Linear|First", "S Second"}},
        {"widths 500 Hz apart do not pair, 499 Hz apart do",
         {band("500 wider", 435.0e6, 435.0305e6, "LSB", "down"), band("30 kHz", 145.9e6, 145.93e6, "USB", "up"),
          band("500 narrower", 436.0e6, 436.0295e6, "LSB", "down"),
          band("499 wider", 437.0e6, 437.030499e6, "LSB", "down")},
         {"P 499 wider|30 kHz", "S 500 wider", "S 500 narrower"}},
        {"passband modes of different families do not pair",
         {band("Data", 435.0e6, 435.03e6, "FM", "down"), band("Data in", 145.9e6, 145.93e6, "SSB", "up")},
         {"S Data", "S Data in"}},
        {"two compatible single uplinks make no pair (ambiguous)",
         {single("Out", 437.8e6, "FM", "down"), single("In A", 145.99e6, "FM", "up"),
          single("In B", 145.2e6, "F M", "up")},
         {"S Out", "S In A", "S In B"}},
        {"two downlinks, one uplink: the first downlink gets it",
         {single("Out 1", 437.8e6, "FM", "down"), single("Out 2", 145.8e6, "fm", "down"),
          single("In", 145.99e6, "FM", "up")},
         {"P Out 1|In", "S Out 2"}},
        {"directions other than down/up are never paired",
         {single("Cap", 435.0e6, "FM", "Down"), single("Long", 436.0e6, "FM", "downlink"),
          single("Empty", 437.0e6, "FM", ""), single("In", 145.0e6, "FM", "up"),
          single("(DL) Odd (DL)", 438.0e6, "FM", "TX")},
         {"S Cap", "S Long", "S Empty", "S In", "S (DL) Odd (DL)"}},
        {"order: pairs first, then singles in list order",
         {single("A", 145.9e6, "FM", "up"), band("B", 435.0e6, 435.03e6, "LSB", "down"),
          single("C", 435.1e6, "CW", "down"), band("D", 145.8e6, 145.83e6, "USB", "up")},
         {"P B|D", "S A", "S C"}},
        {"mixed list: linear pair, FM pair, other downlinks alone",
         {band("Lin", 435.0e6, 435.03e6, "LSB", "down"), band("Lin in", 145.9e6, 145.93e6, "USB", "up"),
          single("FM out", 436.0e6, "FM", "down"), single("Bcn", 435.5e6, "CW", "down"),
          single("Tlm", 435.6e6, "BPSK", "down"), single("FM in", 145.85e6, "FM", "up")},
         {"P Lin|Lin in", "P FM out|FM in", "S Bcn", "S Tlm"}},
        {"a channel with freq and edges pairs once, in the passband pass",
         {Transmitter(435.015e6, 435.0e6, 435.03e6, "LSB", "Both", "down"),
          band("Band in", 145.9e6, 145.93e6, "USB", "up"), single("Other in", 145.0e6, "LSB", "up")},
         {"P Both|Band in", "S Other in"}},
        {"passband pass reuses no uplink taken by an earlier downlink",
         {band("L1", 435.0e6, 435.03e6, "LSB", "down"), band("L2", 436.0e6, 436.03e6, "LSB", "down"),
          band("U", 145.9e6, 145.93e6, "USB", "up")},
         {"P L1|U", "S L2"}},
    };
    for (const auto& c : cases) {
        const auto result = buildTransmitterSelections(c.list);
        EXPECT_EQ(summary(result), c.expected) << c.what;
        // Every transmitter appears exactly once, unchanged.
        std::unordered_set<Transmitter> seen;
        for (const auto& s : result) {
            if (const auto* p = s.pairValue()) {
                EXPECT_TRUE(p->downlink.isDownlink()) << c.what;
                EXPECT_TRUE(p->uplink.isUplink()) << c.what;
                EXPECT_TRUE(seen.insert(p->downlink).second) << c.what;
                EXPECT_TRUE(seen.insert(p->uplink).second) << c.what;
            } else {
                EXPECT_TRUE(seen.insert(*s.singleValue()).second) << c.what;
            }
        }
        EXPECT_EQ(seen.size(), c.list.size()) << c.what;
        for (const auto& t : c.list) {
            EXPECT_EQ(seen.count(t), 1u) << c.what << ": " << t.description;
        }
    }
}

TEST(TransponderPairing, SatelliteOverloadReadsItsTransmittersWithoutChangingThem)
{
    Satellite so50("SO-50", 27607,
                   {single("Out", 436.795e6, "FM", "down"), single("In", 145.85e6, "FM", "up")});
    const auto before = so50.transmitters;
    const auto result = buildTransmitterSelections(so50);
    EXPECT_EQ(summary(result), (Names{"P Out|In"}));
    EXPECT_EQ(so50.transmitters, before);
    EXPECT_TRUE(buildTransmitterSelections(Satellite("Sun", -1)).empty());
}

TEST(TransponderPairing, ModeCompatibility)
{
    struct Case {
        const char* a;
        const char* b;
        bool compatible;
    };
    const Case cases[] = {
        {"FM", "fm", true},       {"F M", "FM", true},        {"FM", "SSB", false},
        {"SSB/CW", "LSB", true},  {"lsb", "USB", true},       {"CW", "cw/ssb", true},
        {"", "", true},           {"", "FM", false},          {"FM\t", "FM", false},
        {"BPSK", "bpsk", true},   {"USB", "FM", false},       {"SSB / CW", "usb", true},
        {"stra\u00dfe", "STRASSE", true}, // Unicode upper-casing, not ASCII only
    };
    for (const auto& c : cases) {
        EXPECT_EQ(modesAreCompatible(c.a, c.b), c.compatible) << c.a << " / " << c.b;
        EXPECT_EQ(modesAreCompatible(c.b, c.a), c.compatible) << c.b << " / " << c.a;
    }
}

TEST(TransponderPairing, PairingPrefix)
{
    struct Case {
        const char* text;
        const char* suffix;
        std::optional<std::string> prefix;
    };
    const Case cases[] = {
        {"Linear Transponder (DL)", "(DL)", "linear transponder"},
        {"Mode U/V(DL)", "(DL)", "mode u/v"},
        {"  Mode V/U  (dl)\t", "(DL)", "mode v/u"},
        {"Mode V/U (Dl)\u00a0", "(DL)", "mode v/u"},  // no-break space is a blank
        {" (DL) ", "(DL)", std::nullopt},
        {"Transponder DL", "(DL)", std::nullopt},
        {"Linear (UL) 2", "(UL)", std::nullopt},
        {"Linear (DL)\n", "(DL)", std::nullopt},        // line breaks are not blanks
        {"\u00c9CLAIR (UL)", "(UL)", "\u00e9clair"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pairingPrefix(c.text, c.suffix), c.prefix) << c.text;
    }
}

TEST(TransponderPairing, IdentifiersAndLabels)
{
    const TransponderPair linear(band("Linear", 435.04e6, 435.06e6, "LSB", "down"),
                                 single("", 145.95e6, "USB", "up"));
    EXPECT_EQ(linear.id(), "pair-435050000-145950000");
    EXPECT_EQ(linear.label(), "Linear (145.950 \u2191 / 435.050 \u2193)");
    EXPECT_FALSE(linear.inverting());

    const TransponderPair unnamed(single("", 10.9, "FM", "down", true), single("In", -10.9, "FM", "up"));
    EXPECT_EQ(unnamed.id(), "pair-10--10");
    EXPECT_EQ(unnamed.label(), "Transponder (-0.000 \u2191 / 0.000 \u2193)");
    EXPECT_TRUE(unnamed.inverting());
    const TransponderPair blanks(single("  ", 1e6, "FM", "down"), single("x", 2e6, "FM", "up", true));
    EXPECT_EQ(blanks.label(), "   (2.000 \u2191 / 1.000 \u2193)");
    EXPECT_TRUE(blanks.inverting());

    struct Case {
        Transmitter t;
        const char* id;
        bool down;
        bool up;
    };
    const Case cases[] = {
        {single("B", 10.1, "CW", "down"), "single-10-down", true, false},
        {single("U", 145850000.9, "FM", "up"), "single-145850000-up", false, true},
        {single("C", 435e6, "FM", "Down"), "single-435000000-Down", false, false},
        {Transmitter(none, none, none, "FM", "N", "down"), "single-0-down", true, false},
        // No whole-hertz form: identifiers fall back to 0 instead of failing.
        {single("N", std::numeric_limits<double>::quiet_NaN(), "FM", "down"), "single-0-down", true, false},
        {single("H", 1e30, "FM", "up"), "single-0-up", false, true},
    };
    for (const auto& c : cases) {
        const auto s = TransmitterSelection::single(c.t);
        EXPECT_EQ(s.id(), c.id);
        EXPECT_EQ(s.label(), c.t.label());
        EXPECT_EQ(s.downlink().has_value(), c.down) << c.id;
        EXPECT_EQ(s.uplink().has_value(), c.up) << c.id;
    }

    const auto p = TransmitterSelection::pair(linear);
    EXPECT_EQ(p.id(), linear.id());
    EXPECT_EQ(p.label(), linear.label());
    EXPECT_EQ(p.downlink(), linear.downlink);
    EXPECT_EQ(p.uplink(), linear.uplink);
}

TEST(TransponderPairing, EqualityFollowsTransmitterIdentity)
{
    const auto d = single("Out", 436.795e6, "FM", "down");
    const auto u = single("In", 145.85e6, "FM", "up");
    const auto a = TransmitterSelection::pair(TransponderPair(d, u));
    const auto b = TransmitterSelection::pair(TransponderPair(d, u));
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<TransmitterSelection>{}(a), std::hash<TransmitterSelection>{}(b));
    EXPECT_NE(a, TransmitterSelection::single(d));

    // Same values, separately made: different identities, same id text.
    const auto d2 = single("Out", 436.795e6, "FM", "down");
    const auto c = TransmitterSelection::pair(TransponderPair(d2, u));
    EXPECT_NE(a, c);
    EXPECT_EQ(a.id(), c.id());
}

} // namespace
} // namespace zelvane

#include "catalog/satellite.h"

#include <gtest/gtest.h>

#include <cmath>

#include "elements/tle_parser.h"
#include "orbital/doppler.h"
#include "orbital/pass_predictor.h"
#include "orbital/sun_moon.h"

namespace zelvane {
namespace {

const char* issLine1 = "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927";
const char* issLine2 = "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537";

Date utc(int y, int mo, int d, int h, int mi)
{
    return utcMidnight(y, mo, d)->addingTimeInterval(h * 3600.0 + mi * 60.0);
}

std::shared_ptr<Satellite> iss(bool withOrbit = true)
{
    auto sat = std::make_shared<Satellite>("ISS (ZARYA)", 25544);
    sat->tle = TLEParser::parseTwoLines("ISS (ZARYA)", issLine1, issLine2);
    if (withOrbit) {
        sat->initOrbit();
    }
    return sat;
}

std::shared_ptr<Satellite> body(BodyKind kind)
{
    auto sat = std::make_shared<Satellite>(kind == BodyKind::sun ? "Sun" : "Moon",
                                           kind == BodyKind::sun ? -1 : -2);
    sat->bodyKind = kind;
    sat->sources = {"celestial"};
    return sat;
}

Date issEpoch()
{
    return *TLEParser::parseTwoLines("", issLine1, issLine2)->epochDate();
}

TEST(SatelliteTest, FreshEntryHasDefaultsAndNoPosition)
{
    const auto sat = iss(false);
    EXPECT_EQ(sat->id, 25544);
    EXPECT_EQ(sat->bodyKind, BodyKind::sgp4);
    EXPECT_FALSE(sat->isSelected());
    EXPECT_TRUE(sat->passes.empty());
    EXPECT_TRUE(sat->sources.empty());
    ASSERT_TRUE(sat->tle);
    EXPECT_FALSE(sat->satrec);
    EXPECT_FALSE(sat->observe(issEpoch(), 51.5, 0.0, 0.0));
    EXPECT_FALSE(sat->currentSubPoint(issEpoch()));

    sat->initOrbit();
    ASSERT_TRUE(sat->satrec);
    EXPECT_TRUE(sat->observe(issEpoch(), 51.5, 0.0, 0.0));
    const auto below = sat->currentSubPoint(issEpoch());
    ASSERT_TRUE(below);
    EXPECT_GT(below->altitudeKm, 300.0);
}

TEST(SatelliteTest, InitOrbitWithoutElementSetKeepsTheRecord)
{
    const auto sun = body(BodyKind::sun);
    sun->initOrbit();
    EXPECT_FALSE(sun->satrec);

    const auto sat = iss();
    const auto record = sat->satrec;
    sat->tle.reset();
    sat->initOrbit();
    EXPECT_EQ(sat->satrec, record);
}

TEST(SatelliteTest, FlaggedRecordIsStoredButNeverGivesAPosition)
{
    const auto sat = iss(false);
    sat->tle->eccentricity = 1.0;
    sat->initOrbit();
    ASSERT_TRUE(sat->satrec);
    EXPECT_EQ(sat->satrec->error.load(), 1);
    EXPECT_FALSE(sat->observe(issEpoch(), 0, 0, 0));
    EXPECT_FALSE(sat->currentSubPoint(issEpoch()));
}

TEST(SatelliteTest, ObserveTakesTheHeightInMetres)
{
    const auto sat = iss();
    const Date when = issEpoch().addingTimeInterval(1234.5);
    for (double metres : {0.0, 1500.0, 250000.0}) {
        const auto seen = sat->observe(when, 48.0, 11.0, metres);
        const auto direct = DopplerCalc::computeTopo(*sat->satrec, when, 48.0, 11.0, metres / 1000.0);
        ASSERT_TRUE(seen && direct);
        EXPECT_DOUBLE_EQ(seen->range, direct->range);
        EXPECT_DOUBLE_EQ(seen->elevation, direct->elevation);
        EXPECT_DOUBLE_EQ(seen->rangeRate, direct->rangeRate);
    }
}

TEST(SatelliteTest, SunAndMoonArePositionedByTheirOwnModels)
{
    const Date when = utc(2024, 6, 21, 12, 0);
    const auto sun = body(BodyKind::sun);
    const auto moon = body(BodyKind::moon);
    for (double metres : {0.0, 3000.0}) {
        const auto s = sun->observe(when, 51.5, -0.1, metres);
        const auto m = moon->observe(when, 51.5, -0.1, metres);
        ASSERT_TRUE(s && m);
        EXPECT_EQ(s->elevation, sunTopocentric(when, 51.5, -0.1).elevation);
        EXPECT_EQ(s->azimuth, sunTopocentric(when, 51.5, -0.1).azimuth);
        EXPECT_EQ(m->range, moonTopocentric(when, 51.5, -0.1).range);
    }
    EXPECT_EQ(sun->currentSubPoint(when)->latitudeDeg, sunSubPoint(when).latitudeDeg);
    EXPECT_EQ(moon->currentSubPoint(when)->longitudeDeg, moonSubPoint(when).longitudeDeg);
    EXPECT_EQ(groundTrack(*moon, when, when.addingTimeInterval(3600.0), 600.0).size(), 7u);
}

TEST(SatelliteTest, TransmitterFiltersCompareDirectionsExactly)
{
    Satellite sat("TEST", 1,
                  {Transmitter(145.9e6, {}, {}, "FM", "uplink", "up"),
                   Transmitter(435.1e6, {}, {}, "FM", "capital", "Down"),
                   Transmitter(435.2e6, {}, {}, "FM", "beacon", "down"),
                   Transmitter(435.3e6, {}, {}, "CW", "nothing", "")});
    ASSERT_EQ(sat.downlinkTransmitters().size(), 1u);
    EXPECT_EQ(sat.downlinkTransmitters()[0].description, "beacon");
    ASSERT_EQ(sat.uplinkTransmitters().size(), 1u);
    EXPECT_EQ(sat.uplinkTransmitters()[0].description, "uplink");
    ASSERT_TRUE(sat.primaryDownlink());
    EXPECT_EQ(*sat.primaryDownlink(), sat.transmitters[2]);

    EXPECT_FALSE(Satellite("EMPTY", 2).primaryDownlink());
}

TEST(SatelliteTest, EverySelectionAssignmentNotifies)
{
    Satellite sat("TEST", 1);
    std::vector<std::string> log;
    sat.objectWillChange.connect([&] { log.push_back(sat.isSelected() ? "will:was-on" : "will:was-off"); });
    const auto valueConnection =
        sat.isSelectedChanged.connect([&](bool v) { log.push_back(v ? "value:on" : "value:off"); });

    sat.setIsSelected(true);
    sat.setIsSelected(true);
    sat.setIsSelected(false);
    EXPECT_EQ(log, (std::vector<std::string>{"will:was-off", "value:on", "will:was-on", "value:on",
                                             "will:was-on", "value:off"}));

    sat.isSelectedChanged.disconnect(valueConnection);
    log.clear();
    sat.setIsSelected(false);
    EXPECT_EQ(log, std::vector<std::string>{"will:was-off"});
}

TEST(SatelliteTest, SunPassesRiseAndSetWithTheAlmanac)
{
    // London, 2024-06-21: sunrise 03:43 and sunset 20:21 UTC in the almanac,
    // which counts the upper limb with refraction (-0.83 degrees); the centre
    // crosses the true horizon about 5 minutes later and earlier.
    const auto sun = body(BodyKind::sun);
    const PassPredictor predictor(sun, 51.5074, -0.1278, 0.0);
    const auto passes = predictor.findPasses(utc(2024, 6, 21, 0, 0), 24.0, 2.0);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_NEAR(passes[0].riseTime.timeIntervalSince(utc(2024, 6, 21, 3, 43)), 300.0, 240.0);
    EXPECT_NEAR(passes[0].setTime.timeIntervalSince(utc(2024, 6, 21, 20, 21)), -300.0, 240.0);
    EXPECT_NEAR(passes[0].maxElevation, 90.0 - 51.5074 + 23.44, 0.1);
}

TEST(SatelliteTest, PredictorHoldsTheSatelliteWeakly)
{
    auto sat = iss();
    const Date start = issEpoch();
    const PassPredictor predictor(sat, 51.5, -0.1, 50.0);
    EXPECT_EQ(sat.use_count(), 1);
    EXPECT_FALSE(predictor.findPasses(start).empty());
    sat.reset();
    EXPECT_FALSE(predictor.observe(start));
    EXPECT_TRUE(predictor.findPasses(start).empty());
}

TEST(SatelliteTest, ConcurrentSearchAcrossSatellitesMatchesSerialSearch)
{
    std::vector<std::shared_ptr<Satellite>> sats = {body(BodyKind::sun), body(BodyKind::moon)};
    for (int i = 0; i < 10; ++i) {
        auto sat = iss(false);
        sat->tle->inclination = 10.0 * i + 5.0;
        sat->tle->raan = 37.0 * i;
        sat->tle->meanMotion = 14.0 + 0.2 * i;
        sat->initOrbit();
        sats.push_back(sat);
    }
    sats.push_back(std::make_shared<Satellite>("NO ORBIT", 7));
    sats.push_back(sats[4]); // the same satellite twice

    const Date start = issEpoch();
    std::vector<std::vector<PredictedPass>> serial;
    for (const auto& sat : sats) {
        serial.push_back(PassPredictor(sat, -33.9, 18.4, 20.0).findPasses(start, 24.0, 2.0));
    }
    const auto parallel = findPassesForSatellites(sats, start, -33.9, 18.4, 20.0, 24.0, 2.0, 4);
    ASSERT_EQ(parallel.size(), sats.size());
    std::size_t total = 0;
    for (std::size_t i = 0; i < sats.size(); ++i) {
        SCOPED_TRACE(sats[i]->name);
        ASSERT_EQ(parallel[i].size(), serial[i].size());
        total += serial[i].size();
        for (std::size_t k = 0; k < serial[i].size(); ++k) {
            EXPECT_EQ(parallel[i][k].riseTime, serial[i][k].riseTime);
            EXPECT_EQ(parallel[i][k].peakTime, serial[i][k].peakTime);
            EXPECT_EQ(parallel[i][k].setTime, serial[i][k].setTime);
            EXPECT_EQ(parallel[i][k].maxElevation, serial[i][k].maxElevation);
            EXPECT_EQ(parallel[i][k].trackPoints.size(), serial[i][k].trackPoints.size());
        }
    }
    EXPECT_GT(total, 20u);
    EXPECT_TRUE(serial[sats.size() - 2].empty()); // no orbit, no passes
}

} // namespace
} // namespace zelvane

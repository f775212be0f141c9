#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "catalog/satellite.h"
#include "catalog/satellite_preferences.h"
#include "platform/settings_store.h"
#include "tests/support/test_support.h"

namespace zelvane {
namespace {

constexpr std::optional<double> none;

class SatellitePreferencesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SettingsStore::setStandardPath(std::filesystem::path(dir_.str()) / "settings.json");
    }
    void TearDown() override { platform::SettingsStore::setStandardPath({}); }

    platform::SettingsStore& store() { return platform::SettingsStore::standard(); }

    test::TempDir dir_;
};

Transmitter tx(const char* name, double hz, const char* direction)
{
    return Transmitter(hz, none, none, "FM", name, direction);
}

TEST_F(SatellitePreferencesTest, KeysUseSignedIdsAndWholeHertz)
{
    EXPECT_EQ(SatellitePreferences::lastTxKey(25544), "lastTxHz_25544");
    EXPECT_EQ(SatellitePreferences::lastTxKey(-1), "lastTxHz_-1");
    EXPECT_EQ(CalibrationOffsetStore::legacyKey(-2), "calOffset_sat_-2");
    struct Case {
        std::int64_t id;
        double centre;
        const char* key;
    };
    const Case cases[] = {
        {25544, 435050000.7, "calOffset_sat_25544_tx_435050000"},
        {-1, 145800000.0, "calOffset_sat_-1_tx_145800000"},
        {-2, -10.9, "calOffset_sat_-2_tx_-10"},
        {7530, 0.0, "calOffset_sat_7530_tx_0"},
        // No whole-hertz form: the key falls back to "no frequency".
        {7530, std::numeric_limits<double>::quiet_NaN(), "calOffset_sat_7530_tx_0"},
        {7530, std::numeric_limits<double>::infinity(), "calOffset_sat_7530_tx_0"},
        {7530, 1e19, "calOffset_sat_7530_tx_0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CalibrationOffsetStore::key(c.id, c.centre), c.key);
    }
}

TEST_F(SatellitePreferencesTest, LastTransmitterIsStoredUnderItsKey)
{
    EXPECT_EQ(SatellitePreferences::lastTransmitterHz(-1), 0.0);
    SatellitePreferences::setLastTransmitter(-1, 145800000.0);
    SatellitePreferences::setLastTransmitter(25544, 437800000.0);
    SatellitePreferences::setLastTransmitter(25544, 145990000.0); // replaces
    EXPECT_EQ(store().doubleValue("lastTxHz_-1"), 145800000.0);
    EXPECT_EQ(SatellitePreferences::lastTransmitterHz(25544), 145990000.0);
    store().setString("lastTxHz_7530", "145.9");
    EXPECT_EQ(SatellitePreferences::lastTransmitterHz(7530), 0.0);

    // Persisted: a fresh store on the same file sees the value.
    platform::SettingsStore reopened(store().file());
    EXPECT_EQ(reopened.doubleValue("lastTxHz_25544"), 145990000.0);
}

TEST_F(SatellitePreferencesTest, PreferredTransmitter)
{
    const std::vector<Transmitter> list{tx("Uplink", 145990000.0, "up"), tx("Repeater", 437800000.0, "down"),
                                        tx("Voice", 145800000.0, "down")};
    struct Case {
        const char* what;
        std::optional<double> remembered;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"nothing remembered: first downlink", none, "Repeater"},
        {"zero counts as nothing", 0.0, "Repeater"},
        {"negative counts as nothing", -145800000.0, "Repeater"},
        {"exact match", 145800000.0, "Voice"},
        {"999 Hz away, uplink listed first, any direction", 145990999.0, "Uplink"},
        {"1000 Hz away is too far", 145801000.0, "Repeater"},
        {"999.9 Hz below", 145799000.1, "Voice"},
    };
    for (const auto& c : cases) {
        if (c.remembered) {
            SatellitePreferences::setLastTransmitter(40000, *c.remembered);
        } else {
            store().remove("lastTxHz_40000");
        }
        const auto t = SatellitePreferences::preferredTransmitter(40000, list);
        ASSERT_EQ(t.has_value(), c.expected.has_value()) << c.what;
        if (t) {
            EXPECT_EQ(t->description, *c.expected) << c.what;
            EXPECT_EQ(t->id, std::find_if(list.begin(), list.end(), [&](const Transmitter& x) {
                                 return x.description == *c.expected;
                             })->id) << c.what;
        }
    }

    Satellite sat("Test", 40000, list);
    SatellitePreferences::setLastTransmitter(40000, 145990000.0);
    EXPECT_EQ(SatellitePreferences::preferredTransmitter(sat)->id, list[0].id);
    Satellite moon("Moon", -2);
    SatellitePreferences::setLastTransmitter(-2, 10368e6);
    EXPECT_FALSE(SatellitePreferences::preferredTransmitter(moon));

    SatellitePreferences::setLastTransmitter(40001, 145800000.0);
    EXPECT_FALSE(SatellitePreferences::preferredTransmitter(40001, {}));
    EXPECT_FALSE(SatellitePreferences::preferredTransmitter(40001, {tx("Up", 435250000.0, "up")}));
    EXPECT_EQ(SatellitePreferences::preferredTransmitter(40001, {tx("Up", 145800500.0, "up")})->description, "Up");
    EXPECT_FALSE(SatellitePreferences::preferredTransmitter(40001, {tx("Odd", 435.0e6, "Down")}));
}

TEST_F(SatellitePreferencesTest, CalibrationOffsetsFallBackToThePerSatelliteValue)
{
    const double fo29 = 435850000.0;
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(24278, fo29), 0.0);

    store().setDouble("calOffset_sat_24278", -120.0); // older per-satellite offset
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(24278, fo29), -120.0);
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(24278, 145900000.0), -120.0);

    CalibrationOffsetStore::setTransponderOffset(24278, fo29 + 0.9, 35.5);
    EXPECT_EQ(store().doubleValue("calOffset_sat_24278_tx_435850000"), 35.5);
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(24278, fo29 + 0.2), 35.5); // same whole hertz
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(24278, fo29 + 1.0), -120.0);
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(24278, fo29 - 0.5), -120.0);

    // A stored 0 is a value, and hides the per-satellite offset.
    CalibrationOffsetStore::setTransponderOffset(24278, fo29, 0.0);
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(24278, fo29), 0.0);

    CalibrationOffsetStore::clearTransponderOffset(24278, fo29);
    EXPECT_FALSE(store().contains("calOffset_sat_24278_tx_435850000"));
    EXPECT_TRUE(store().contains("calOffset_sat_24278"));
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(24278, fo29), -120.0);
    store().remove("calOffset_sat_24278");
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(24278, fo29), 0.0);

    // The Sun and the Moon keep their own offsets like any satellite.
    CalibrationOffsetStore::setTransponderOffset(-1, 10368e6, 12.0);
    CalibrationOffsetStore::setTransponderOffset(-2, 10368e6, -7.0);
    EXPECT_EQ(store().doubleValue("calOffset_sat_-1_tx_10368000000"), 12.0);
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(-2, 10368e6), -7.0);
}

} // namespace
} // namespace zelvane

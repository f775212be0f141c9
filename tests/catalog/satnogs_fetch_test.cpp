#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <memory>
#include <mutex>

#include "catalog/satnogs_fetch.h"
#include "catalog/transponder.h"
#include "tests/support/http_test_server.h"
#include "tests/support/test_support.h"

namespace zelvane {
namespace {

using nlohmann::json;
using test::HttpTestServer;

SatNOGSTransmitter record(const char* text)
{
    auto r = SatNOGSTransmitter::fromJson(json::parse(text));
    EXPECT_TRUE(r) << text;
    return r.value_or(SatNOGSTransmitter{});
}

TEST(SatNOGSFetch, AddressesUseThePublicHostUnlessRedirected)
{
    EXPECT_EQ(SatNOGSFetch::baseURL(), "https://db.satnogs.org/api/transmitters/");
    EXPECT_EQ(SatNOGSFetch::transmittersURL(25544),
              "https://db.satnogs.org/api/transmitters/?format=json&satellite__norad_cat_id=25544");
    EXPECT_EQ(SatNOGSFetch::transmittersURL(-1),
              "https://db.satnogs.org/api/transmitters/?format=json&satellite__norad_cat_id=-1");
    EXPECT_EQ(SatNOGSFetch::allActiveURL(), "https://db.satnogs.org/api/transmitters/?format=json&alive=true");
    SatNOGSFetch::setHost("http://127.0.0.1:9");
    EXPECT_EQ(SatNOGSFetch::baseURL(), "http://127.0.0.1:9/api/transmitters/");
    SatNOGSFetch::setHost("");
    EXPECT_EQ(SatNOGSFetch::baseURL(), "https://db.satnogs.org/api/transmitters/");
}

TEST(SatNOGSFetch, RecordsAreReadStrictly)
{
    const auto full = record(R"({"uuid":"abc","description":"Mode V/U","alive":true,"downlink_low":435800000,
        "downlink_high":435900000.5,"uplink_low":145.9e6,"uplink_high":null,"mode":"USB","invert":true,
        "norad_cat_id":24278.0,"type":"Transponder","service":"Amateur","baud":null})");
    EXPECT_EQ(full.uuid, "abc");
    EXPECT_EQ(full.downlink_low, 435800000.0);
    EXPECT_EQ(full.downlink_high, 435900000.5);
    EXPECT_EQ(full.uplink_low, 145.9e6);
    EXPECT_FALSE(full.uplink_high);
    EXPECT_EQ(full.invert, true);
    EXPECT_EQ(full.norad_cat_id, 24278);
    const auto written = full.toJson();
    ASSERT_TRUE(written);
    EXPECT_FALSE(written->contains("uplink_high"));
    const auto again = SatNOGSTransmitter::fromJson(json::parse(written->dump()));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->downlink_high, full.downlink_high);
    EXPECT_EQ(again->norad_cat_id, full.norad_cat_id);

    for (const char* bad : {
             R"({"alive":true})",
             R"({"description":null,"alive":true})",
             R"({"description":"x"})",
             R"({"description":"x","alive":null})",
             R"({"description":"x","alive":"true"})",
             R"({"description":"x","alive":true,"downlink_low":"145800000"})",
             R"({"description":"x","alive":true,"mode":5})",
             R"({"description":"x","alive":true,"invert":0})",
             R"({"description":"x","alive":true,"norad_cat_id":25544.5})",
             R"({"description":"x","alive":true,"norad_cat_id":9223372036854775808})",
             R"({"description":"x","alive":true,"uuid":1})",
             R"([])",
         }) {
        EXPECT_FALSE(SatNOGSTransmitter::fromJson(json::parse(bad))) << bad;
    }
    EXPECT_FALSE(SatNOGSFetch::decodeAnswer(R"([{"description":"x","alive":true},{"alive":true}])"));
    EXPECT_FALSE(SatNOGSFetch::decodeAnswer(R"({"detail":"Not found."})"));
    EXPECT_FALSE(SatNOGSFetch::decodeAnswer("<html>"));
    EXPECT_TRUE(SatNOGSFetch::decodeAnswer("[]"));
}

TEST(SatNOGSFetch, RecordConversion)
{
    struct Expected {
        std::optional<double> freq, low, high;
        const char* description;
        const char* direction;
    };
    struct Case {
        const char* text;
        std::vector<Expected> out;
    };
    const std::optional<double> none;
    const Case cases[] = {
        {R"({"description":"Beacon","alive":true,"downlink_low":145800000,"downlink_high":145800000})",
         {{145800000.0, none, none, "Beacon", "down"}}},
        {R"({"description":"Odd","alive":true,"downlink_low":435900000,"downlink_high":435800000})",
         {{none, 435900000.0, 435800000.0, "Odd", "down"}}},
        {R"({"description":"Lin","alive":true,"downlink_low":435800000,"downlink_high":435900000,
             "uplink_low":145900000,"uplink_high":146000000})",
         {{none, 435800000.0, 435900000.0, "Lin (DL)", "down"}, {none, 145900000.0, 146000000.0, "Lin (UL)", "up"}}},
        {R"({"description":"Rpt","alive":true,"downlink_low":436795000,"uplink_low":145850000})",
         {{436795000.0, none, none, "Rpt (DL)", "down"}, {145850000.0, none, none, "Rpt (UL)", "up"}}},
        {R"({"description":"","alive":true,"downlink_low":1,"uplink_low":2})",
         {{1.0, none, none, " (DL)", "down"}, {2.0, none, none, " (UL)", "up"}}},
        {R"({"description":"Up only","alive":true,"uplink_low":145850000})", {{145850000.0, none, none, "Up only", "up"}}},
        {R"({"description":"High only","alive":true,"downlink_high":145850000,"uplink_high":1})", {}},
    };
    for (const auto& c : cases) {
        const auto out = SatNOGSFetch::convertTransmitterEntry(record(c.text));
        ASSERT_EQ(out.size(), c.out.size()) << c.text;
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i].freq, c.out[i].freq) << c.text;
            EXPECT_EQ(out[i].freqLow, c.out[i].low) << c.text;
            EXPECT_EQ(out[i].freqHigh, c.out[i].high) << c.text;
            EXPECT_EQ(out[i].description, c.out[i].description) << c.text;
            EXPECT_EQ(out[i].direction, c.out[i].direction) << c.text;
            EXPECT_FALSE(out[i].ctcss) << c.text;
        }
    }

    const auto defaults = SatNOGSFetch::convertTransmitterEntry(
        record(R"({"description":"x","alive":true,"downlink_low":1,"mode":null,"invert":null})"));
    EXPECT_EQ(defaults.at(0).mode, "FM");
    EXPECT_FALSE(defaults.at(0).inverting);
    const auto inverted = SatNOGSFetch::convertTransmitterEntry(
        record(R"({"description":"x","alive":true,"downlink_low":1,"uplink_low":2,"mode":"usb ","invert":true})"));
    EXPECT_EQ(inverted.at(0).mode, "usb ");
    EXPECT_TRUE(inverted.at(0).inverting);
    EXPECT_TRUE(inverted.at(1).inverting);

    // The two halves of a record with a sloppy uplink width pair again by name.
    const auto halves = SatNOGSFetch::convertTransmitterEntry(record(
        R"({"description":"Mode U/V","alive":true,"downlink_low":435030000,"downlink_high":435060000,
            "uplink_low":145900000,"uplink_high":145935000,"mode":"LSB","invert":true})"));
    const auto selections = buildTransmitterSelections(halves);
    ASSERT_EQ(selections.size(), 1u);
    EXPECT_TRUE(selections[0].isPair());
}

// Collects the one completion of an asynchronous call.
template <typename T>
struct Outcome {
    std::mutex mutex;
    std::optional<T> value;
    int calls = 0;
    bool onCallerThread = false;

    auto callback(QThread* caller)
    {
        return [this, caller](T v) {
            std::lock_guard lock(mutex);
            ++calls;
            onCallerThread = QThread::currentThread() == caller;
            value = std::move(v);
        };
    }
    bool arrived()
    {
        std::lock_guard lock(mutex);
        return calls > 0;
    }
};

class SatNOGSFetchServerTest : public ::testing::Test {
protected:
    void SetUp() override { SatNOGSFetch::setHost(server_.url()); }
    void TearDown() override { SatNOGSFetch::setHost(""); }

    std::vector<Transmitter> fetch(std::int64_t id)
    {
        auto outcome = std::make_shared<Outcome<std::vector<Transmitter>>>();
        SatNOGSFetch::fetchTransmitters(id, outcome->callback(QThread::currentThread()));
        EXPECT_TRUE(test::waitUntil([&] { return outcome->arrived(); }));
        test::spinFor(std::chrono::milliseconds(20));
        EXPECT_EQ(outcome->calls, 1);
        EXPECT_FALSE(outcome->onCallerThread);
        return outcome->value.value_or(std::vector<Transmitter>{});
    }

    static std::string target(std::int64_t id)
    {
        return "/api/transmitters/?format=json&satellite__norad_cat_id=" + std::to_string(id);
    }

    HttpTestServer server_;
};

TEST_F(SatNOGSFetchServerTest, LiveRecordsOfOneSatelliteInAnswerOrder)
{
    server_.setResponse(target(-1), 200, R"([
        {"description":"Dead","alive":false,"downlink_low":1},
        {"description":"Rpt","alive":true,"downlink_low":436795000,"uplink_low":145850000},
        {"description":"Nothing","alive":true},
        {"description":"Beacon","alive":true,"downlink_low":435100000,"mode":"CW"}])");
    const auto list = fetch(-1);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].description, "Rpt (DL)");
    EXPECT_EQ(list[1].description, "Rpt (UL)");
    EXPECT_EQ(list[2].description, "Beacon");
    EXPECT_EQ(server_.requestCount(target(-1)), 1);
}

TEST_F(SatNOGSFetchServerTest, AnyFailureGivesAnEmptyList)
{
    struct Case {
        int status;
        const char* body;
    };
    const Case cases[] = {
        {200, R"([{"description":"x","alive":true,"downlink_low":1},{"alive":true,"downlink_low":2}])"},
        {200, R"({"detail":"Not found."})"},
        {200, "not json"},
        {200, ""},
        {500, "[]"},
        {404, R"([{"description":"x","alive":false,"downlink_low":1}])"},
    };
    std::int64_t id = 1000;
    for (const auto& c : cases) {
        server_.setResponse(target(id), c.status, c.body);
        EXPECT_TRUE(fetch(id).empty()) << c.body;
        ++id;
    }
    // An error status is not looked at: a record list in its body is used.
    server_.setResponse(target(id), 503, R"([{"description":"x","alive":true,"downlink_low":1}])");
    EXPECT_EQ(fetch(id).size(), 1u);

    SatNOGSFetch::setHost("http://127.0.0.1:" + std::to_string(HttpTestServer::unusedPort()));
    EXPECT_TRUE(fetch(7).empty());
}

TEST_F(SatNOGSFetchServerTest, UnformableAddressCompletesAtOnceOnTheCallersThread)
{
    SatNOGSFetch::setHost("http://bad host");
    Outcome<std::vector<Transmitter>> outcome;
    SatNOGSFetch::fetchTransmitters(25544, outcome.callback(QThread::currentThread()));
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_TRUE(outcome.onCallerThread);
    EXPECT_TRUE(outcome.value->empty());
}

// An address that parses but cannot be fetched (here a relative one) is
// made; the request then fails and completes on the callback thread.
TEST_F(SatNOGSFetchServerTest, ParseableButUnfetchableAddressFailsOnTheCallbackThread)
{
    SatNOGSFetch::setHost("nohost");
    auto outcome = std::make_shared<Outcome<std::vector<Transmitter>>>();
    SatNOGSFetch::fetchTransmitters(25544, outcome->callback(QThread::currentThread()));
    ASSERT_TRUE(test::waitUntil([&] { return outcome->arrived(); }));
    std::lock_guard lock(outcome->mutex);
    EXPECT_EQ(outcome->calls, 1);
    EXPECT_FALSE(outcome->onCallerThread);
    EXPECT_TRUE(outcome->value->empty());
}

TEST_F(SatNOGSFetchServerTest, AllActiveGroupsByCatalogueNumber)
{
    server_.setResponse("/api/transmitters/?format=json&alive=true", 200, R"([
        {"description":"A1","alive":true,"downlink_low":1,"norad_cat_id":7530},
        {"description":"No number","alive":true,"downlink_low":2},
        {"description":"Dead","alive":false,"downlink_low":3,"norad_cat_id":99},
        {"description":"Silent","alive":true,"norad_cat_id":42},
        {"description":"A2","alive":true,"uplink_low":4,"norad_cat_id":7530}])");
    using Map = std::map<std::int64_t, std::vector<Transmitter>>;
    auto outcome = std::make_shared<Outcome<Map>>();
    SatNOGSFetch::fetchAllActive(outcome->callback(QThread::currentThread()));
    ASSERT_TRUE(test::waitUntil([&] { return outcome->arrived(); }));
    const Map& map = *outcome->value;
    ASSERT_EQ(map.size(), 2u);
    ASSERT_EQ(map.at(7530).size(), 2u);
    EXPECT_EQ(map.at(7530)[0].description, "A1");
    EXPECT_EQ(map.at(7530)[1].description, "A2");
    EXPECT_TRUE(map.at(42).empty());

    server_.setResponse("/api/transmitters/?format=json&alive=true", 200, R"([{"alive":true}])");
    auto failed = std::make_shared<Outcome<Map>>();
    SatNOGSFetch::fetchAllActive(failed->callback(QThread::currentThread()));
    ASSERT_TRUE(test::waitUntil([&] { return failed->arrived(); }));
    EXPECT_TRUE(failed->value->empty());
}

} // namespace
} // namespace zelvane

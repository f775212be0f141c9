#include <gtest/gtest.h>

#include <QNetworkProxyFactory>
#include <QUrl>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/dispatch.h"
#include "platform/host_lookup.h"
#include "tests/support/test_support.h"

namespace zelvane::platform {
namespace {

using namespace std::chrono_literals;

// The test's thread owns the tables: a lookup's end comes through its
// event loop.
bool toMain(std::function<void()> work)
{
    postToMain(std::move(work));
    return true;
}

// The proxy rules of the system configuration, read from the environment,
// for one test; the test program's own rules come back however it ends.
struct SystemProxyRules {
    SystemProxyRules(const char* proxy, const char* exempt)
    {
        qputenv("http_proxy", proxy);
        qputenv("no_proxy", exempt);
        QNetworkProxyFactory::setUseSystemConfiguration(true);
    }
    ~SystemProxyRules()
    {
        qunsetenv("http_proxy");
        qunsetenv("no_proxy");
        test::isolateNetwork();
    }
    SystemProxyRules(const SystemProxyRules&) = delete;
    SystemProxyRules& operator=(const SystemProxyRules&) = delete;
};

// Only a host name that the request reaches directly waits for a lookup of
// ours: an address needs none, and a proxy looks names up itself.
TEST(HostLookupTest, OnlyANameReachedDirectlyIsLookedUp)
{
    HostLookups lookups(toMain);
    const struct {
        const char* url;
        bool needed;
    } local[] = {
        {"http://127.0.0.1:8080/x", false},
        {"http://[::1]:8080/x", false},
        {"file:///tmp/x.tle", false},
        {"http://localhost:8080/x", true},
    };
    for (const auto& c : local) {
        EXPECT_EQ(lookups.needed(QUrl(QString::fromUtf8(c.url))), c.needed) << c.url;
    }
    const SystemProxyRules rules("http://127.0.0.1:1", "direct.example");
    const struct {
        const char* url;
        bool needed;
    } proxied[] = {
        {"http://far.example/x", false},
        {"https://far.example/x", false},
        {"http://direct.example/x", true},
        {"http://localhost:8080/x", true},
    };
    for (const auto& c : proxied) {
        EXPECT_EQ(lookups.needed(QUrl(QString::fromUtf8(c.url))), c.needed) << c.url;
    }
}

// Every lookup ends its waiters once, with the outcome: found, or the
// reason it could not run. A lookup that could not run is not kept: the
// next one runs afresh.
TEST(HostLookupTest, ALookupEndsWithItsOutcome)
{
    const QUrl url(QStringLiteral("http://localhost:8080/x"));
    enum class Fault { none, refusedThread, noMemory };
    const struct {
        Fault fault;
        HttpFailure failure;
        std::string text;
    } cases[] = {
        {Fault::none, HttpFailure::None, ""},
        {Fault::refusedThread, HttpFailure::NoThread, kNoThreadText},
        {Fault::noMemory, HttpFailure::NoMemory, "out of memory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        HostLookups lookups(toMain);
        HostLookups::refuseThreadStarts(c.fault == Fault::refusedThread);
        HostLookups::failNextLookups(c.fault == Fault::noMemory ? 1 : 0);
        // Two requests wait for the one lookup.
        auto outcomes = std::make_shared<std::vector<HostLookups::Failure>>();
        for (int i = 0; i < 2; ++i) {
            lookups.await(url, [outcomes](const HostLookups::Failure& failure) { outcomes->push_back(failure); });
        }
        HostLookups::refuseThreadStarts(false);
        ASSERT_TRUE(test::waitUntil([&] { return outcomes->size() >= 2; }, 20s));
        test::spinFor(100ms);
        ASSERT_EQ(outcomes->size(), 2u) << "each waiter hears once";
        for (const auto& failure : *outcomes) {
            EXPECT_EQ(failure ? failure->first : HttpFailure::None, c.failure);
            EXPECT_EQ(failure ? failure->second : "", c.text);
        }
        EXPECT_EQ(lookups.needed(url), c.fault != Fault::none) << "a found name is kept a while";

        if (c.fault != Fault::none) {
            bool found = false;
            bool ended = false;
            lookups.await(url, [&](const HostLookups::Failure& failure) {
                found = !failure;
                ended = true;
            });
            ASSERT_TRUE(test::waitUntil([&] { return ended; }, 20s));
            EXPECT_TRUE(found);
        }
    }
}

} // namespace
} // namespace zelvane::platform

#include "platform/proxy_choice.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QtGlobal>

#include <initializer_list>

namespace zelvane::platform {

namespace {

// As Qt's own rule: a request to this machine never goes through a proxy.
bool isThisMachine(const QString& host)
{
    if (host == QLatin1String("localhost") || host.startsWith(QLatin1String("localhost."))) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// The first of the variables that is set to something.
std::optional<QString> firstSet(const EnvironmentReader& read, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        if (const auto value = read(name)) {
            const QString text = QString::fromStdString(*value).trimmed();
            if (!text.isEmpty()) {
                return text;
            }
        }
    }
    return std::nullopt;
}

bool isListed(const QString& list, const QString& host)
{
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    const QString wanted = host.toLower();
    for (QString entry : list.split(separators, Qt::SkipEmptyParts)) {
        entry = entry.toLower();
        if (entry == QLatin1String("*")) {
            return true;
        }
        if (entry.startsWith(QLatin1String("*."))) {
            entry.remove(0, 1);
        }
        if (entry.startsWith(u'.')) {
            entry.remove(0, 1);
        }
        if (entry.endsWith(u'.')) {
            entry.chop(1);
        }
        if (!entry.isEmpty() && (wanted == entry || wanted.endsWith(u'.' + entry))) {
            return true;
        }
    }
    return false;
}

QNetworkProxy proxyNamedBy(QString text)
{
    if (!text.contains(QLatin1String("://"))) {
        text.prepend(QLatin1String("http://"));
    }
    const QUrl named(text);
    if (!named.isValid() || named.host().isEmpty()) {
        return QNetworkProxy(QNetworkProxy::NoProxy);
    }
    const QString scheme = named.scheme().toLower();
    QNetworkProxy proxy;
    if (scheme == QLatin1String("http")) {
        proxy = QNetworkProxy(QNetworkProxy::HttpProxy, named.host(), static_cast<quint16>(named.port(8080)));
    } else if (scheme == QLatin1String("socks5") || scheme == QLatin1String("socks5h") ||
               scheme == QLatin1String("socks")) {
        proxy = QNetworkProxy(QNetworkProxy::Socks5Proxy, named.host(), static_cast<quint16>(named.port(1080)));
        if (scheme != QLatin1String("socks5h")) {
            // The name is looked up here and the proxy given the address.
            proxy.setCapabilities(proxy.capabilities() & ~QNetworkProxy::HostNameLookupCapability);
        }
    } else {
        return QNetworkProxy(QNetworkProxy::NoProxy);
    }
    proxy.setUser(named.userName(QUrl::FullyDecoded));
    proxy.setPassword(named.password(QUrl::FullyDecoded));
    return proxy;
}

} // namespace

std::optional<std::string> readProcessEnvironment(const char* name)
{
    if (!qEnvironmentVariableIsSet(name)) {
        return std::nullopt;
    }
    return qgetenv(name).toStdString();
}

QNetworkProxy environmentProxy(const QUrl& url, const EnvironmentReader& read)
{
    const QNetworkProxy none(QNetworkProxy::NoProxy);
    const QString host = url.host();
    if (host.isEmpty() || isThisMachine(host)) {
        return none;
    }
    const QString scheme = url.scheme().toLower();
    std::optional<QString> named;
    if (scheme == QLatin1String("http")) {
        named = firstSet(read, {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"});
    } else if (scheme == QLatin1String("https")) {
        named = firstSet(read, {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"});
    }
    if (!named) {
        return none;
    }
    if (const auto exempt = firstSet(read, {"no_proxy", "NO_PROXY"}); exempt && isListed(*exempt, host)) {
        return none;
    }
    return proxyNamedBy(*named);
}

QList<QNetworkProxy> proxiesFor(const QNetworkProxyQuery& query)
{
    if (!QNetworkProxyFactory::usesSystemConfiguration()) {
        // The program's own rules: asking for them never reaches the
        // system configuration.
        return QNetworkProxyFactory::proxyForQuery(query);
    }
    return {environmentProxy(query.url())};
}

bool goesDirect(const QUrl& url)
{
    const QList<QNetworkProxy> proxies = proxiesFor(QNetworkProxyQuery(url));
    return proxies.isEmpty() || proxies.front().type() == QNetworkProxy::NoProxy;
}

QList<QNetworkProxy> ProxyChoice::queryProxy(const QNetworkProxyQuery& query) { return proxiesFor(query); }

} // namespace zelvane::platform

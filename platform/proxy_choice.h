#pragma once

#include <QList>
#include <QNetworkProxy>
#include <QUrl>

#include <functional>
#include <optional>
#include <string>

namespace zelvane::platform {

// Which proxy a request goes through.
//
// Qt's own reading of the desktop's proxy settings goes through libproxy,
// which answers from a thread of its own and crashes when the system
// refuses that thread (a process at its limit of tasks). What a Linux
// desktop hands a program is its environment's proxy variables, read here
// as curl and wget read them, so nothing of ours asks Qt's system
// configuration. A program that has set proxy rules of its own (an
// application proxy or proxy factory) has those followed instead.

// Reads one environment variable; absent when it is not set.
using EnvironmentReader = std::function<std::optional<std::string>(const char* name)>;

// The process's own environment.
std::optional<std::string> readProcessEnvironment(const char* name);

// The proxy the environment names for the address, NoProxy when there is
// none: http_proxy for http, https_proxy for https, either falling back to
// http_proxy and then all_proxy (each also in capitals). A host that
// no_proxy lists ("*" lists all; "example.net" and ".example.net" list the
// domain and every host in it) and this machine are reached directly. A
// value without a scheme is an HTTP proxy; "socks5://" and "socks5h://" are
// SOCKS proxies (the second looks names up itself); a scheme Qt cannot use
// names no proxy.
QNetworkProxy environmentProxy(const QUrl& url, const EnvironmentReader& read = readProcessEnvironment);

// The proxies a request tries, in order: the program's own rules when it
// has set any, otherwise the environment's.
QList<QNetworkProxy> proxiesFor(const QNetworkProxyQuery& query);

// True when a request to the address goes to its host straight, not
// through a proxy.
bool goesDirect(const QUrl& url);

// A network access manager's proxy factory that chooses by proxiesFor().
class ProxyChoice : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override;
};

} // namespace zelvane::platform

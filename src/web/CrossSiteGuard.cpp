#include "web/CrossSiteGuard.h"

#include <QUrl>

#include "web/PageFragments.h"

namespace {

constexpr int kHttpPort = 80;
constexpr int kHttpsPort = 443;

struct HostAndPort {
    QString host;
    int port = -1;
    bool operator==(const HostAndPort&) const = default;
};

HostAndPort fromUrl(const QUrl& url, int defaultPort)
{
    if (!url.isValid() || url.host().isEmpty()) {
        return {};
    }
    return {url.host(), url.port(defaultPort)};
}

HostAndPort fromHostHeader(const QString& hostHeader)
{
    return fromUrl(QUrl(QLatin1String("http://") + hostHeader.trimmed(), QUrl::StrictMode), kHttpPort);
}

HostAndPort fromOriginOrReferer(const QUrl& url)
{
    const int defaultPort = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? kHttpsPort
                                                                                                    : kHttpPort;
    return fromUrl(url, defaultPort);
}

// Empty when the header is absent or names the request's own host and port.
QString foreignFor(const HostAndPort& own, const QString& header)
{
    const QString value = header.trimmed();
    if (value.isEmpty()) {
        return {};
    }
    const QUrl url(value, QUrl::StrictMode);
    const HostAndPort other = fromOriginOrReferer(url);
    if (!own.host.isEmpty() && other == own) {
        return {};
    }
    if (other.host.isEmpty()) {
        return value;
    }
    return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
        .toString();
}

}  // namespace

QString ForeignOrigin(const QString& hostHeader, const QString& originHeader, const QString& refererHeader)
{
    const HostAndPort own = fromHostHeader(hostHeader);
    const QString foreignOrigin = foreignFor(own, originHeader);
    if (!foreignOrigin.isEmpty()) {
        return foreignOrigin;
    }
    return foreignFor(own, refererHeader);
}

QString CrossSiteLogEvent(const QString& foreignOrigin)
{
    return QLatin1String("> refused change from other site \"") + foreignOrigin + QLatin1Char('"');
}

QString CrossSiteRefusalBody()
{
    return MessageRow(QStringLiteral("The change was refused because the request came from another site."))
        + ContinueRow();
}

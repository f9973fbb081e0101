#pragma once

#include <QString>

// Any page on the intranet could otherwise change the directory through a hidden image or
// form pointing at us. A change request whose "Origin" or "Referer" names another host and
// port than its own "Host" header is refused; a request with neither header, and every
// request our own pages make, passes.

// The foreign origin ("scheme://host:port", or the header as sent when it has no host) when
// the request came from another site; empty when it may go on.
QString ForeignOrigin(const QString& hostHeader, const QString& originHeader, const QString& refererHeader);

// The log event and the page body of a refused change.
QString CrossSiteLogEvent(const QString& foreignOrigin);
QString CrossSiteRefusalBody();

inline constexpr int kCrossSiteRefusalStatus = 403;

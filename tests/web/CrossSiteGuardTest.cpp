#include "web/CrossSiteGuard.h"

#include <gtest/gtest.h>

namespace {

TEST(CrossSiteGuard, PassesOwnAndMissingOriginsAndNamesForeignOnes)
{
    struct Case {
        const char* what;
        const char* host;
        const char* origin;
        const char* referer;
        const char* foreign;
    } const cases[] = {
        {"neither header", "dir.local:8081", "", "", ""},
        {"own origin", "dir.local:8081", "http://dir.local:8081", "", ""},
        {"own referer", "dir.local:8081", "", "http://dir.local:8081/mod?x=1", ""},
        {"host name case", "Dir.Local:8081", "http://dir.local:8081", "", ""},
        {"default port on both sides", "dir.local", "http://dir.local", "http://dir.local:80/", ""},
        {"IPv6 loopback", "[::1]:8081", "http://[::1]:8081", "", ""},
        {"other host", "dir.local:8081", "http://evil.example", "", "http://evil.example"},
        {"other port", "dir.local:8081", "http://dir.local:9000", "", "http://dir.local:9000"},
        {"referer names the origin only", "dir.local:8081", "", "http://evil.example:8080/page?q=1#f",
         "http://evil.example:8080"},
        {"https default port differs", "dir.local", "https://dir.local", "", "https://dir.local"},
        {"opaque origin", "dir.local:8081", "null", "", "null"},
        {"own origin but foreign referer", "dir.local:8081", "http://dir.local:8081", "http://evil.example/",
         "http://evil.example"},
        {"no Host header", "", "http://dir.local:8081", "", "http://dir.local:8081"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ForeignOrigin(c.host, c.origin, c.referer), QString(c.foreign));
    }
}

}  // namespace

// Text and URL helpers: URL parts, n-th occurrence, tag stripping, line breaks, spaces, colours.
#include "store/TextHelpers.h"

#include <gtest/gtest.h>

using namespace ReportUtils;

TEST(ParseURL, SplitsIntoItsSixParts) {
    struct Case { const char* url; const char* protocol; const char* user; const char* password; const char* host; const char* port; const char* path; };
    const Case cases[] = {
        {"https://joe:se:cret@www.x.org:8080/a/b?q=1", "https", "joe", "se:cret", "www.x.org", "8080", "/a/b?q=1"},
        {"http:/page.html", "http", "", "", "", "", "/page.html"},
        {"/docs/index.html", "http", "", "", "", "", "/docs/index.html"},
        {"//host/p", "http", "", "", "", "", "/host/p"},
        {"http://x.org?q=/a", "http", "", "", "x.org", "", "?q=/a"},
        {"mailto:joe@example.com", "mailto", "joe", "", "example.com", "", ""},
        {"HTTP:", "http", "", "", "", "", ""},
        {"www.site.net:81", "", "", "", "www.site.net", "81", ""},
        {"ftp://a@b:c@d/", "ftp", "a@b", "c", "d", "", "/"},  // "@" after the last ":": the host follows it
        {"", "", "", "", "", "", ""},
    };
    for (const auto& c : cases) {
        std::string protocol = "x", user = "x", password = "x", host = "x", port = "x", path = "x";
        ParseURL(c.url, protocol, user, password, host, port, path);
        EXPECT_EQ(protocol, c.protocol) << c.url;
        EXPECT_EQ(user, c.user) << c.url;
        EXPECT_EQ(password, c.password) << c.url;
        EXPECT_EQ(host, c.host) << c.url;
        EXPECT_EQ(port, c.port) << c.url;
        EXPECT_EQ(path, c.path) << c.url;
    }
}

TEST(PosN, CountsFromEitherEnd) {
    struct Case { const char* sub; const char* text; int n; int pos; };
    const Case cases[] = {
        {":", "a:b:c", 1, 2},  {":", "a:b:c", 2, 4},   {":", "a:b:c", 3, 6},  // too few: beyond the length
        {":", "abc", 1, 4},    {":", "abc", -1, 0},    {":", "a:b:c", -1, 4}, {":", "a:b:c", -2, 2},
        {":", "a:b:c", -3, 0}, {"aa", "aaaa", 3, 3},   {"aa", "aaaa", -2, 2}, {"aa", "aaaa", -3, 1},
        {"x", "x", 0, 0},      {"long", "lo", -1, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(PosN(c.sub, c.text, c.n), c.pos) << c.sub << " in " << c.text << " n=" << c.n;
}

TEST(TagKiller, OnePlainLine) {
    struct Case { const char* html; const char* text; };
    const Case cases[] = {
        {"<p>Tom &amp; Jerry</p>", "Tom   Jerry"},
        {"a > b <i>lost</i> and more", "a > b"},  // a stray ">" upsets the count for good
        {"  <b>x</b>\r\n<i>y</i>\tz\n ", "x y z"},
        {"&NBSP;1&Lt;2&quot;", "1 2"},
        {"<a href='x'><b>nested</b></a> text", "nested text"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TagKiller(c.html), c.text) << c.html;
}

TEST(PlainTextToHTML, OnlyCrLfPairsBecomeBreaks) {
    EXPECT_EQ(PlainTextToHTML(u"a\r\nb\rc\nd\u20AC\r\n"), u"a<BR>b\rc\nd\u20AC<BR>");
}

TEST(DelSpace1, CollapsesRunsOfSpacesOnly) {
    struct Case { const char* in; const char* out; };
    for (auto [in, out] : {Case{"a   b  c", "a b c"}, Case{" ", " "}, Case{"   ", " "}, Case{"a\t\tb", "a\t\tb"}, Case{"", ""}})
        EXPECT_EQ(DelSpace1(in), out) << in;
}

TEST(ColorToRGB, RedGreenBlueFromTheLowestByteUp) {
    EXPECT_EQ(ByteToHex(0x0F), "0F");
    EXPECT_EQ(ByteToHex(0xA0), "A0");
    EXPECT_EQ(ColorToRGB(255), "FF0000");
    EXPECT_EQ(ColorToRGB(65535), "FFFF00");
    EXPECT_EQ(ColorToRGB(0x123456), "563412");
    EXPECT_EQ(ColorToRGB(static_cast<int>(0xFF000005)), "FFFFFF") << "a system colour (window background)";
    EXPECT_EQ(ColorToRGB(static_cast<int>(0xFF000008)), "000000") << "a system colour (window text)";
}

#include "TestEnvironment.h"
#include "platform/Strings.h"

#include <gtest/gtest.h>

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(AnsiCompareTextKey, KeysOrderAsTheComparisonDoes) {
    // Case-only differences, accents, prefixes, blanks and digits: for every pair, the keys
    // must compare as AnsiCompareText compares the names, ties included.
    const char* names[] = {"", "a", "A", "ab", "a b", "Ab", "abc", "B1", "b2", "Berlin", "berlin",
                           "\xC3\x89mile", "emile", "Zo\xC3\xAB", "zoe", "zed", "Stra\xC3\x9F" "e", "10", "9"};
    for (const char* a : names) {
        for (const char* b : names) {
            const int keys = Sign(Strings::AnsiCompareTextKey(a).compare(Strings::AnsiCompareTextKey(b)));
            EXPECT_EQ(keys, Strings::AnsiCompareText(a, b)) << a << " / " << b;
        }
    }
}

// The one HTML escaper: "&", "<" and ">" always, the rest as the place needs it.
TEST(HtmlEscaped, EscapesWhatThePlaceNeeds) {
    struct Case { const char* text; unsigned escapes; const char* html; };
    const Case cases[] = {
        {"a & b < c > d", 0, "a &amp; b &lt; c &gt; d"},
        {"say \"it's\"", 0, "say \"it's\""},
        {"say \"it's\"", Strings::EscapeQuote, "say &quot;it's&quot;"},
        {"say \"it's\"", Strings::EscapeQuote | Strings::EscapeApostrophe, "say &quot;it&#39;s&quot;"},
        {"a\xC2\xA0" "b \xC2\xA9", Strings::EscapeNoBreakSpace, "a&nbsp;b \xC2\xA9"},
        {"a\xC2\xA0" "b", 0, "a\xC2\xA0" "b"},
        {"trail\xC2", Strings::EscapeNoBreakSpace, "trail\xC2"},
        {"", Strings::EscapeQuote, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Strings::HtmlEscaped(c.text, c.escapes), c.html) << c.text;
    std::string out = "<p>";
    Strings::AppendHtmlEscaped(out, "x\"y");
    EXPECT_EQ(out, "<p>x&quot;y") << "the default suits text and double-quoted values";
}

TEST(PercentEncoding, EncodesAndDecodes) {
    EXPECT_EQ(Strings::PercentEncode("a b/c%~\xC3\xA9"), "a%20b%2Fc%25~%C3%A9");
    EXPECT_EQ(Strings::PercentEncode("a b/c", "/"), "a%20b/c");
    EXPECT_EQ(Strings::PercentDecode("a%20b%2fc%C3%A9"), "a b/c\xC3\xA9");
    EXPECT_EQ(Strings::PercentDecode("100% %zz %4"), "100% %zz %4") << "what is no escape stays";
}

}  // namespace

#include "TestEnvironment.h"
#include "platform/CodePage.h"

#include <clocale>
#include <gtest/gtest.h>

namespace {

TEST(CodePage, Utf8LocaleRoundTripsEveryPlane) {
    ASSERT_TRUE(CodePage::IsUtf8());
    const std::string text = "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80";  // é, euro sign, an emoji
    const std::u16string wide = CodePage::AnsiToWide(text);
    EXPECT_EQ(wide, u"Caf\u00E9 \u20AC \U0001F600");
    EXPECT_EQ(CodePage::WideToAnsi(wide), text);
}

TEST(CodePage, InvalidInputIsReplacedNotDropped) {
    struct Case { std::string in; std::u16string out; };
    for (const auto& [in, out] : {Case{"a\xFF" "b", u"a\uFFFDb"},           // a byte that never starts UTF-8
                                  Case{"\xE2\x82", u"\uFFFD\uFFFD"},         // a sequence cut short
                                  Case{"\xC0\xAF", u"\uFFFD\uFFFD"},         // an overlong form
                                  Case{"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}})  // an encoded surrogate
        EXPECT_EQ(CodePage::AnsiToWide(in), out);
    EXPECT_EQ(CodePage::WideToAnsi(std::u16string(1, u'\xD800') + u"x"), "?x");  // a lone surrogate
}

TEST(CodePage, OtherCodeSetsGoThroughIconv) {
    std::setlocale(LC_ALL, "C");  // ASCII: everything beyond it is out of the code page
    EXPECT_FALSE(CodePage::IsUtf8());
    EXPECT_EQ(CodePage::WideToAnsi(u"a\u00E9b"), "a?b");
    EXPECT_EQ(CodePage::AnsiToWide("a\xE9"), u"a\uFFFD");
    std::setlocale(LC_ALL, "C.UTF-8");

    std::string out;
    ASSERT_TRUE(CodePage::Convert("\xE9t\xE9", "ISO-8859-1", "UTF-8", out));
    EXPECT_EQ(out, "\xC3\xA9t\xC3\xA9");
    EXPECT_FALSE(CodePage::Convert("x", "NO-SUCH-CHARSET", "UTF-8", out));
}

}  // namespace

#include "dropimport/MailHeaders.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace MailHeaders;

namespace {

struct TCase {
    std::string In;
    std::string Out;
};

}  // namespace

TEST(MailHeaderLines, BecomeCanonical) {
    const TCase cases[] = {
        {"content-TYPE:   text/plain;   charset=\"a  b\"  ", "Content-Type: text/plain; charset=\"a  b\""},
        {"x-ms-HAS-attach: yes", "X-Ms-Has-Attach: yes"},
        {"message-id: <1@x>", "Message-Id: <1@x>"},
        {"Message-ID: <1@x>", "Message-ID: <1@x>"},   // "-ID" before the colon keeps its capital D
        {"X-IDENTITY-ID: a", "X-Identity-ID: a"},
        {"Subject:", "Subject: "},
        {"Subject:\tkeeps  \t tabs", "Subject: \tkeeps \t tabs"},
        {"Subject: a \"b   c\" d", "Subject: a \"b   c\" d"},
        {"Subject: open \"quote   to the end  ", "Subject: open \"quote   to the end"},
        {"no   colon  ", "no colon"},
        {"Subject  :  old form", "Subject: old form"},  // blanks before the colon
        {"Date\t: x", "Date: x"},
    };
    for (const TCase& c : cases) EXPECT_EQ(CanonicalHeaderLine(c.In), c.Out) << c.In;
}

TEST(MailHeaderLines, ValueLookupStopsAtParametersAndUnquotes) {
    struct Case {
        const char* Line;
        const char* Label;
        const char* Value;
    };
    const Case cases[] = {
        {"Subject: \"quoted\"", "Subject", "quoted"},
        {"Subject: 'single'", "Subject", "single"},
        {"Subject: ''", "Subject", "''"},            // single quotes go only from longer values
        {"Subject: \"\"", "Subject", ""},
        {"Subject: \"'both'\"", "Subject", "both"},
        {"subject: any case", "SUBJECT", "any case"},
        {"Subject-Line: other", "Subject", ""},
        {"Content-Type: text/plain; charset=x", "Content-Type", "text/plain"},
        {"Content-Type: \"a;b\" c; d=e", "Content-Type", "\"a;b\" c"},
        {"X-Note: said \"a:b\" then", "X-Note", "said \"a:b\" then"},
        {"Date: Tue, 6 Mar 2001 10:20:30 +0000", "Date", "Tue, 6 Mar 2001 10:20:30 +0000"},
        {"Subject: x", "From", ""},
        // Only headers with parameters end at ";".
        {"Subject: Re: budget; final numbers", "Subject", "Re: budget; final numbers"},
        {"To: a@b.org; c@d.org", "To", "a@b.org; c@d.org"},
        {"Content-Disposition: attachment; filename=a", "Content-Disposition", "attachment"},
    };
    for (const Case& c : cases) EXPECT_EQ(HeaderValue({c.Line}, c.Label), c.Value) << c.Line;
    EXPECT_EQ(HeaderValue({"To: first", "To: second"}, "To"), "first");
}

TEST(MailHeaderLines, ParameterLookup) {
    struct Case {
        const char* Line;
        const char* Name;
        const char* Value;
    };
    const Case cases[] = {
        {"Content-Type: multipart/mixed; boundary=\"----=_Part;1:2\"", "boundary", "----=_Part;1:2"},
        {"Content-Type: text/plain; CHARSET = utf-8 ;format=flowed", "charset", "utf-8"},
        {"Content-Type: text/plain; CHARSET = utf-8 ;format=flowed", "format", "flowed"},
        {"Content-Type: multipart/mixed; boundary==_abc", "boundary", "=_abc"},
        {"Content-Type: image/gif; name='a b.gif'", "name", "a b.gif"},
        {"Content-Type: boundary=x; charset=y", "boundary", ""},  // the main value is no parameter
        {"Content-Type: text/plain", "charset", ""},
        {"Content-Type: text/plain; name", "name", ""},
        // Extended parameters: a charset and %XX escapes, sections joined in order of number.
        {"Content-Type: text/plain; name*=iso-8859-1'de'M%FCnchen.txt", "name", "M\xC3\xBCnchen.txt"},
        {"Content-Type: text/plain; name*=UTF-8''%E2%82%AC.txt; name=\"fallback\"", "name", "\xE2\x82\xAC.txt"},
        {"Content-Type: text/plain; name*1=\"b.txt\"; name*0*=utf-8''%C3%A4", "name", "\xC3\xA4" "b.txt"},
        {"Content-Type: text/plain; boundary*0=\"ab\"; boundary*1=\"cd\"", "boundary", "abcd"},
        {"Content-Type: text/plain; name*=''bad%zz", "name", "bad%zz"},
    };
    for (const Case& c : cases) EXPECT_EQ(HeaderParam({c.Line}, "Content-Type", c.Name), c.Value) << c.Line;
    EXPECT_EQ(HeaderParam({"Subject: x"}, "Content-Type", "boundary"), "");
}

TEST(MailHeaderWords, DecodeEveryEncodingIntoProgramText) {
    const TCase cases[] = {
        // Blanks between adjacent encoded words go; blanks next to plain text stay.
        {"=?utf-8?B?R3LDvMOfZQ==?= =?utf-8?B?YXVzIEJlcmxpbg==?=", "Gr\xC3\xBC\xC3\x9F" "eaus Berlin"},
        {"=?utf-8?Q?yo?=  \t =?utf-8?Q?u?= there", "you there"},
        {"a =?utf-8?Q?b?= c", "a b c"},
        {"=?iso-8859-1?Q?caf=E9_au_lait?=", "caf\xC3\xA9 au lait"},
        {"=?ISO-8859-1?q?caf=e9?=", "caf\xC3\xA9"},  // lower-case hex and letter
        {"=?iso-8859-1?q?=3D_starts_with_equals?=", "= starts with equals"},
        {"=?x-unknown?Q?caf=E9?=", "caf\xE9"},        // an unknown charset keeps its bytes
        {"=?utf-8*en?Q?lang?=", "lang"},              // a language suffix is no part of the charset
        {"=?x?U?#86)C?= tail", "abc tail"},
        {"=?x?B?QUJD?=tail", "ABCtail"},
        {"=?x?B?QQA=?=", "A"},                         // B bytes end at a NUL
        {"  Hello  ", "Hello"},
        {"plain =? not a word", "plain =? not a word"},
        {"=?x?Z?a_b?=", "=?x?Z?a_b?="},                // an unknown letter is no encoded word
        {"=?x?U?#abc?= stays", "=?x?U?#abc?= stays"},  // nor is a bad uuencoded text
        {"=?x?Q?=3D=3Fx=3FQ=3Fb=3F=3D?=", "=?x?Q?b?="}, // decoded text is never decoded again
        {"raw caf\xC3\xA9 and =?utf-8?Q?=C3=A9?=", "raw caf\xC3\xA9 and \xC3\xA9"},  // raw UTF-8 stays
        {"raw caf\xE9", "raw caf\xC3\xA9"},            // raw bytes that are no UTF-8 are Windows-1252
    };
    for (const TCase& c : cases) EXPECT_EQ(DecodeHeaderWords(c.In), c.Out) << c.In;
}

TEST(MailHeaderWords, CharsetsOfEastAsiaAndCyrillic) {
    const TCase cases[] = {
        // Korean labelled with the old Windows name, Chinese as gb2312 with GBK-only characters.
        {"=?ks_c_5601-1987?B?x9GxucG+?=", "\xED\x95\x9C\xEA\xB5\xAD\xEC\xA2\x85"},
        {"=?gb2312?B?1uzpRrv5?=", "\xE6\x9C\xB1\xE9\x95\x95\xE5\x9F\xBA"},
        {"=?iso-2022-jp?B?GyRCJUYlOSVIGyhC?=", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"},
        {"=?shift_jis?B?g2WDWINn?=", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"},
        {"=?koi8-r?Q?=DA=CF=CC=CF=D4=CF?=", "\xD0\xB7\xD0\xBE\xD0\xBB\xD0\xBE\xD1\x82\xD0\xBE"},
        {"=?windows-1251?Q?=E7=EE=EB=EE=F2=EE?=", "\xD0\xB7\xD0\xBE\xD0\xBB\xD0\xBE\xD1\x82\xD0\xBE"},
        // "зо" and "лото" in two words: joined, without the blank between them.
        {"=?koi8-r?Q?=DA=CF?= =?koi8-r?Q?=CC=CF=D4=CF?=", "\xD0\xB7\xD0\xBE\xD0\xBB\xD0\xBE\xD1\x82\xD0\xBE"},
        // One UTF-8 character split over two words comes out whole.
        {"=?utf-8?B?ww==?= =?utf-8?B?qQ==?=", "\xC3\xA9"},
        {"=?utf-8?Q?=E2=82?= =?utf-8?Q?=AC?=", "\xE2\x82\xAC"},
    };
    for (const TCase& c : cases) EXPECT_EQ(DecodeHeaderWords(c.In), c.Out) << c.In;
}

TEST(MailHeaderWords, ManyWordsDecodeInLinearTime) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "=?x?Q?ab?= ";
    const std::string decoded = DecodeHeaderWords(text);
    EXPECT_EQ(decoded.size(), 200000u * 2);
    EXPECT_EQ(decoded.substr(0, 6), "ababab");
}

TEST(MailAddresses, SenderNameAndAddress) {
    struct Case {
        const char* From;
        const char* Name;
        const char* Address;
    };
    const Case cases[] = {
        {"\"Anna Berg\" <anna@example.org>", "Anna Berg", "anna@example.org"},
        {"Anna Berg <anna@example.org>", "Anna Berg", "anna@example.org"},
        {"anna@example.org", "", "anna@example.org"},
        {"\"Last, First\" <lf@x.org>", "Last, First", "lf@x.org"},
        {"=?utf-8?B?SsO2cmc=?= <j@x.de>", "J\xC3\xB6rg", "j@x.de"},
        {"a@b.org, \"C\" <c@d.org>", "", "a@b.org"},
        {"< spaced @ x.org >", "", "spaced@x.org"},
        {"", "", ""},
        // A comment names the sender only when there is no display name.
        {"bbb@ddd.com (John Doe)", "John Doe", "bbb@ddd.com"},
        {"\"Real\" <r@x.org> (comment)", "Real", "r@x.org"},
        {"Pete(A nice \\) chap) <pete(his account)@silly.test(his host)>", "Pete", "pete@silly.test"},
        {"<@route.one,@route.two:mary@x.net>", "", "mary@x.net"},
        {"\"Doe, \\\"JD\\\" John\" <jd@x.org>", "Doe, \"JD\" John", "jd@x.org"},
        {"alice@example.com <bob@example.com>", "alice@example.com", "bob@example.com"},
        {"=?iso-8859-1?Q?J=F6rn?= <j@x.de>", "J\xC3\xB6rn", "j@x.de"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SenderName(c.From), c.Name) << c.From;
        EXPECT_EQ(SenderAddress(c.From), c.Address) << c.From;
    }
}

TEST(MailAddresses, ListEntries) {
    struct Case {
        const char* Value;
        std::vector<std::string> Names;
        std::vector<std::string> Addresses;
    };
    const Case cases[] = {
        {"\"Smith, John\" <john@example.com>, bob@example.net", {"Smith, John", ""}, {"john@example.com", "bob@example.net"}},
        {"a@b.org; C D <c@d.org>", {"", "C D"}, {"a@b.org", "c@d.org"}},
        {"a@b.org,, c@d.org,", {"", ""}, {"a@b.org", "c@d.org"}},   // empty entries are no recipients
        {"=?x?Q?Ren=E9?= <r@x.fr>", {"Ren\xE9"}, {"r@x.fr"}},
        {"=?iso-8859-1?Q?Ren=E9?= <r@x.fr>", {"Ren\xC3\xA9"}, {"r@x.fr"}},
        {"  ", {}, {}},
        // Groups give their members, and an empty group nothing.
        {"undisclosed-recipients:;", {}, {}},
        {"A Group: a@b.org, \"C, D\" <c@d.org>;, e@f.org", {"", "C, D", ""}, {"a@b.org", "c@d.org", "e@f.org"}},
        {"(Empty list)(start)Undisclosed recipients  :(nobody(that I know))  ;", {}, {}},
        // Entries without a comma between them.
        {"Bob <bob@x> Bobby <bobby@x>", {"Bob", "Bobby"}, {"bob@x", "bobby@x"}},
        {"tim@x.com concierge@x.com", {"", ""}, {"tim@x.com", "concierge@x.com"}},
        {"\"a;b,c\" <q@x.org>; d@e.org", {"a;b,c", ""}, {"q@x.org", "d@e.org"}},
        {"x@y.org (First, Last), z@y.org", {"First, Last", ""}, {"x@y.org", "z@y.org"}},
        {"<>, <a@b>", {"", ""}, {"", "a@b"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> names, addresses;
        ParseAddressList(c.Value, names, addresses);
        EXPECT_EQ(names, c.Names) << c.Value;
        EXPECT_EQ(addresses, c.Addresses) << c.Value;
    }
}

namespace {

TDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return DateTimeUtils::EncodeDateTime({year, month, day, hour, minute, second, 0});
}

}  // namespace

TEST(MailDate, ReadsFieldsZonesAndTwoDigitYears) {
    struct Case {
        const char* Text;
        TDateTime Expected;
    };
    const Case cases[] = {
        {"Tue, 6 Mar 01 10:20 GMT", At(2001, 3, 6, 10, 20)},
        {"Tue, 6 Mar 2001 10:20:30 +0200", At(2001, 3, 6, 8, 20, 30)},
        {"6 Mar 2001 10:20:30 -0130", At(2001, 3, 6, 11, 50, 30)},
        {"Tue, 6 Mar 2001 10:20:30 +0000 (UTC)", At(2001, 3, 6, 10, 20, 30)},
        {"6 Mar 2001 10:00 EST", At(2001, 3, 6, 15, 0)},
        {"6 Mar 2001 10:00 pdt", At(2001, 3, 6, 17, 0)},
        {"6 Mar 2001 10:00 UT", At(2001, 3, 6, 10, 0)},
        {"6 Mar 2001 10:00:00 CDT (Central)", At(2001, 3, 6, 15, 0)},
        {"6 Mar 2001 10:00 A", At(2001, 3, 6, 11, 0)},       // military letters as the old mail standard gives them
        {"6 Mar 2001 10:00 M", At(2001, 3, 6, 22, 0)},
        {"6 Mar 2001 10:00 N", At(2001, 3, 6, 9, 0)},
        {"6 Mar 2001 10:00 Y", At(2001, 3, 5, 22, 0)},
        {"6 Mar 2001 10:00 J", At(2001, 3, 6, 10, 0)},       // J names no zone
        {"6 Mar 2001 10:00 XYZ", At(2001, 3, 6, 10, 0)},     // other names count as 0
        {"Fri, 21 Nov 1997 09(comment):   55  :  06 -0600", At(1997, 11, 21, 15, 55, 6)},  // old syntax
        {"Thu,  13  Feb  1969  23:32  -0330 (Newfoundland Time)", At(1969, 2, 14, 3, 2)},
        {"6 Mar 2001 10:00 +02x0", At(2001, 3, 6, 8, 0)},    // a pair that is no number counts as 0
        {"6 Foo 2001", At(2001, 1, 6)},                     // an unknown month name is January
        {"5/3/2024 10:00", At(2024, 3, 5, 10, 0)},
        {"6 Mar 75", At(1975, 3, 6)},
        {"6 Mar 49", At(2049, 3, 6)},
        {"6 Mar 2001 10:75", At(2001, 3, 6, 11, 15)},        // no range test on the time
        {"29 Feb 2024", At(2024, 2, 29)},
        {"", 0},
        {"Tue, 32 Mar 2001", 0},
        {"29 Feb 2023", 0},
        {"6 13 2001", 0},
        {"6 Mar 10000", 0},
        {"Mar 2001", 0},
        {"6 Mar 2001 10:00 +2400", 0},
        {"6 Mar 2001 10:00 +0160", 0},
        {"garbage", 0},
    };
    for (const Case& c : cases) EXPECT_NEAR(ParseMessageDate(c.Text), c.Expected, 1e-7) << c.Text;
}

TEST(MailDate, AddsTheLocalOffsetInForceAtThatMoment) {
    TestEnv::SetTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_NEAR(ParseMessageDate("15 Jan 2024 12:00 +0000"), At(2024, 1, 15, 13, 0), 1e-7);
    EXPECT_NEAR(ParseMessageDate("15 Jul 2024 12:00 +0000"), At(2024, 7, 15, 14, 0), 1e-7);
    TestEnv::SetTimeZone("JST-9");  // a zone without daylight saving time
    EXPECT_NEAR(ParseMessageDate("Tue, 6 Mar 01 10:20 GMT"), At(2001, 3, 6, 19, 20), 1e-7);
    TestEnv::SetTimeZone("UTC");
}

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
    };
    for (const Case& c : cases) EXPECT_EQ(HeaderParam({c.Line}, "Content-Type", c.Name), c.Value) << c.Line;
    EXPECT_EQ(HeaderParam({"Subject: x"}, "Content-Type", "boundary"), "");
}

TEST(MailHeaderWords, DecodeEveryEncoding) {
    const TCase cases[] = {
        {"=?utf-8?B?R3LDvMOfZQ==?= =?utf-8?B?YXVzIEJlcmxpbg==?=", "Gr\xC3\xBC\xC3\x9F" "e aus Berlin"},
        {"=?iso-8859-1?Q?caf=E9_au_lait?=", "caf\xE9 au lait"},
        {"=?iso-8859-1?q?=3D_starts_with_equals?=", "= starts with equals"},
        {"=?x?U?#86)C?= tail", "abc tail"},
        {"=?x?B?QUJD?=tail", "ABCtail"},
        {"=?x?Z?a_b?=", "a b"},                        // an unknown letter decodes as Q
        {"=?x?B?QQA=?=", "A"},                          // B bytes end at a NUL
        {"  Hello  ", "Hello"},
        {"plain =? not a word", "plain =? not a word"},
        {"=?x?U?#abc?= stays", "=?x?U?#abc?= stays"},  // a bad uuencoded word ends the decoding
        // The search starts again from the beginning, so decoded bytes can form a new word,
        // also with an "=" just before them.
        {"=?x?Q?=3D=3Fx=3FQ=3Fb=3F=3D?=", "b"},
        {"a==?x?Q?=3Fx=3FQ=3Fc=3F=3D?=", "ac"},
    };
    for (const TCase& c : cases) EXPECT_EQ(DecodeHeaderWords(c.In), c.Out) << c.In;
}

TEST(MailHeaderWords, ManyWordsDecodeInLinearTime) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "=?x?Q?ab?= ";
    const std::string decoded = DecodeHeaderWords(text);
    EXPECT_EQ(decoded.size(), 200000u * 3 - 1);
    EXPECT_EQ(decoded.substr(0, 6), "ab ab ");
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
        {"  ", {}, {}},
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
        {"6 Mar 2001 10:00 EST", At(2001, 3, 6, 10, 0)},     // zones other than five characters count as 0
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

#include "TestEnvironment.h"
#include "platform/Charset.h"

#include <clocale>
#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

struct TCase {
    std::string In;
    std::string Out;
};

TEST(Charset, LabelsMapToTheEncodingProgramsReallyWrite) {
    const TCase cases[] = {
        {"iso-8859-1", "CP1252"}, {" Latin1 ", "CP1252"},    {"US-ASCII", "CP1252"},     {"windows-1252", "CP1252"},
        {"shift_jis", "CP932"},   {"x-sjis", "CP932"},       {"gb2312", "GB18030"},      {"GBK", "GB18030"},
        {"ks_c_5601-1987", "CP949"}, {"euc-kr", "CP949"},    {"big5", "BIG5-HKSCS"},     {"koi8-r", "KOI8-R"},
        {"iso-2022-jp", "ISO-2022-JP-2"}, {"utf-16", "UTF-16LE"}, {"UTF8", "UTF-8"},    {"utf-8*en", "UTF-8"},
        {"iso-8859-9", "CP1254"}, {"tis-620", "CP874"},      {"cp850", "CP850"},         // a label iconv knows itself
        {"x-no-such-set", ""},    {"", ""},
    };
    for (const TCase& c : cases) EXPECT_EQ(Charset::IconvName(c.In), c.Out) << c.In;
}

TEST(Charset, DecodesIntoProgramText) {
    struct Case {
        std::string Bytes, Label, Text;
    };
    const Case cases[] = {
        {"caf\xE9 \x80 \x93", "iso-8859-1", "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C"},  // C1 bytes as Windows-1252
        {"\xC7\xD1\xB1\xB9", "ks_c_5601-1987", "\xED\x95\x9C\xEA\xB5\xAD"},
        {"\x83\x65\x83\x58\x83\x67", "Shift_JIS", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"},
        {"\xA4\xA4\xA4\xE5", "big5", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"\xDA\xCF", "koi8-r", "\xD0\xB7\xD0\xBE"},
        {"plain", "utf-16be", "\xE7\x81\xAC\xE6\x85\xA9\xEF\xBF\xBD"},  // odd byte: replaced
        {"\xFE\xFF\x00h\x00i"s, "utf-16", "hi"},                                      // the BOM decides
        {"\xEF\xBB\xBFhi", "utf-8", "hi"},
        {"a\xC3(b", "utf-8", "a\xEF\xBF\xBD(b"},
        {"\xE9", "x-no-such-set", "\xE9"},                                             // unknown: bytes kept
        {"caf\xC3\xA9", "", "caf\xC3\xA9"},                                            // undeclared, valid UTF-8
        {"caf\xE9", "", "caf\xC3\xA9"},                                                // undeclared, Windows-1252
        {"caf\xC3\xA9", "us-ascii", "caf\xC3\xA9"},                                    // ASCII that is not
        {"\xC4\xE3\xBA\xC3", "gb2312", "\xE4\xBD\xA0\xE5\xA5\xBD"},
        {"\xE4\xBD\xA0\xE5\xA5\xBD", "gb2312", "\xE4\xBD\xA0\xE5\xA5\xBD"},              // UTF-8 under a wrong label
        {"\xC3\xA9", "iso-2022-jp", "\xEF\xBF\xBD\xEF\xBF\xBD"},                        // a 7-bit set: never read as UTF-8
        {"\x81", "", "\xEF\xBF\xBD"},                                                  // a byte Windows-1252 leaves free
    };
    for (const Case& c : cases) EXPECT_EQ(Charset::ToAnsi(c.Bytes, c.Label), c.Text) << c.Label << ": " << c.Bytes;
    EXPECT_EQ(Charset::UndeclaredToAnsi("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
}

TEST(Charset, ProgramTextInAnotherCodePage) {
    std::setlocale(LC_ALL, "C");  // ASCII: characters beyond it cannot be held
    EXPECT_EQ(Charset::ToAnsi("caf\xE9", "iso-8859-1"), "caf?");
    EXPECT_EQ(Charset::ToAnsi("\xC7\xD1", "euc-kr"), "?");
    EXPECT_EQ(Charset::ToUtf8("\xC7\xD1", "euc-kr"), "\xED\x95\x9C");  // UTF-8 whatever the locale
    std::setlocale(LC_ALL, "C.UTF-8");
}

}  // namespace

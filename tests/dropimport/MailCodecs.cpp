#include "dropimport/MailCodecs.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace MailCodecs;

namespace {

struct TCase {
    std::string In;
    std::string Out;
};

std::string Base64Line(std::string_view line) {
    std::string out;
    DecodeBase64Line(line, out);
    return out;
}

std::string UULine(std::string_view line) {
    std::string out;
    UUDecodeLine(line, out);
    return out;
}

}  // namespace

TEST(MailQuotedPrintable, DecodesOnlyWhatTheRulesAllow) {
    const TCase cases[] = {
        {"a=3Db", "a=b"},
        {"a=3db", "a=3db"},             // lower-case hex stays
        {"=3D3D", "=3D"},               // a decoded "=" is not decoded again
        {"caf=E9", "caf\xE9"},
        {"soft=\r\nbreak", "softbreak"},
        {"soft=\n\rbreak", "softbreak"},
        {"lone=\rcr", "lonecr"},
        {"lone=\nlf", "lonelf"},
        {"end=", "end"},                // a final "=" disappears
        {"one=A", "one=A"},             // one character after "=": unchanged
        {"x=G1y", "x=G1y"},
        {"=3", "=3"},
        {"a==41", "a=A"},               // the first "=" stays, the scan goes on
        {"=\r\n=41", "A"},
        {std::string("nul=00x", 7), std::string("nul\0x", 5)},
    };
    for (const TCase& c : cases) EXPECT_EQ(DecodeQuotedPrintable(c.In), c.Out) << c.In;
}

TEST(MailQuotedPrintable, EncodingRoundTripsAnyBytesInShortLines) {
    std::mt19937 random(7);
    const std::string samples[] = {
        "", "=", "plain text\r\n", "trailing blank \r\nand tab\t\r\n", "lone\rcr and lone\nlf", "ends with blank ",
        std::string(300, 'x'), std::string("\0\xFF=\r\n", 5),
    };
    std::vector<std::string> inputs(std::begin(samples), std::end(samples));
    for (int i = 0; i < 50; ++i) {
        std::string bytes(random() % 400, '\0');
        for (char& c : bytes) c = static_cast<char>("ab =\r\n\t\x80\xE9"[random() % 10]);
        inputs.push_back(bytes);
    }
    for (const std::string& in : inputs) {
        const std::string encoded = EncodeQuotedPrintable(in);
        EXPECT_EQ(DecodeQuotedPrintable(encoded), in);
        ForEachLine(encoded, [&](std::string_view line) { EXPECT_LE(line.size(), 76u) << line; });
    }
}

TEST(MailBase64, DecodesGroupsPadsAndStrayCharacters) {
    const TCase cases[] = {
        {"QUJD", "ABC"},
        {"QUI=", "AB"},            // pad in the fourth place: two bytes
        {"QQ==", "A"},             // pad in the third place: one byte
        {"====", ""},              // pad in the first place: none
        {"QQ==QUJD", "AABC"},      // groups after a padded one still decode
        {"QUJ", "AB"},             // an unfinished group gives what its symbols complete
        {"QQ", "A"},
        {"Q", ""},
        {"QUJD*UJD", "ABCABC"},    // a stray character repeats the value last seen at its place
        {"*UJD", "\x01" "BC"},     // nothing seen yet at the first place: 0
    };
    for (const TCase& c : cases) EXPECT_EQ(Base64Line(c.In), c.Out) << c.In;
}

TEST(MailBase64, LinesLongerThan176SymbolsDecodeWhole) {
    const std::string bytes(3000, 'z');
    std::string line = EncodeBase64(bytes);
    line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
    line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());
    ASSERT_GT(line.size(), 176u);
    EXPECT_EQ(Base64Line(line), bytes);
}

TEST(MailBase64, BodyDecodesLineByLineAndRoundTrips) {
    EXPECT_EQ(DecodeBase64Body("  QUJD  \r\nREVG\nR0g=\r"), "ABCDEFGH");
    std::mt19937 random(11);
    for (size_t size : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 1000u}) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        const std::string encoded = EncodeBase64(bytes);
        EXPECT_EQ(DecodeBase64Body(encoded), bytes) << size;
        ForEachLine(encoded, [&](std::string_view line) { EXPECT_LE(line.size(), 76u); });
    }
}

TEST(MailUucode, DecodesLinesByTheirCount) {
    const TCase cases[] = {
        {"#86)C", "abc"},
        {"#86)C   ", "abc"},                 // characters past the count are read but give nothing
        {"`", ""},
        {"", ""},
        {"%86)C", std::string("abc\0\0", 5)},  // a count beyond the characters is filled with 0
        {".2&5L;&\\L('=O<FQD(0H`", "Hello, world!\n"},
    };
    for (const TCase& c : cases) EXPECT_EQ(UULine(c.In), c.Out) << c.In;
    // A full line of 45 bytes reads exactly 60 characters; what follows is not even checked.
    std::string expected;
    for (int i = 0; i < 15; ++i) expected += "\x04\x10\x41";
    EXPECT_EQ(UULine("M" + std::string(60, '!') + "junk"), expected);
}

TEST(MailUucode, RejectsCharactersOutsideItsAlphabet) {
    for (const char* bad : {"#abc", "a", "#86)c", "#86\t)"}) {
        std::string out = "kept";
        EXPECT_FALSE(TryUUDecodeLine(bad, out)) << bad;
        EXPECT_EQ(out, "kept");
        try {
            UULine(bad);
            ADD_FAILURE() << bad;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "UUCODE message format error");
        }
    }
    EXPECT_EQ(UUDecodeBody("  #86)C\r\n#86)C\r\n`\r\n"), "abcabc");
}

TEST(MailLines, BytesBecomeLinesUpToTheFirstNul) {
    EXPECT_EQ(BytesToLines(std::string("a\r\nb\rc\nd\0e\r\nf", 13)), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(BytesToLines("x\r\n\r\n"), (std::vector<std::string>{"x", ""}));
    EXPECT_EQ(LinesToText({"x", ""}), "x\r\n\r\n");
    EXPECT_EQ(TrimBlanks("\t a b \t"), "\t a b \t");
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
}

// The note file: the info block's exact bytes, its reader (with the repair of a file without
// a block), the UTF-8 conversions, the block cutter and the URL decoder.
#include "TestEnvironment.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/NoteFile.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ReportUtils;

namespace {

const std::string Head = std::string(NoteWarningLine) + "\r\n" + NoteBeginMarker + "\r\n";
const std::string Tail = std::string(NoteEndMarker) + "\r\n";

// 7 December 2026, 14:03:59: "12/07/26" and "14:03:59" in the pinned C.UTF-8 formats.
TDateTime Created() { return DateTimeUtils::EncodeDateTime({2026, 12, 7, 14, 3, 59, 0}); }

std::string Block(const std::string& xml) { return Head + xml + "\r\n" + Tail; }

bool NearNow(TDateTime t) { return std::abs(t - DateTimeUtils::Now()) < 1.0 / 24; }

}  // namespace

TEST(Utf8Conversion, EncodesUnitByUnit) {
    struct Case { std::u16string in; std::string out; };
    const Case cases[] = {
        {u"A", "A"},
        {u"\u00E9", "\xC3\xA9"},
        {u"\u20AC", "\xE2\x82\xAC"},
        // Each surrogate half gives three bytes of its own.
        {u"\U0001F600", "\xED\xA0\xBD\xED\xB8\x80"},
    };
    for (const auto& c : cases) EXPECT_EQ(WideStringToURF8(c.in), c.out);
}

TEST(Utf8Conversion, DecodesLikeTheBlockReader) {
    struct Case { std::string in; std::u16string out; };
    const Case cases[] = {
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},                       // above U+FFFF: a surrogate pair
        {"\xED\xA0\xBD\xED\xB8\x80", u"\U0001F600"},               // the encoder's own halves come back
        {"a\x80" "b", u"a\u0080b"},                                // a trailing byte in lead position stands for itself
        {"\xF8\x88\x80\x80\x80", std::u16string{0xDFC0, 0xDC00}},   // a 5-byte form still becomes a pair
        {"\xFE\x80\x80\x80\x80\x80", u"\uFFFD"},                   // beyond 0x7FFFFFFF
        {"ab\xE2\x82", u"ab\uFFFD"},                               // cut short by the end of the text
    };
    for (const auto& c : cases) EXPECT_EQ(UTF8ToWideString(c.in), c.out) << Strings::AsciiLower(c.in);
}

TEST(Utf8Conversion, NeverReadsPastTheEndOfItsInput) {
    const std::string bytes = "x\xE2\x82\xAC";
    EXPECT_EQ(UTF8ToWideString(std::string_view(bytes).substr(0, 3)), u"x\uFFFD");
}

TEST(DecodeHttpString, DecodesEscapesAndStopsAtABadOne) {
    struct Case { std::string in; std::string out; };
    const Case cases[] = {
        {"a+b%20c%%d", "a b c%d"},
        {"%41%42%6a", "ABj"},
        {"%00x", std::string("\0x", 2)},  // an escaped NUL is a byte like any other
        {"50%", "50"},                    // cut-off escapes: the decoded prefix
        {"5%4", "5"},
        {"x%zzy", "x"},                   // malformed: decoding stops there
        {"100% pure", "100"},
        {std::string("a\0b", 3), "a"},    // the text ends at a NUL
    };
    for (const auto& c : cases) EXPECT_EQ(decodeHTTPstring(c.in), c.out) << c.in;
}

TEST(GetByTemplate, CutsTheFirstBlock) {
    const TStringList lines = {"warn", "<!--B", "one", "two", "E-->", "after", "E-->"};
    TStringList block;
    EXPECT_TRUE(GetByTemplate("<!--B", "E-->", lines, false, &block));
    EXPECT_EQ(block, (TStringList{"one", "two"}));
    TStringList rest = {"kept"};
    EXPECT_TRUE(GetByTemplate("<!--B", "E-->", lines, true, &rest));
    EXPECT_EQ(rest, (TStringList{"kept", "warn", "after", "E-->"}));
}

TEST(GetByTemplate, EmptyOrMissingBlocks) {
    TStringList target;
    EXPECT_FALSE(GetByTemplate("B", "E", {"B", "E"}, false, &target)) << "adjacent markers: empty block";
    EXPECT_FALSE(GetByTemplate("B", "E", {"B", "  ", "E"}, false, &target)) << "blank block";
    target = {"held"};
    EXPECT_TRUE(GetByTemplate("B", "E", {"B", "E"}, false, &target)) << "the target already held text";
    EXPECT_EQ(target, (TStringList{"held"}));
    // A line with both markers does not end its own block; without a later end nothing changes.
    EXPECT_FALSE(GetByTemplate("B", "E", {"x", "B E", "y"}, false, &target));
    EXPECT_EQ(target, (TStringList{"held"}));
    EXPECT_FALSE(GetByTemplate("B", "E", {"B", "x", "E"}, false, nullptr));
    EXPECT_FALSE(GetByTemplate("", "E", {"B", "x", "E"}, false, &target)) << "an empty marker is never found";
}

TEST(GenerateNodeXML, ElementsInOrderWrittenAsGivenAndEscaped) {
    const std::u16string xml = GenerateNodeXML("a&b", "T<x>", "http://x/?q=1+2%41", Created(), "50% off\r\nnow");
    // Line breaks become character references: the block stays one line.
    EXPECT_EQ(xml,
              u"<NOTE><ORIGINAL_TITLE>T&lt;x&gt;</ORIGINAL_TITLE><ORIGINAL_URL>http://x/?q=1+2%41</ORIGINAL_URL>"
              u"<TITLE>a&amp;b</TITLE><DATE>12/07/26</DATE><TIME>14:03:59</TIME><COMMENTS>50% off&#13;&#10;now</COMMENTS></NOTE>");
}

TEST(SaveNodeToXML, NewFileGetsTheFourBlockPartsOnly) {
    const std::string file = TestEnv::MakeTempDir("save") + "deep/er/Note.html";
    ASSERT_TRUE(SaveNodeToXML(file, "Note", "Site", "http://s/", Created(), "c"));
    EXPECT_EQ(TestEnv::ReadFile(file),
              Block("<NOTE><ORIGINAL_TITLE>Site</ORIGINAL_TITLE><ORIGINAL_URL>http://s/</ORIGINAL_URL><TITLE>Note</TITLE>"
                    "<DATE>12/07/26</DATE><TIME>14:03:59</TIME><COMMENTS>c</COMMENTS></NOTE>"));
}

TEST(SaveNodeToXML, ReplacesTheOldBlockAndKeepsOneWarningLine) {
    const std::string warn = std::string(NoteWarningLine) + "\r\n";
    const std::string html = "<html>\r\n<body>x</body>\r\n</html>\r\n";
    struct Case { const char* what; std::string before; std::string after; };
    const Case cases[] = {
        {"a note as the program writes it", Block("<NOTE/>") + "<html>\n<body>x</body>\r</html>", Block("<NEW/>") + html},
        {"warnings stacked by earlier saves", Block("<NOTE/>") + warn + warn + warn + html, Block("<NEW/>") + html},
        {"a block without its warning line", NoteBeginMarker + std::string("\r\n<NOTE/>\r\n") + Tail + html, Block("<NEW/>") + html},
        {"nothing but a block", Block("<NOTE/>"), Block("<NEW/>")},
        {"a warning inside the page stays", Block("<NOTE/>") + "<p>\r\n" + warn, Block("<NEW/>") + "<p>\r\n" + warn},
        // The file is streamed in pieces: lines longer than a piece, a CR LF and a marker
        // split between two pieces, a block that is never closed, a byte-order mark.
        {"one line longer than a read", Block("<NOTE/>") + std::string(200000, 'x'), Block("<NEW/>") + std::string(200000, 'x') + "\r\n"},
        {"a long line above the block", std::string(70000, 'y') + "\n" + Block("<NOTE/>") + html,
         Block("<NEW/>") + std::string(70000, 'y') + "\r\n" + html},
        {"CR LF across two reads", Block("<NOTE/>") + std::string(65536 - Block("<NOTE/>").size() - 1, 'z') + "\r\nq",
         Block("<NEW/>") + std::string(65536 - Block("<NOTE/>").size() - 1, 'z') + "\r\nq\r\n"},
        {"a marker across two reads", std::string(65536 - 5 - warn.size() - 1, 'w') + "\n" + Block("<NOTE/>") + "p",
         Block("<NEW/>") + std::string(65536 - 5 - warn.size() - 1, 'w') + "\r\np\r\n"},
        {"a block never closed keeps every line", warn + NoteBeginMarker + "\r\n<NOTE/>\rp",
         Block("<NEW/>") + warn + NoteBeginMarker + "\r\n<NOTE/>\r\np\r\n"},
        {"a warning line too long to be one stays", std::string(5000, ' ') + warn + Block("<NOTE/>"),
         Block("<NEW/>") + std::string(5000, ' ') + warn},
        {"the byte-order mark stays first", "\xEF\xBB\xBF" + Block("<NOTE/>") + html, "\xEF\xBB\xBF" + Block("<NEW/>") + html},
    };
    for (const auto& c : cases) {
        const std::string file = TestEnv::MakeTempDir("resave") + "n.html";
        TestEnv::WriteFile(file, c.before);
        ASSERT_TRUE(addXMLInfoToHTML(file, "<NEW/>")) << c.what;
        EXPECT_EQ(TestEnv::ReadFile(file), c.after) << c.what;
    }
}

TEST(SaveNodeToXML, RepeatedSavesLeaveOneWarningLine) {
    const std::string file = TestEnv::MakeTempDir("resaves") + "n.html";
    TestEnv::WriteFile(file, "<html><body>page</body></html>\r\n");
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(SaveNodeToXML(file, "n", "t", "u", Created(), "edit " + std::to_string(i)));
    const TStringList lines = Strings::SplitLines(TestEnv::ReadFile(file));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), NoteWarningLine), 1);
    EXPECT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.back(), "<html><body>page</body></html>");
}

TEST(SaveNodeToXML, AFailedWriteLeavesTheOldNoteIntact) {
    const std::string file = TestEnv::MakeTempDir("full") + "n.html";
    const std::string old = Block("<NOTE/>") + "<p>old</p>\r\n";
    TestEnv::WriteFile(file, old);
    // The child may write only a few hundred bytes per file: the new note is cut half way.
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{300, 300};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        _exit(SaveNodeToXML(file, "n", "t", "u", Created(), std::string(5000, 'c')) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the failure is reported";
    EXPECT_EQ(TestEnv::ReadFile(file), old);
    std::vector<FileSystem::TSearchRec> left;
    FileSystem::ListFolder(FileSystem::ExtractFilePath(file), "*", FileSystem::faAnyFile, left);
    EXPECT_EQ(left.size(), 1u) << "no temporary file stays behind";
}

TEST(LoadNodeFromFile, ReadsTheBlockAndTakesTheNameFromTheFile) {
    const std::string file = TestEnv::MakeTempDir("load") + "Real name.html";
    TestEnv::WriteFile(file, Block("<NOTE><ORIGINAL_TITLE>Page</ORIGINAL_TITLE><ORIGINAL_URL>http://p/</ORIGINAL_URL>"
                                   "<TITLE>Other</TITLE><DATE>12/07/26</DATE><TIME>14:03:59</TIME>"
                                   "<COMMENTS>\xE2\x82\xAC and \xF0\x9F\x98\x80</COMMENTS></NOTE>") +
                                "<html/>\r\n");
    TNoteInfo info;
    ASSERT_TRUE(LoadNodeFromFile(file, info));
    EXPECT_EQ(info.Name, "Real name");
    EXPECT_FALSE(info.IsFolder);
    EXPECT_EQ(info.OriginalTitle, u"Page");
    EXPECT_EQ(info.OriginalURL, u"http://p/");
    EXPECT_EQ(info.Comments, u"\u20AC and \U0001F600");
    EXPECT_DOUBLE_EQ(info.Created, Created());
}

TEST(LoadNodeFromFile, WhatSaveWritesReadsBack) {
    const std::string file = TestEnv::MakeTempDir("roundtrip") + "r.html";
    ASSERT_TRUE(SaveNodeToXML(file, "r", "\xE2\x82\xAC <title> & co", "http://h/a?q=c%2B%2B+tips", Created(),
                              "Save 50% now a+b %41 line\r\nnext\rlast"));
    TNoteInfo info;
    ASSERT_TRUE(LoadNodeFromFile(file, info));
    EXPECT_EQ(info.OriginalTitle, u"\u20AC <title> & co");
    EXPECT_EQ(info.OriginalURL, u"http://h/a?q=c%2B%2B+tips");
    EXPECT_EQ(info.Comments, u"Save 50% now a+b %41 line\r\nnext\rlast");
    EXPECT_DOUBLE_EQ(info.Created, Created());
}

// Any value, saved and read back again and again (as edits, repairs and moves do), stays
// exactly what it was.
TEST(LoadNodeFromFile, ValuesSurviveEverySave) {
    const std::string pieces[] = {"%", "+", "&", "<", ">", "\"", "'", "\r", "\n", "\r\n", " ", "\t", "%41", "%%",
                                  "%zz", "-->", "]]>", "&amp;", NoteEndMarker, NoteBeginMarker, "\x01", "\x7F"};
    std::mt19937 random(13);
    const auto value = [&] {
        std::u16string text;
        for (int n = std::uniform_int_distribution<int>(0, 12)(random); n > 0; --n) {
            const int kind = std::uniform_int_distribution<int>(0, 3)(random);
            if (kind == 0) {
                text += CodePage::AnsiToWide(pieces[random() % std::size(pieces)]);
            } else if (kind == 1) {
                text += static_cast<char16_t>(std::uniform_int_distribution<int>(0x20, 0x7E)(random));
            } else if (kind == 2) {
                char16_t unit;
                do unit = static_cast<char16_t>(std::uniform_int_distribution<int>(0x80, 0xFFFD)(random));
                while (unit >= 0xD800 && unit <= 0xDFFF);
                text += unit;
            } else {
                const char32_t code = std::uniform_int_distribution<char32_t>(0x10000, 0x10FFFF)(random) - 0x10000;
                text += {static_cast<char16_t>(0xD800 + (code >> 10)), static_cast<char16_t>(0xDC00 + (code & 0x3FF))};
            }
        }
        return text;
    };
    const std::string file = TestEnv::MakeTempDir("property") + "p.html";
    for (int round = 0; round < 300; ++round) {
        const std::u16string title = value(), url = value(), comments = value();
        TNoteInfo info{"p", title, url, comments};
        for (int save = 0; save < 3; ++save) {
            ASSERT_TRUE(SaveNodeToXML(file, "p", CodePage::WideToAnsi(info.OriginalTitle), CodePage::WideToAnsi(info.OriginalURL),
                                      Created(), CodePage::WideToAnsi(info.Comments)));
            info = {};
            ASSERT_TRUE(LoadNodeFromFile(file, info));
            ASSERT_EQ(info.OriginalTitle, title) << "round " << round << ", save " << save;
            ASSERT_EQ(info.OriginalURL, url) << "round " << round << ", save " << save;
            ASSERT_EQ(info.Comments, comments) << "round " << round << ", save " << save;
        }
        ASSERT_EQ(Strings::SplitLines(TestEnv::ReadFile(file)).size(), 4u) << "the block stays on one line";
    }
}

// Dates written by other locales and versions are read; one that still cannot be read keeps
// its text on the next save instead of becoming the time of that save.
TEST(LoadNodeFromFile, DatesFromOtherInstallations) {
    struct Case { const char* date; const char* time; TDateTime created; };
    const TDateTime withSeconds = Created(), withoutSeconds = DateTimeUtils::EncodeDateTime({2026, 12, 7, 14, 3, 0, 0});
    const Case cases[] = {
        {"12/07/26", "14:03:59", withSeconds},
        {"12/07/2026", "14:03:59", withSeconds},
        {"12/07/26", "14:03", withoutSeconds},
        {"12/07/2026", "14:03", withoutSeconds},
        {"2026-12-07", "14:03:59", withSeconds},
        {"07.12.2026", "14:03", withoutSeconds},
        {"07.12.26", "14:03:59", withSeconds},
        {"12/07/2026", "2:03:59 PM", withSeconds},
        {"12/07/26", "2:03 PM", withoutSeconds},
    };
    for (const auto& c : cases) {
        const std::string file = TestEnv::MakeTempDir("dates") + "d.html";
        TestEnv::WriteFile(file, Block(std::string("<NOTE><DATE>") + c.date + "</DATE><TIME>" + c.time + "</TIME></NOTE>"));
        TNoteInfo info;
        ASSERT_TRUE(LoadNodeFromFile(file, info));
        EXPECT_DOUBLE_EQ(info.Created, c.created) << c.date << " " << c.time;
    }

    const std::string file = TestEnv::MakeTempDir("dates") + "odd.html";
    TestEnv::WriteFile(file, Block("<NOTE><DATE>7th of Dec</DATE><TIME>noon</TIME></NOTE>"));
    TNoteInfo info;
    ASSERT_TRUE(LoadNodeFromFile(file, info));
    EXPECT_TRUE(NearNow(info.Created));
    ASSERT_TRUE(SaveNodeToXML(file, "odd", "t", "u", info.Created, "edited"));
    const std::string saved = TestEnv::ReadFile(file);
    EXPECT_NE(saved.find("<DATE>7th of Dec</DATE><TIME>noon</TIME>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<COMMENTS>edited</COMMENTS>"), std::string::npos) << saved;
    // A readable old date is replaced by the one the caller gives.
    ASSERT_TRUE(SaveNodeToXML(file, "odd", "t", "u", Created(), "edited"));
    const std::string file2 = TestEnv::MakeTempDir("dates") + "fine.html";
    TestEnv::WriteFile(file2, Block("<NOTE><DATE>01/02/25</DATE><TIME>10:00:00</TIME></NOTE>"));
    ASSERT_TRUE(SaveNodeToXML(file2, "fine", "t", "u", Created(), ""));
    EXPECT_NE(TestEnv::ReadFile(file2).find("<DATE>12/07/26</DATE><TIME>14:03:59</TIME>"), std::string::npos);
}

TEST(LoadNodeFromFile, BlocksWithoutUsableMetadata) {
    struct Case { const char* what; std::string xml; };
    const Case cases[] = {
        {"lower-case root", "<note><ORIGINAL_URL>u</ORIGINAL_URL><DATE>12/07/26</DATE><TIME>14:03:59</TIME></note>"},
        {"not well-formed", "<NOTE><ORIGINAL_URL>u</ORIGINAL_URL><DATE>12/07/26</DATE><TIME>14:03:59</TIME>"},
        {"no time", "<NOTE><DATE>12/07/26</DATE></NOTE>"},
        {"date in no known form", "<NOTE><DATE>7th of Dec</DATE><TIME>14:03:59</TIME></NOTE>"},
    };
    for (const auto& c : cases) {
        const std::string file = TestEnv::MakeTempDir("nometa") + "n.html";
        TestEnv::WriteFile(file, Block(c.xml));
        TNoteInfo info;
        info.OriginalURL = u"kept";
        ASSERT_TRUE(LoadNodeFromFile(file, info)) << c.what;
        EXPECT_EQ(info.OriginalURL, u"kept") << c.what;
        EXPECT_TRUE(NearNow(info.Created)) << c.what;
        EXPECT_EQ(TestEnv::ReadFile(file), Block(c.xml)) << c.what << ": a file with a block is not rewritten";
    }
}

TEST(LoadNodeFromFile, RepairsAFileWithoutABlock) {
    for (const std::string html : {"<html><body>plain</body></html>\r\n", "<!--NOTEXMLINFOBEGIN\r\n \r\nNOTEXMLINFOEND-->\r\n<p>x</p>\r\n"}) {
        const std::string file = TestEnv::MakeTempDir("repair") + "Plain.html";
        TestEnv::WriteFile(file, html);
        TNoteInfo info;
        ASSERT_TRUE(LoadNodeFromFile(file, info));
        EXPECT_EQ(info.Name, "Plain");
        EXPECT_EQ(info.OriginalTitle, u"Unknown site");
        EXPECT_EQ(info.OriginalURL, u"");
        EXPECT_TRUE(NearNow(info.Created));
        const TStringList lines = Strings::SplitLines(TestEnv::ReadFile(file));
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(lines[0], NoteWarningLine);
        EXPECT_EQ(lines[1], NoteBeginMarker);
        EXPECT_TRUE(Strings::StartsWith(lines[2], "<NOTE><ORIGINAL_TITLE>Unknown site</ORIGINAL_TITLE><ORIGINAL_URL/><TITLE>Plain</TITLE><DATE>")) << lines[2];
        EXPECT_TRUE(Strings::EndsWith(lines[2], "</TIME><COMMENTS/></NOTE>")) << lines[2];
        EXPECT_EQ(lines[3], NoteEndMarker);
        EXPECT_EQ(lines.back(), Strings::SplitLines(html).back()) << "the HTML stays after the block";
    }
}

// Repairs keep the file's encoding: a UTF-16 file is left as it is (and shows with the default
// values), a UTF-8 file keeps its byte-order mark first.
TEST(LoadNodeFromFile, RepairsKeepTheFilesEncoding) {
    const std::string dir = TestEnv::MakeTempDir("encodings");
    const auto utf16 = [](std::u16string_view text, bool bigEndian) {
        std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t u : text) {
            const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
            out += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        return out;
    };
    for (const bool bigEndian : {false, true}) {
        const std::string file = dir + (bigEndian ? "be.html" : "le.html");
        const std::string bytes = utf16(u"<html>\r\n<body>\u20AC</body>\r\n</html>\r\n", bigEndian);
        TestEnv::WriteFile(file, bytes);
        TNoteInfo info;
        ASSERT_TRUE(LoadNodeFromFile(file, info));
        EXPECT_EQ(info.OriginalTitle, u"Unknown site");
        EXPECT_TRUE(NearNow(info.Created));
        EXPECT_EQ(TestEnv::ReadFile(file), bytes) << "not rewritten";
        EXPECT_FALSE(SaveNodeToXML(file, "le", "t", "u", Created(), "")) << "a save refuses it too";
        EXPECT_EQ(TestEnv::ReadFile(file), bytes);
    }

    const std::string file = dir + "bom.html";
    TestEnv::WriteFile(file, "\xEF\xBB\xBF<html><body>x</body></html>\r\n");
    TNoteInfo info;
    ASSERT_TRUE(LoadNodeFromFile(file, info));
    std::string text = TestEnv::ReadFile(file);
    ASSERT_TRUE(Strings::StartsWith(text, std::string("\xEF\xBB\xBF") + NoteWarningLine + "\r\n")) << text;
    EXPECT_TRUE(Strings::EndsWith(text, NoteEndMarker + std::string("\r\n<html><body>x</body></html>\r\n"))) << text;
    ASSERT_TRUE(SaveNodeToXML(file, "bom", "t", "u", Created(), "again"));
    text = TestEnv::ReadFile(file);
    EXPECT_TRUE(Strings::StartsWith(text, std::string("\xEF\xBB\xBF") + NoteWarningLine + "\r\n")) << text;
    EXPECT_EQ(text.find("\xEF\xBB\xBF", 1), std::string::npos) << "one mark, first";
}

// A note whose name is as long as a file name may be is repaired and saved like any other.
TEST(LoadNodeFromFile, NotesWithTheLongestNames) {
    const std::string dir = TestEnv::MakeTempDir("long");
    for (const size_t length : {size_t(240), size_t(249), size_t(250)}) {
        const std::string name(length, 'n');
        const std::string file = dir + name + ".html";
        TestEnv::WriteFile(file, "<html>long</html>\r\n");
        TNoteInfo info;
        ASSERT_TRUE(LoadNodeFromFile(file, info)) << length;
        EXPECT_TRUE(Strings::StartsWith(TestEnv::ReadFile(file), NoteWarningLine)) << length << ": repaired";
        EXPECT_TRUE(SaveNodeToXML(file, name, "t", "u", Created(), "c")) << length;
    }
    std::vector<FileSystem::TSearchRec> left;
    FileSystem::ListFolder(dir, "*", FileSystem::faAnyFile, left);
    EXPECT_EQ(left.size(), 3u) << "no temporary file stays behind";
}

TEST(LoadNodeFromFile, FindsTheBlockWhereverTheReadChunksEnd) {
    // The head is read in chunks; line ends that straddle a chunk boundary (CR LF split, a
    // lone CR last) must split exactly as a whole-file read would.
    const std::string xml = "<NOTE><ORIGINAL_URL>u</ORIGINAL_URL></NOTE>";
    for (size_t pad = 4080; pad < 4110; ++pad) {
        for (const char* eol : {"\r\n", "\r", "\n"}) {
            const std::string file = TestEnv::Root() + "chunk.html";
            std::string bytes = std::string(pad, 'x') + eol + NoteBeginMarker + eol + xml + eol + NoteEndMarker + eol;
            bytes = std::string(pad, 'y') + eol + bytes;  // the block starts near 2 * pad
            TestEnv::WriteFile(file, bytes);
            TNoteInfo info;
            ASSERT_TRUE(LoadNodeFromFile(file, info));
            ASSERT_EQ(info.OriginalURL, u"u") << pad;
            ASSERT_EQ(TestEnv::ReadFile(file), bytes) << pad << ": found, so not repaired";
        }
    }
}

TEST(LoadNodeFromFile, FoldersAndMissingFiles) {
    const std::string dir = TestEnv::MakeTempDir("folder") + "Trips/";
    FileSystem::ForceDirectories(dir);
    FileSystem::TSearchRec rec;
    ASSERT_TRUE(FileSystem::GetSearchRec(dir, rec));
    TNoteInfo info;
    ASSERT_TRUE(LoadNodeFromFile(dir, info));
    EXPECT_TRUE(info.IsFolder);
    EXPECT_EQ(info.Name, "Trips");
    EXPECT_DOUBLE_EQ(info.Created, rec.Time);
    EXPECT_FALSE(LoadNodeFromFile(dir + "missing.html", info));
    EXPECT_FALSE(info.IsFolder);
}

TEST(GetShortURL, HostWithoutWwwAndPath) {
    struct Case { const char* in; const char* out; };
    for (auto [in, out] : {Case{"http://WWW.Example.COM/a/b", "example.com"}, Case{"https://www.x.org:8080/p", "x.org:8080"},
                           Case{"www.site.net/page", "site.net"}, Case{"ftp://user@host.com/", "user@host.com"},
                           Case{"http://plain.org", "plain.org"}})
        EXPECT_EQ(GetShortURL(in), out) << in;
}

TEST(FireURL, HandsTheTargetOverAsOneArgument) {
    const std::string bin = TestEnv::MakeTempDir("bin");
    const std::string out = bin + "args.txt";
    TestEnv::WriteFile(bin + "xdg-open", "#!/bin/sh\nprintf '%s|' \"$@\" > " + out + ".tmp && /bin/mv " + out + ".tmp " + out + "\n");
    ::chmod((bin + "xdg-open").c_str(), 0755);
    const std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", bin.c_str(), 1);
    const std::string target = "http://h/a b;$(touch x)&c";
    EXPECT_TRUE(FireURL(target));
    ::setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(FireURL(target)) << "no opener: reported as a failure";
    ::setenv("PATH", oldPath.c_str(), 1);
    for (int i = 0; i < 500 && !FileSystem::FileExists(out); ++i) ::usleep(10000);
    EXPECT_EQ(TestEnv::ReadFile(out), target + "|");
}

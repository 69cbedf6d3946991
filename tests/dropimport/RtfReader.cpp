#include "dropimport/RVRTFReader.h"
#include "platform/CodePage.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct TRun {
    int Position;
    std::string Text;
    int Style;
    bool operator==(const TRun&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TRun& run) {
    return os << "{" << run.Position << ", \"" << run.Text << "\", " << run.Style << "}";
}

// The runs of a document, read through the 8-bit event (or the Unicode event, narrowed to
// UTF-8, when wide is set).
struct TRecorder {
    TRVRTFReader Reader;
    std::vector<TRun> Runs;
    std::vector<TRVRTFTableEventKind> TableEvents;
    int PageBreaks = 0;

    explicit TRecorder(bool wide = false) {
        if (wide) {
            Reader.OnNewUnicodeText = [this](TRVRTFReader& r, const std::u16string& text, TRVRTFPosition position) {
                Runs.push_back({position, CodePage::Utf16ToUtf8(text), r.RTFState().CharProps.Style});
            };
        } else {
            Reader.OnNewText = [this](TRVRTFReader& r, const std::string& text, TRVRTFPosition position) {
                Runs.push_back({position, text, r.RTFState().CharProps.Style});
            };
        }
        Reader.OnTable = [this](TRVRTFReader&, TRVRTFTableEventKind kind) { TableEvents.push_back(kind); };
        Reader.OnRequiredPageBreak = [this](TRVRTFReader&) { ++PageBreaks; };
    }
    TRVRTFErrorCode Read(const std::string& rtf) { return Reader.ReadFromString(rtf); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TRun& run : Runs) texts.push_back(run.Text);
        return texts;
    }
    std::string AllText() const {
        std::string all;
        for (const TRun& run : Runs) all += run.Text;
        return all;
    }
};

const std::string Head = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}";

TEST(RtfReaderRuns, BreaksGiveThePositionOfTheNextRun) {
    struct Case {
        const char* Body;
        std::vector<TRun> Runs;
    };
    const Case cases[] = {
        // two paragraph ends in a row: the second paragraph is empty
        {"Text\\par\\par}", {{2, "Text", 0}, {2, "", 0}}},
        // a formatted group between plain text: three runs, the one after the group continues
        {"plain {\\b bold} more}", {{2, "plain ", 0}, {0, "bold", 1}, {0, " more", 0}}},
        // a paragraph end written in its own group after a formatted run (Word writes this)
        {"{\\b Title}{\\par }Body}", {{2, "Title", 1}, {2, "Body", 0}}},
        {"one\\line two\\line\\line three}", {{2, "one", 0}, {1, "two", 0}, {1, "", 0}, {1, "three", 0}}},
        // a backslash before a line end is a paragraph end (TextEdit writes this)
        {"a\\\nb\\\r\nc}", {{2, "a", 0}, {2, "b", 0}, {2, "c", 0}}},
        // character formatting ends the run even when it changes nothing
        {"ab\\b0 cd}", {{2, "ab", 0}, {0, "cd", 0}}},
        {"\\b x\\plain y}", {{2, "x", 1}, {0, "y", 0}}},
        {"tab\\tab end \\{braces\\} \\\\}", {{2, "tab\tend {braces} \\", 0}}},
    };
    for (const Case& c : cases) {
        TRecorder recorder;
        EXPECT_EQ(recorder.Read(Head + c.Body), rtf_ec_OK) << c.Body;
        EXPECT_EQ(recorder.Runs, c.Runs) << c.Body;
    }
}

TEST(RtfReaderRuns, UnicodeFallbackDependsOnTheListener) {
    struct Case {
        const char* Body;
        const char* Narrow;  // "u" ignored: the fallback stays
        const char* Wide;    // "u" used: "uc" fallback characters skipped
    };
    const Case cases[] = {
        {"caf\\u233?s}", "caf?s", "cafés"},
        {"\\uc2\\u8364 EUx}", "EUx", "€x"},
        {"\\uc0\\u8220 q}", "q", "“q"},
        {"{\\uc2 a}\\u8364?b}", "a?b", "a€b"},  // "uc" holds for its group only
        {"\\u-10179?\\u-8704?}", "??", "😀"},    // a surrogate pair, written as negative numbers
    };
    for (const Case& c : cases) {
        for (bool wide : {false, true}) {
            TRecorder recorder(wide);
            recorder.Read(Head + c.Body);
            EXPECT_EQ(recorder.AllText(), wide ? c.Wide : c.Narrow) << c.Body;
        }
    }
}

TEST(RtfReaderRuns, KeywordsAndHexBytesCountAsFallbackCharacters) {
    TRecorder wide(true);
    wide.Read(Head + "\\uc1 a\\u8217\\'92b \\u8212\\emdash c}");
    EXPECT_EQ(wide.Texts(), std::vector<std::string>{"a’b —c"});
}

TEST(RtfReaderRuns, SkippedGroupsProduceNoText) {
    TRecorder recorder;
    recorder.Read(Head + "a{\\*\\unknownkeyword hidden}b{\\unknownkeyword shown}c{\\header head}{\\info{\\title t}}d"
                         "{\\*\\shppict{\\pict\\pngblip 00}}e{\\*\\fldinst x}f}");
    EXPECT_EQ(recorder.AllText(), "abshowncdexf");  // a "fldinst" outside a field changes nothing
}

TEST(RtfReaderRuns, FieldResultsAreText) {
    TRecorder recorder;
    recorder.Read(Head + "see {\\field{\\*\\fldinst {HYPERLINK \"https://example.org\"}}{\\fldrslt {\\ul site}}} now}");
    EXPECT_EQ(recorder.Runs, (std::vector<TRun>{{2, "see ", 0}, {0, "site", 4}, {0, " now", 0}}));
}

TEST(RtfReaderRuns, TableCellsEndParagraphsAndRowsAddNothing) {
    TRecorder recorder;
    recorder.Read(Head + "\\trowd\\cellx1000\\cellx2000\\pard\\intbl one\\cell two\\cell\\row\\pard after\\par}");
    EXPECT_EQ(recorder.Runs, (std::vector<TRun>{{2, "one", 0}, {2, "two", 0}, {2, "after", 0}}));
    EXPECT_EQ(recorder.TableEvents, (std::vector<TRVRTFTableEventKind>{rvf_tbl_TableStart, rvf_tbl_CellEnd,
                                                                        rvf_tbl_CellEnd, rvf_tbl_RowEnd,
                                                                        rvf_tbl_TableEnd}));
    EXPECT_EQ(recorder.Reader.RTFState().RowProps.Cells().size(), 0u);  // the row group state was restored
}

TEST(RtfReaderRuns, RowCellsBelongToTheGroupThatDefinedThem) {
    TRecorder recorder;
    std::vector<size_t> cells;
    recorder.Reader.OnNewText = [&](TRVRTFReader& r, const std::string&, TRVRTFPosition) {
        cells.push_back(r.RTFState().RowProps.Cells().size());
    };
    recorder.Read(Head + "\\trowd\\cellx100\\cellx200 {\\cellx300 {inner}group}outer}");
    EXPECT_EQ(cells, (std::vector<size_t>{3, 3, 2}));
}

TEST(RtfReaderRuns, TableLevelsStillOpenAreClosedAtTheEnd) {
    TRecorder recorder;
    recorder.Read(Head + "\\pard\\intbl\\itap2 nested\\nestcell}");
    EXPECT_EQ(recorder.TableEvents, (std::vector<TRVRTFTableEventKind>{rvf_tbl_TableStart, rvf_tbl_TableStart,
                                                                        rvf_tbl_CellEnd, rvf_tbl_TableEnd,
                                                                        rvf_tbl_TableEnd}));
}

TEST(RtfReaderRuns, PageBreaksFlushAndReport) {
    TRecorder recorder;
    recorder.Read(Head + "one\\page two}");
    EXPECT_EQ(recorder.PageBreaks, 1);
    EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{"one", "two"}));
}

TEST(RtfReaderRuns, ListTextIsText) {
    TRecorder recorder;
    recorder.Read(Head + "{\\listtext\\pard\\plain 1.\\tab}\\pard item\\par}");
    EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{"1.\t", "item"}));
}

TEST(RtfReaderTables, ColourTable) {
    struct Case {
        const char* Table;
        std::vector<TColor> Colors;
    };
    const Case cases[] = {
        {"{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}", {clWindowText, 0x0000FF, 0xFF8000}},
        {"{\\colortbl\\red0\\green0\\blue0;\\red1\\green2\\blue3;}", {0, 0x030201}},
        {"{\\colortbl;}", {clWindowText}},
    };
    for (const Case& c : cases) {
        TRecorder recorder;
        recorder.Read(std::string("{\\rtf1") + c.Table + "x}");
        EXPECT_EQ(recorder.Reader.ColorTable(), c.Colors) << c.Table;
    }
}

TEST(RtfReaderTables, RunsTakeTheirColourFromTheTable) {
    TRecorder recorder;
    std::vector<TColor> colors;
    recorder.Reader.OnNewText = [&](TRVRTFReader& r, const std::string&, TRVRTFPosition) {
        colors.push_back(r.RTFState().CharProps.Color);
    };
    recorder.Read(Head + "{\\colortbl;\\red255\\green0\\blue0;}\\cf1 red\\cf0 auto\\cf9 kept}");
    EXPECT_EQ(colors, (std::vector<TColor>{0x0000FF, clWindowText, clWindowText}));
}

TEST(RtfReaderTables, FontTableInGroupsAndWithout) {
    struct Case {
        const char* Rtf;
        std::vector<std::pair<int, std::string>> Fonts;
    };
    const Case cases[] = {
        {"{\\rtf1{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f3\\fswiss{\\*\\panose 0}Arial{\\*\\falt Helvetica};}}}",
         {{0, "Times New Roman"}, {3, "Arial"}}},
        // TextEdit writes the entries without groups
        {"{\\rtf1{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;\\f1\\fnil Menlo;}}", {{0, "Helvetica"}, {1, "Menlo"}}},
        // a name without its ";" ends at the next entry and at the table's end
        {"{\\rtf1{\\fonttbl{\\f0 First}{\\f1 Second}}}", {{0, "First"}, {1, "Second"}}},
        // a name written in hex is read in the font's own character set
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset128 \\'82\\'6c\\'82\\'72 Mincho;}}}", {{0, "ＭＳ Mincho"}}},
    };
    for (const Case& c : cases) {
        TRecorder recorder;
        recorder.Read(c.Rtf);
        std::vector<std::pair<int, std::string>> fonts;
        for (const TRVRTFFont& font : recorder.Reader.FontTable()) fonts.emplace_back(font.Number, font.Name);
        EXPECT_EQ(fonts, c.Fonts) << c.Rtf;
    }
}

TEST(RtfReaderTables, FontIndexIsThePositionInTheTable) {
    TRecorder recorder;
    std::vector<int> indexes;
    recorder.Reader.OnNewText = [&](TRVRTFReader& r, const std::string&, TRVRTFPosition) {
        indexes.push_back(r.RTFState().CharProps.FontIndex);
    };
    recorder.Read("{\\rtf1\\deff7{\\fonttbl{\\f7 A;}{\\f2 B;}{\\f2 C;}}\\f2 b\\f7 a\\f5 missing\\plain plain}");
    // the first font of a number counts; an unknown number gives the "deff" number
    EXPECT_EQ(indexes, (std::vector<int>{1, 0, 7, 0}));
}

TEST(RtfReaderTables, StyleSheetEntries) {
    TRecorder recorder;
    recorder.Read("{\\rtf1{\\stylesheet{\\ql\\snext0 Normal;}{\\s1\\sbasedon0\\snext0\\b\\fs32 heading 1;}"
                  "{\\*\\cs10\\additive Default Paragraph Font;}}text}");
    const TRVRTFStyleSheet& styles = recorder.Reader.StyleSheet();
    ASSERT_EQ(styles.size(), 3u);
    EXPECT_EQ(styles[0].Name, "Normal");
    EXPECT_EQ(styles[1].Name, "heading 1");
    EXPECT_EQ(styles[1].Number, 1);
    EXPECT_EQ(styles[1].BasedOn, 0);
    EXPECT_EQ(styles[1].CharProps.Style, rvfsBold);
    EXPECT_EQ(styles[1].CharProps.Size, 16);
    EXPECT_EQ(styles[2].Kind, rtf_sk_Character);
    EXPECT_TRUE(styles[2].Additive);
    EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"text"});  // style properties stay in the sheet
}

TEST(RtfReaderCodePages, HexBytesAreReadInTheCodePageOfTheRunsFont) {
    struct Case {
        const char* Rtf;
        const char* Text;
    };
    const Case cases[] = {
        {"{\\rtf1\\ansi caf\\'e9 \\'93q\\'94}", "café “q”"},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", "При"},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset204 B;}}\\f1\\'cf\\f0\\'cf}", "ПÏ"},
        {"{\\rtf1\\ansi\\ansicpg1253 \\'e1\\'e2}", "αβ"},
        // Shift-JIS: two bytes per character, the second one sometimes a plain character
        {"{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'83n\\'83\\'8b!}", "あハル!"},
        {"{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}", "中文"},
        {"{\\rtf1\\ansi\\ansicpg54321 \\'e9}", "é"},  // an unknown code page reads as Windows-1252
        {"{\\rtf1\\ansi r\\'e9sum\\'e9 \\rquote\\lquote\\endash\\bullet\\~x\\_}", "résumé ’‘–•\u00A0x-"},
        // Mac documents and fonts: "mac", the Mac code pages and character sets 77-89
        {"{\\rtf1\\mac caf\\'8e}", "café"},
        {"{\\rtf1\\mac\\ansicpg10000 caf\\'8e}", "café"},
        {"{\\rtf1\\mac\\ansicpg10001 \\'82\\'a0\\'83n}", "あハ"},
        // the code pages read as the web reads their labels: Shift_JIS as CP932, GB2312 as GBK
        {"{\\rtf1\\mac\\ansicpg10001 \\'87\\'40}", "①"},
        {"{\\rtf1\\ansi\\ansicpg10008 \\'81\\'40}", "丂"},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset89 C;}{\\f1\\fcharset78 J;}}\\f0\\'8f\\f1\\'82\\'a0}", "Пあ"},
        {"{\\rtf1\\pc \\'82}", "é"},
        // a font's own code page ("cpg") comes before its character set; 65001 is UTF-8
        {"{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0\\cpg65001 U;}}\\f0\\'e2\\'82\\'ac}", "€"},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0\\cpg1251 U;}}\\f0\\'cf}", "П"},
        // 8-bit characters written as they are read in the same code page as hex bytes
        {"{\\rtf1\\ansi\\ansicpg1253 \xE1\xE2}", "αβ"},
        {"{\\rtf1\\ansi caf\xE9}", "café"},
    };
    for (const Case& c : cases) {
        for (bool wide : {false, true}) {
            TRecorder recorder(wide);
            recorder.Read(c.Rtf);
            EXPECT_EQ(recorder.AllText(), c.Text) << c.Rtf << (wide ? " (wide)" : "");
        }
    }
}

TEST(RtfReaderErrors, ErrorCodes) {
    struct Case {
        const char* Rtf;
        TRVRTFErrorCode Code;
        const char* Text;  // what was reported before the error
    };
    const Case cases[] = {
        {"{\\rtf1 fine}", rtf_ec_OK, "fine"},
        {"{\\rtf1 fine} trailing text is not read", rtf_ec_OK, "fine"},
        {"{a fragment} between {\\b goes on}", rtf_ec_OK, "a fragmentgoes on"},
        {"}", rtf_ec_StackUnderflow, ""},
        {"{\\rtf1 open {\\b group", rtf_ec_UnmatchedBrace, "open group"},
        {"{\\rtf1 bad \\'zz hex}", rtf_ec_InvalidHex, "bad "},
        {"{\\rtf1 cut \\", rtf_ec_EndOfFile, "cut "},
        {"{\\rtf1 caf\\'e", rtf_ec_UnmatchedBrace, "caf"},  // a hex byte cut off by the end
        {"{\\rtf1 a{\\pict{\\pict 00}}b}", rtf_ec_InvalidPicture, "a"},
        {"{\\rtf1 a{\\pict 0g}b}", rtf_ec_InvalidPicture, "a"},
        {"{\\rtf1 a{\\pict 0a 0b\r\n0c}b}", rtf_ec_OK, "ab"},
    };
    for (const Case& c : cases) {
        TRecorder recorder;
        EXPECT_EQ(recorder.Read(c.Rtf), c.Code) << c.Rtf;
        EXPECT_EQ(recorder.AllText(), c.Text) << c.Rtf;
    }
}

TEST(RtfReaderErrors, DeepNestingStopsWithoutExhaustingTheStack) {
    const size_t depth = TRVRTFReader::MaxGroupDepth + 10;
    TRecorder recorder;
    const std::string rtf = std::string(depth, '{') + "\\b x" + std::string(depth, '}');
    EXPECT_EQ(recorder.Read(rtf), rtf_ec_StackOverflow);
    TRecorder allowed;
    const size_t fits = TRVRTFReader::MaxGroupDepth;
    EXPECT_EQ(allowed.Read(std::string(fits, '{') + "x" + std::string(fits, '}')), rtf_ec_OK);
    EXPECT_EQ(allowed.Texts(), std::vector<std::string>{"x"});
}

TEST(RtfReaderErrors, BinCountPastTheEndEndsTheRead) {
    TRecorder recorder;
    recorder.Reader.OnNewPicture = [](TRVRTFReader&, const TRVRTFPicture*, TRVGraphic&, TRVRTFPosition) {};
    EXPECT_EQ(recorder.Read("{\\rtf1 text{\\pict\\wmetafile8\\bin2000000000 abc"), rtf_ec_UnmatchedBrace);
    EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"text"});
}

TEST(RtfReaderErrors, BinDataIsNotParsed) {
    TRecorder recorder;
    std::vector<std::string> data;
    recorder.Reader.OnNewPicture = [&](TRVRTFReader&, const TRVRTFPicture* picture, TRVGraphic&, TRVRTFPosition) {
        data.push_back(picture->Data);
    };
    const std::string png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x02\0\0\0\x03}{\\", 27);
    EXPECT_EQ(recorder.Read("{\\rtf1{\\pict\\pngblip\\bin27 " + png + "}after}"), rtf_ec_OK);
    EXPECT_EQ(data, std::vector<std::string>{png});
    EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"after"});
}

TEST(RtfReaderInput, StreamAndStringReadTheSame) {
    // Keywords, parameters and hex bytes cut by the 4096-byte buffer must read the same.
    std::string body;
    for (int i = 0; body.size() < 3 * 4096; ++i) body += "w" + std::to_string(i) + "\\b" + std::to_string(i % 2) + " caf\\'e9\\par ";
    for (size_t shift = 0; shift < 12; ++shift) {
        const std::string rtf = "{\\rtf1" + std::string(shift, ' ') + body + "}";
        TRecorder fromString, fromStream;
        fromString.Read(rtf);
        std::istringstream stream(rtf);
        EXPECT_EQ(fromStream.Reader.ReadFromStream(stream), rtf_ec_OK);
        EXPECT_EQ(fromStream.Runs, fromString.Runs) << shift;
    }
}

TEST(RtfReaderPictures, PicturesAreReportedWithTheirRecord) {
    TRecorder recorder;
    struct TSeen {
        TRVRTFPictureType Type;
        int PicW, PicH, Position;
        TRVGraphicKind Kind;
        int Width, Height;
    };
    std::vector<TSeen> seen;
    recorder.Reader.OnNewPicture = [&](TRVRTFReader&, const TRVRTFPicture* p, TRVGraphic& g, TRVRTFPosition pos) {
        seen.push_back({p->Type, p->PicW, p->PicH, pos, g.Kind, g.Width, g.Height});
    };
    // A PNG header of 2 x 3 pixels; types without an image (macpict, a missing type) give no event.
    const std::string png = "89504e470d0a1a0a0000000d4948445200000002000000030802000000";
    recorder.Read("{\\rtf1 a{\\pict\\pngblip\\picw20\\pich30 " + png + "}{\\pict\\macpict 00}{\\pict 00}b\\par{\\pict\\jpegblip 00}}");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].Type, rtf_pict_PNG);
    EXPECT_EQ(seen[0].PicW, 20);
    EXPECT_EQ(seen[0].Position, rtf_ts_ContinuePara);
    EXPECT_EQ(seen[0].Kind, TRVGraphicKind::PNG);
    EXPECT_EQ(seen[0].Width, 2);
    EXPECT_EQ(seen[0].Height, 3);
    EXPECT_EQ(seen[1].Kind, TRVGraphicKind::JPEG);
    EXPECT_EQ(seen[1].Width, 0);  // not a JPEG: no size, no exception
    EXPECT_EQ(seen[1].Position, rtf_ts_NewPara);
    EXPECT_EQ(recorder.Runs, (std::vector<TRun>{{2, "a", 0}, {0, "b", 0}}));  // the picture sets position 0
}

// A picture whose data is not what its type says is left out; the text after it is read.
TEST(RtfReaderPictures, InvalidPicturesAreLeftOut) {
    const std::string pictures[] = {
        "{\\pict\\wmetafile8 0102030405}",
        "{\\pict\\emfblip 0102}",
        "{\\pict\\dibitmap0 0102}",
        // a 10-byte metafile in an object's result, written as binary data
        "{\\object{\\result{\\pict\\wmetafile8\\picw10\\pich10\\bin10 " +
            std::string("\x01\x00\x09\x00\x00\x03\x10\x00\x00\x00", 10) + "}}}",
    };
    for (const std::string& picture : pictures) {
        TRecorder recorder;
        int reported = 0;
        recorder.Reader.OnNewPicture = [&](TRVRTFReader&, const TRVRTFPicture*, TRVGraphic&, TRVRTFPosition) { ++reported; };
        EXPECT_EQ(recorder.Read("{\\rtf1 a" + picture + "b}"), rtf_ec_OK) << picture;
        EXPECT_EQ(reported, 0) << picture;
        EXPECT_EQ(recorder.AllText(), "ab") << picture;
    }
}

// A file named by an include-picture field: the field's instruction text in RTF, with the
// path's backslashes doubled as fields write them.
std::string IncludePictureField(const std::string& path) {
    return "{\\field{\\*\\fldinst {INCLUDEPICTURE \"" + path + "\" \\\\* MERGEFORMAT}}{\\fldrslt {\\pict\\pngblip "
           "89504e470d0a1a0a0000000d4948445200000002000000030802000000}}}";
}

TEST(RtfReaderPictures, IncludePictureReadsNothingAndKeepsTheFieldResult) {
    const std::string dir = TestEnv::MakeTempDir("include");
    const std::string png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x05\0\0\0\x07\x08\x02\0\0\0", 29);
    TestEnv::WriteFile(dir + "pic.png", png);
    ASSERT_EQ(::mkfifo((dir + "fifo.png").c_str(), 0600), 0);
    for (const std::string& path : {dir + "pic.png", dir + "fifo.png", std::string("/dev/zero")}) {
        TRecorder recorder;
        std::vector<int> widths;
        recorder.Reader.OnNewPicture = [&](TRVRTFReader&, const TRVRTFPicture* p, TRVGraphic& g, TRVRTFPosition) {
            ASSERT_NE(p, nullptr);
            widths.push_back(g.Width);
        };
        recorder.Read("{\\rtf1 " + IncludePictureField(path) + "}");
        EXPECT_EQ(widths, std::vector<int>{2}) << path;  // the result's 2 x 3 picture, not the file's 5 x 7
    }
}

}  // namespace

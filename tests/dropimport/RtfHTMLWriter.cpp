#include "dropimport/RVHTMLCheck.h"
#include "dropimport/RVHTMLWriter.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "store/FileOperations.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Head =
    "<STYLE> <!--\r\n  body { font-family: Times New Roman; font-size: 8pt }\r\n-->\r\n</STYLE>\r\n</HEAD>\r\n<BODY>\r\n";

// A document in the default font and size of the conversion (Times New Roman, 8 points).
std::string Doc(const std::string& body) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
           "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue0;}\\fs16 " + body + "}";
}

std::string Sample(const char* name) { return TestEnv::ReadFile(std::string(QB_TEST_DATA_DIR) + "/rtf/" + name); }

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

struct TConversion {
    TRVHTMLWriter Writer;
    TRVHTMLOptions Options;
    TConversion() { Options.PictureFolder = TestEnv::MakeTempDir("pictures"); }
    std::string operator()(const std::string& rtf) { return Writer.ConvertAnsi(rtf, Options); }
};

TEST(RtfHTMLWriter, ParagraphsAndBold) {
    TConversion convert;
    EXPECT_EQ(convert(Doc("\\b First\\b0\\par Second")), Head + "<DIV><B>First</B></DIV>\r\n<DIV>Second</DIV>\r\n");
}

TEST(RtfHTMLWriter, BodyFragments) {
    struct Case {
        const char* Body;
        const char* Html;  // after the head
    };
    const Case cases[] = {
        {"A\\par\\par B", "<DIV>A</DIV>\r\n<DIV>&nbsp;</DIV>\r\n<DIV>B</DIV>\r\n"},
        {"one\\line two", "<DIV>one<BR>two</DIV>\r\n"},
        {"Visit http://example.com/a.", "<DIV>Visit <A href=\"http://example.com/a\">http://example.com/a</A>.</DIV>\r\n"},
        {"a  b", "<DIV>a&nbsp; b</DIV>\r\n"},
        {"\\fs24 big", "<DIV><SPAN style=\"font-size: 12pt; \">big</SPAN></DIV>\r\n"},
        {"\\fs24 a{\\b b}c", "<DIV><SPAN style=\"font-size: 12pt; \">a<B>b</B>c</SPAN></DIV>\r\n"},
        {"\\f1 sans\\f0  serif", "<DIV><SPAN style=\"font-family: Arial; \">sans</SPAN> serif</DIV>\r\n"},
        {"\\cf1 red\\cf2  black\\cf0  auto", "<DIV><SPAN style=\"color: #FF0000; \">red</SPAN> black auto</DIV>\r\n"},
        {"H{\\sub 2}O x{\\super 2} y", "<DIV>H<SUB>2</SUB>O x<SUP>2</SUP> y</DIV>\r\n"},
        // a run of exactly one blank is a non-breaking space
        {"{\\b\\i\\ul all} {\\i it}", "<DIV><B><I><U>all</U></I></B>&nbsp;<I>it</I></DIV>\r\n"},
        // elements close in the reverse order of opening: a new span closes the styles inside
        // the old one and opens them again
        {"\\b a\\fs24 b\\par c", "<DIV><B>a</B><SPAN style=\"font-size: 12pt; \"><B>b</B></SPAN></DIV>\r\n"
                                 "<DIV><SPAN style=\"font-size: 12pt; \"><B>c</B></SPAN></DIV>\r\n"},
        {"\\b x\\i y\\b0 z", "<DIV><B>x<I>y</I></B><I>z</I></DIV>\r\n"},
        {"\\ul a\\par\\par\\par b", "<DIV><U>a</U></DIV>\r\n<DIV>&nbsp;</DIV>\r\n<DIV>&nbsp;</DIV>\r\n<DIV><U>b</U></DIV>\r\n"},
        {"{\\super x\\par y}z", "<DIV><SUP>x</SUP></DIV>\r\n<DIV><SUP>y</SUP>z</DIV>\r\n"},
        {"{\\b a\\line b}", "<DIV><B>a<BR>b</B></DIV>\r\n"},
        {"x{\\up6 2} y{\\dn4 3}", "<DIV>x<SUP>2</SUP> y<SUB>3</SUB></DIV>\r\n"},
        // hidden text and its paragraph marks are not shown
        {"a{\\v hidden\\par}b\\v c\\v0 d", "<DIV>abd</DIV>\r\n"},
        {"\\qc\\li400\\fi-200\\ri100\\sb120\\sa240\\sl360\\slmult1 x",
         "<DIV align=\"center\" style=\"margin-left: 20px; text-indent: -10px; margin-right: 5px; margin-top: 6pt; "
         "margin-bottom: 12pt; line-spacing: 150%; \">x</DIV>\r\n"},
        {"\\qr\\sl-300\\slmult0 x\\par\\pard\\qj y",
         "<DIV align=\"right\" style=\"line-spacing: -15pt; \">x</DIV>\r\n<DIV align=\"justify\">y</DIV>\r\n"},
        {"\\trowd\\cellx100\\cellx200\\pard\\intbl one\\cell two\\cell\\row\\pard after",
         "<DIV>one</DIV>\r\n<DIV>two</DIV>\r\n<DIV>after</DIV>\r\n"},
        {"{\\header page head}{\\*\\annotation comment}body", "<DIV>body</DIV>\r\n"},
    };
    for (const Case& c : cases) {
        TConversion convert;
        const std::string html = convert(Doc(c.Body));
        EXPECT_EQ(html, Head + c.Html) << c.Body;
        EXPECT_EQ(RVHTMLCheck::FirstFault(html), "") << c.Body;
    }
}

TEST(RtfHTMLWriter, DocumentWithoutTextGivesNothing) {
    TConversion convert;
    EXPECT_EQ(convert(Doc("")), "");
    EXPECT_EQ(convert(""), "");
}

TEST(RtfHTMLWriter, BackgroundColour) {
    TConversion convert;
    convert.Options.UseBackgroundColor = true;
    convert.Options.BackgroundColor = 0x00FF80;
    EXPECT_NE(convert(Doc("x")).find("</HEAD>\r\n<BODY bgcolor=\"#80FF00\">\r\n<DIV>x"), std::string::npos);
}

// Generated RTF often has no font table: its runs are in the default font.
TEST(RtfHTMLWriter, DocumentsWithoutFontTableOrWithTextBeforeTheHeaderConvert) {
    struct Case {
        const char* Rtf;
        const char* Html;  // after the head
    };
    const Case cases[] = {
        {"{\\rtf1 no font table}", "<DIV><SPAN style=\"font-size: 12pt; \">no font table</SPAN></DIV>\r\n"},
        {"{\\rtf1\\deff3{\\fonttbl{\\f0 A;}}\\f5\\fs16 past the table}", "<DIV>past the table</DIV>\r\n"},
        {"{\\pard\\fs16 a fragment\\par}\n{\\pard\\fs16 goes on\\par}", "<DIV>a fragment</DIV>\r\n<DIV>goes on</DIV>\r\n"},
        {"/{\\rtf1\\fs16 stray}", "<DIV>stray</DIV>\r\n"},
        {"junk \\b text{\\rtf1\\fs16 after}", "<DIV>after</DIV>\r\n"},
        {"{\\rtf1\\par\\par}", "<DIV>&nbsp;</DIV>\r\n<DIV>&nbsp;</DIV>\r\n"},
    };
    for (const Case& c : cases) {
        TConversion convert;
        EXPECT_EQ(convert(c.Rtf), Head + c.Html) << c.Rtf;
    }
    TConversion convert;
    for (const char* notRtf : {"", "foobar\n", "\\foobar\n"}) EXPECT_EQ(convert(notRtf), "") << notRtf;
}

TEST(RtfHTMLWriter, DocumentTextCannotBecomeMarkup) {
    TConversion convert;
    const std::string html = convert("{\\rtf1{\\fonttbl{\\f0 Evil\"><script>;}}\\f0 <b>&amp;\"}");
    EXPECT_NE(html.find("<SPAN style=\"font-family: Evil&quot;&gt;&lt;script&gt;; font-size: 12pt; \">"
                        "&lt;b&gt;&amp;amp;&quot;</SPAN>"),
              std::string::npos)
        << html;
}

TEST(RtfHTMLWriter, TextToHTML) {
    struct Case {
        const char* Text;
        const char* Html;
    };
    const Case cases[] = {
        {"", ""},
        {" ", "&nbsp;"},
        {"a<b>&\"c\"", "a&lt;b&gt;&amp;&quot;c&quot;"},
        {"a\tb", "a&nbsp;b"},
        {"a   b", "a&nbsp;&nbsp; b"},
        {"see www.x.org, now", "see <A href=\"http://www.x.org\">www.x.org</A>, now"},
        {"(http://a.b/c).", "(<A href=\"http://a.b/c\">http://a.b/c</A>)."},
        {"HTTP://A.B end", "<A href=\"HTTP://A.B\">HTTP://A.B</A> end"},
        {"mailto:me@x.org;", "<A href=\"mailto:me@x.org\">mailto:me@x.org</A>;"},
        {"ftp.example.com\tx", "<A href=\"ftp://ftp.example.com\">ftp.example.com</A>\tx"},
        {"file://c/x https://y.z", "<A href=\"file://c/x\">file://c/x</A> <A href=\"https://y.z\">https://y.z</A>"},
        {"www.x", "www.x"},  // a prefix needs two characters after it
        {"news://ab", "<A href=\"news://ab\">news://ab</A>"},
        {"http://a.b/?x=1&y=\"2\"<b>", "<A href=\"http://a.b/?x=1&amp;y=&quot;2&quot;&lt;b\">"
                                       "http://a.b/?x=1&amp;y=&quot;2&quot;&lt;b</A>&gt;"},
    };
    for (const Case& c : cases) EXPECT_EQ(TRVHTMLWriter::TextToHTML(c.Text), c.Html) << c.Text;
}

TEST(RtfHTMLWriter, PictureBeforeAnyTextComesAfterTheHead) {
    TConversion convert;
    const std::string html = convert(Doc("{\\pict\\wmetafile8\\picw2646\\pich1588 " + Hex(Sample("red.wmf")) + "}after"));
    EXPECT_EQ(html, Head + "<DIV>\r\n<IMG src=\"nntmp0.bmp\" width=\"100\" height=\"60\">\r\nafter</DIV>\r\n");
    EXPECT_EQ(TestEnv::ReadFile(convert.Options.PictureFolder + "nntmp0.bmp").substr(0, 2), "BM");
}

TEST(RtfHTMLWriter, PicturesAreSavedAndCounted) {
    TConversion convert;
    convert.Options.PictureFolder = TestEnv::MakeTempDir("pics") + "not/yet/there/";
    convert.Options.PicturePrefix = "p";
    const std::string html = convert(Sample("pictures.rtf"));
    EXPECT_EQ(html, Head + "<DIV>Before the pictures.</DIV><DIV>\r\n"
                           "<IMG src=\"p0.png\" width=\"100\" height=\"60\">\r\n"
                           "</DIV><DIV align=\"center\">\r\n"
                           "<IMG src=\"p1.png\" width=\"6\" height=\"4\">\r\n"
                           "</DIV><DIV>\r\n"
                           "<IMG src=\"p2.jpg\" width=\"8\" height=\"5\">\r\n"
                           "After.</DIV>\r\n");
    const std::string& folder = convert.Options.PictureFolder;
    EXPECT_EQ(TestEnv::ReadFile(folder + "p1.png"), Sample("small.png"));
    EXPECT_EQ(TestEnv::ReadFile(folder + "p2.jpg"), Sample("small.jpg"));
    EXPECT_EQ(TestEnv::ReadFile(folder + "p0.png"), Sample("small.png"));  // the shape's picture, not its copy
    EXPECT_FALSE(FileSystem::FileExists(folder + "p3.bmp"));
    // The counter starts again with every conversion.
    convert(Doc("{\\pict\\pngblip " + Hex(Sample("small.png")) + "}"));
    EXPECT_TRUE(FileSystem::FileExists(folder + "p0.png"));
}

TEST(RtfHTMLWriter, PicturesBeyondTheLimitGiveAnEmptyTag) {
    TConversion convert;
    const std::string picture = "{\\pict\\pngblip " + Hex(Sample("small.png")) + "}";
    std::string body;
    for (int i = 0; i <= TRVHTMLWriter::MaxSavedPictures; ++i) body += picture;
    const std::string html = convert(Doc("a" + body));
    const std::string last = "<IMG src=\"nntmp" + std::to_string(TRVHTMLWriter::MaxSavedPictures - 1) + ".png\" "
                             "width=\"6\" height=\"4\">\r\n\r\n\r\n</DIV>\r\n";
    EXPECT_EQ(html.substr(html.size() - last.size()), last);
    EXPECT_FALSE(FileSystem::FileExists(convert.Options.PictureFolder + "nntmp" +
                                        std::to_string(TRVHTMLWriter::MaxSavedPictures) + ".png"));
}

TEST(RtfHTMLWriter, OtherPictureTypesGiveAnEmptyTag) {
    std::string dib(56, '\0');
    dib[0] = 40, dib[4] = 2, dib[8] = 2, dib[12] = 1, dib[14] = 24;
    TConversion convert;
    const std::string html = convert(Doc("a{\\pict\\dibitmap0 " + Hex(dib) + "}{\\pict\\jpegblip 0102}b"));
    EXPECT_EQ(html, Head + "<DIV>a\r\n\r\n\r\n\r\nb</DIV>\r\n");
}

TEST(RtfHTMLWriter, NoPicturesWithoutAFolderOrWhenSwitchedOff) {
    const std::string rtf = Doc("a{\\pict\\pngblip " + Hex(Sample("small.png")) + "}b");
    for (int variant = 0; variant < 2; ++variant) {
        TConversion convert;
        const std::string folder = convert.Options.PictureFolder;
        if (variant == 0) convert.Options.SavePictures = false;
        else convert.Options.PictureFolder.clear();
        EXPECT_EQ(convert(rtf), Head + "<DIV>ab</DIV>\r\n");
        EXPECT_FALSE(FileSystem::FileExists(folder + "nntmp0.png"));
    }
}

TEST(RtfHTMLWriter, IncludedPictureShowsTheFieldResult) {
    const std::string dir = TestEnv::MakeTempDir("included");
    TestEnv::WriteFile(dir + "pic.jpg", Sample("small.jpg"));
    TConversion convert;
    const std::string html = convert(Doc("a{\\field{\\*\\fldinst INCLUDEPICTURE \"" + dir + "pic.jpg\"}{\\fldrslt "
                                         "{\\pict\\pngblip " + Hex(Sample("small.png")) + "}}}b"));
    EXPECT_EQ(html, Head + "<DIV>a\r\n<IMG src=\"nntmp0.png\" width=\"6\" height=\"4\">\r\nb</DIV>\r\n");
    EXPECT_FALSE(FileSystem::FileExists(convert.Options.PictureFolder + "nntmp0.jpg"));
}

// A picture that cannot be read or played costs the picture, not the document.
TEST(RtfHTMLWriter, BadPicturesAreLeftOut) {
    std::string cut = Sample("red.wmf");
    cut.resize(cut.size() - 6);  // no end record: the header reads, the playback fails
    const std::string objectBin = "{\\object\\objemb{\\result{\\pict\\wmetafile8\\picw100\\pich100\\bin10 " +
                                  std::string("\x01\x00\x09\x00\x00\x03\x10\x00\x00\x00", 10) + "}}}";
    struct Case {
        std::string Picture;
        const char* Html;  // after the head
    };
    const Case cases[] = {
        {"{\\pict\\wmetafile8\\picw100\\pich100 " + Hex(cut) + "}", "<DIV>a\r\n\r\nb</DIV>\r\n"},
        {objectBin, "<DIV>ab</DIV>\r\n"},
        {"{\\pict\\emfblip 0102}", "<DIV>ab</DIV>\r\n"},
        {"{\\pict\\dibitmap0 0102}", "<DIV>ab</DIV>\r\n"},
        {"{\\pict\\wmetafile8 0102030405}", "<DIV>ab</DIV>\r\n"},
    };
    for (const Case& c : cases) {
        TConversion convert;
        EXPECT_EQ(convert(Doc("a" + c.Picture + "b")), Head + c.Html) << c.Picture.substr(0, 40);
    }
}

TEST(RtfHTMLWriter, PictureFileThatCannotBeWrittenRaises) {
    TConversion convert;
    const std::string blocker = TestEnv::MakeTempDir("blocked") + "file";
    TestEnv::WriteFile(blocker, "a file where the folder should be");
    convert.Options.PictureFolder = blocker + "/";
    EXPECT_THROW(convert(Doc("{\\pict\\pngblip " + Hex(Sample("small.png")) + "}")), EInOutError);
}

TEST(RtfHTMLWriter, WideConversionInPlace) {
    TConversion convert;
    std::u16string text = u"{\\rtf1{\\fonttbl{\\f0 Times New Roman;}}\\fs16 caf\\'e9 \\u8364? €}";
    convert.Writer.Convert(text, convert.Options);
    EXPECT_EQ(text, CodePage::Utf8ToUtf16(Head) + u"<DIV>café € €</DIV>\r\n");
}

TEST(RtfHTMLWriter, NoteDefaults) {
    const TRVHTMLOptions options = TRVHTMLOptions::NoteDefaults();
    EXPECT_EQ(options.PictureFolder, ReportUtils::GetWindowsTempFolder() + "/");
    EXPECT_EQ(options.PicturePrefix, "nntmp");
    EXPECT_EQ(options.DefaultFontName, "Times New Roman");
    EXPECT_EQ(options.DefaultFontSize, 8);
    EXPECT_TRUE(options.SavePictures);
    EXPECT_FALSE(options.UseBackgroundColor);
}

TEST(RtfHTMLWriter, StructuralCheckFindsUnbalancedTags) {
    struct Case {
        const char* Html;
        const char* Fault;
    };
    const Case cases[] = {
        {"", ""},
        {"<STYLE> <!--\r\n  body { }\r\n-->\r\n</STYLE>\r\n</HEAD>\r\n<BODY>\r\n<DIV><B>x<BR><IMG src=\"a\"></B></DIV><HR>", ""},
        {"<div><a href=\"x\">y</A></DIV>", ""},
        {"<B>x<I>y</B></I>", "</B> at 8 closes <I>"},
        {"<DIV>&nbsp;</DIV></U>", "</U> at 17 closes nothing"},
        {"<DIV><SUP>2</DIV>", "</DIV> at 11 closes <SUP>"},
        {"<DIV>x", "<DIV> left open"},
        {"<DIV", "tag cut off at 0"},
        {"<STYLE><!-- x", "comment left open at 7"},
    };
    for (const Case& c : cases) EXPECT_EQ(RVHTMLCheck::FirstFault(c.Html), c.Fault) << c.Html;
}

std::string Field(const std::string& instruction, const std::string& result) {
    return "{\\field{\\*\\fldinst {" + instruction + "}}{\\fldrslt " + result + "}}";
}

TEST(RtfHTMLWriter, HyperlinkFieldsLinkTheirResult) {
    struct Case {
        std::string Body;
        const char* Html;  // after the head
    };
    const Case cases[] = {
        {Field("HYPERLINK \"https://en.wikipedia.org/\"", "Wikipedia"),
         "<DIV><A href=\"https://en.wikipedia.org/\">Wikipedia</A></DIV>\r\n"},
        // the quoted address whole, blanks included; switches and their arguments passed over
        {Field(" HYPERLINK \"file:///C:/My Documents/a b.doc\" \\\\o \"tip\" ", "doc"),
         "<DIV><A href=\"file:///C:/My Documents/a b.doc\">doc</A></DIV>\r\n"},
        {Field("HYPERLINK http://x.org/p \\\\t \"_blank\"", "x"), "<DIV><A href=\"http://x.org/p\">x</A></DIV>\r\n"},
        {Field("HYPERLINK \\\\l \"_Toc1\"", "Chapter"), "<DIV><A href=\"#_Toc1\">Chapter</A></DIV>\r\n"},
        {Field("HYPERLINK \"c:\\\\\\\\temp\\\\\\\\doc1.doc\"", "local"),
         "<DIV><A href=\"c:\\temp\\doc1.doc\">local</A></DIV>\r\n"},
        // formatting inside the result nests inside the link; an address in the shown text is
        // not linked a second time
        {"a " + Field("HYPERLINK \"http://a.b/?q=<1>&r=2\"", "see {\\b www.a.b} now") + " c",
         "<DIV>a <A href=\"http://a.b/?q=&lt;1&gt;&amp;r=2\">see <B>www.a.b</B> now</A> c</DIV>\r\n"},
        // a link across a paragraph end is closed before it and opened again after it
        {Field("HYPERLINK \"http://p.q/\"", "one\\par two"),
         "<DIV><A href=\"http://p.q/\">one</A></DIV>\r\n<DIV><A href=\"http://p.q/\">two</A></DIV>\r\n"},
        // addresses that would run something are shown as text only
        {Field("HYPERLINK \"javascript:alert(1)\"", "click"), "<DIV>click</DIV>\r\n"},
        {Field("HYPERLINK \"VBScript:x\"", "click"), "<DIV>click</DIV>\r\n"},
        {Field("PAGEREF _Toc1 \\\\h", "7"), "<DIV>7</DIV>\r\n"},
    };
    for (const Case& c : cases) {
        TConversion convert;
        const std::string html = convert(Doc(c.Body));
        EXPECT_EQ(html, Head + c.Html) << c.Body;
        EXPECT_EQ(RVHTMLCheck::FirstFault(html), "") << c.Body;
    }
}

TEST(RtfHTMLWriter, NotesFollowTheBodyLinkedByTheirNumbers) {
    TConversion convert;
    const std::string html = convert(Doc("Text{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} First\\par note.} and "
                                         "{\\b more{\\super\\chftn}{\\footnote\\ftnalt\\pard\\chftn  End}}.\\par After"));
    EXPECT_EQ(html, Head +
                        "<DIV>Text<SUP><A name=\"_ftnref1\" href=\"#_ftn1\">1</A></SUP> and <B>more<SUP>"
                        "<A name=\"_ftnref2\" href=\"#_ftn2\">2</A></SUP></B>.</DIV>\r\n<DIV>After</DIV>\r\n"
                        "<HR>\r\n"
                        "<DIV><SUP><A name=\"_ftn1\" href=\"#_ftnref1\">1</A></SUP> First</DIV>\r\n<DIV>note.</DIV>\r\n"
                        "<DIV><B><A name=\"_ftn2\" href=\"#_ftnref2\">2</A> End</B></DIV>\r\n");
    EXPECT_EQ(RVHTMLCheck::FirstFault(html), "");
    // a note left open by a cut document still closes
    const std::string cut = convert("{\\rtf1\\fs16 a{\\footnote\\b n");
    EXPECT_EQ(cut, Head + "<DIV>a</DIV>\r\n<HR>\r\n<DIV><B>n</B></DIV>\r\n");
}

TEST(RtfHTMLWriter, PicturesTakeTheirDisplaySize) {
    const std::string png = Hex(Sample("small.png"));  // 6 x 4 pixels
    const std::string wmf = Hex(Sample("red.wmf"));
    struct Case {
        std::string Picture;
        const char* Tag;
    };
    const Case cases[] = {
        {"{\\pict\\pngblip " + png + "}", "<IMG src=\"nntmp0.png\" width=\"6\" height=\"4\">"},
        {"{\\pict\\pngblip\\picwgoal1440\\pichgoal720 " + png + "}", "<IMG src=\"nntmp0.png\" width=\"96\" height=\"48\">"},
        {"{\\pict\\pngblip\\picscalex50\\picscaley200\\picwgoal1440\\pichgoal720 " + png + "}",
         "<IMG src=\"nntmp0.png\" width=\"48\" height=\"96\">"},
        {"{\\pict\\pngblip\\picscalex200\\picscaley300 " + png + "}", "<IMG src=\"nntmp0.png\" width=\"12\" height=\"12\">"},
        // an icon whose extent says a few pixels is played at the size it is shown at
        {"{\\pict\\wmetafile8\\picw80\\pich80\\picwgoal480\\pichgoal480 " + wmf + "}",
         "<IMG src=\"nntmp0.bmp\" width=\"32\" height=\"32\">"},
        {"{\\pict\\wmetafile8\\picw2646\\pich1588\\picwgoal3000\\pichgoal1800 " + wmf + "}",
         "<IMG src=\"nntmp0.bmp\" width=\"200\" height=\"120\">"},
    };
    for (const Case& c : cases) {
        TConversion convert;
        const std::string html = convert(Doc("a" + c.Picture));
        EXPECT_NE(html.find(c.Tag), std::string::npos) << c.Picture.substr(0, 60) << "\n" << html;
    }
    // The bitmap of a metafile: played at the size shown, never above the metafile's own
    // size (100 x 60 here) unless that is a few pixels only.
    struct TPlayed {
        const char* Size;
        int Width;  // of the bitmap
    };
    const TPlayed played[] = {
        {"\\picw80\\pich80\\picwgoal480\\pichgoal480", 32},
        {"\\picw2646\\pich1588\\picwgoal3000\\pichgoal1800", 100},
        {"\\picw2646\\pich1588\\picwgoal750\\pichgoal450", 50},
    };
    for (const TPlayed& p : played) {
        TConversion convert;
        convert(Doc(std::string("{\\pict\\wmetafile8") + p.Size + " " + wmf + "}"));
        const std::string bmp = TestEnv::ReadFile(convert.Options.PictureFolder + "nntmp0.bmp");
        ASSERT_GE(bmp.size(), 26u);
        EXPECT_EQ(static_cast<unsigned char>(bmp[18]), p.Width) << p.Size;
    }
}

TEST(RtfHTMLWriter, ShapePicturesAndTheirCopies) {
    const std::string png = "{\\pict\\pngblip " + Hex(Sample("small.png")) + "}";
    const std::string wmf = "{\\pict\\wmetafile8\\picw2646\\pich1588 " + Hex(Sample("red.wmf")) + "}";
    const std::string emf = "{\\pict\\emfblip 0102}";
    struct Case {
        std::string Body;
        std::vector<const char*> Files;  // the pictures saved, in order
    };
    const Case cases[] = {
        {"{\\*\\shppict" + png + "}{\\nonshppict" + wmf + "}", {"nntmp0.png"}},
        // a picture nothing here can show gives way to its copy
        {"{\\*\\shppict" + emf + "}{\\nonshppict" + wmf + "}", {"nntmp0.bmp"}},
        {"{\\shp{\\*\\shpinst\\shpleft0{\\sp{\\sn pib}{\\sv " + png + "}}}{\\shprslt " + wmf + "}}", {"nntmp0.png"}},
        {"{\\shp{\\*\\shpinst{\\sp{\\sn fLine}{\\sv 0}}}{\\shprslt " + wmf + "}}", {"nntmp0.bmp"}},
        // two shapes one after the other each keep their own picture
        {"{\\*\\shppict" + png + "}{\\nonshppict" + wmf + "}x{\\*\\shppict" + png + "}{\\nonshppict" + wmf + "}",
         {"nntmp0.png", "nntmp1.png"}},
    };
    for (const Case& c : cases) {
        TConversion convert;
        const std::string html = convert(Doc("a" + c.Body));
        size_t at = 0, count = 0;
        while ((at = html.find("<IMG src=\"", at)) != std::string::npos) {
            ASSERT_LT(count, c.Files.size()) << html;
            EXPECT_EQ(html.substr(at + 10, std::string(c.Files[count]).size()), c.Files[count]);
            ++count;
            ++at;
        }
        EXPECT_EQ(count, c.Files.size()) << html;
        EXPECT_EQ(html.find("sn pib"), std::string::npos);
        EXPECT_EQ(html.find("fLine"), std::string::npos);
    }
}

TEST(RtfHTMLWriter, DocumentCharactersDecodeInTheDocumentsCodePage) {
    TConversion convert;
    // the bytes of a file: raw 8-bit characters are in the font's code page, not the locale's
    EXPECT_EQ(convert("{\\rtf1\\ansi\\ansicpg1252\\fs16 caf\xE9 caf\\'e9}"), Head + "<DIV>café café</DIV>\r\n");
    EXPECT_EQ(convert("{\\rtf1\\ansi\\ansicpg1251\\fs16 \xCF\xF0\xE8}"), Head + "<DIV>При</DIV>\r\n");
    // font names decode the same way, trimmed
    EXPECT_NE(convert("{\\rtf1{\\fonttbl{\\f0\\fcharset204  \\'c0\xF0\xE8\xE0\xEB ;}}\\f0\\fs16 x}").find("font-family: Ариал; "),
              std::string::npos);
    // text already widened keeps its characters
    std::u16string wide = u"{\\rtf1\\ansi\\ansicpg1251\\fs16 café \\'cf}";
    convert.Writer.Convert(wide, convert.Options);
    EXPECT_EQ(wide, CodePage::Utf8ToUtf16(Head) + u"<DIV>café П</DIV>\r\n");
}

// What the word processors' own documents become.
TEST(RtfHTMLWriter, SampleDocuments) {
    struct Case {
        const char* File;
        std::vector<const char*> Fragments;
    };
    const Case cases[] = {
        {"wordpad.rtf",
         {"<SPAN style=\"font-family: Calibri; font-size: 11pt; \">It’s a <B>bold</B> claim, <I>isn’t</I> it?</SPAN>",
          "<SPAN style=\"font-family: Calibri; font-size: 11pt; color: #FF0000; \">Red text</SPAN>",
          "<DIV align=\"center\" style=\"margin-bottom: 10pt; line-spacing: 115%; \">", "Centered café",
          "<SPAN style=\"font-family: Arial; font-size: 11pt; \">Привет</SPAN>",
          "See <A href=\"http://www.example.com/page\">www.example.com/page</A>."}},
        {"textedit.rtf",
         {"<DIV><SPAN style=\"font-family: Helvetica; font-size: 12pt; \">Hello from TextEdit</SPAN></DIV>\r\n"
          "<DIV>&nbsp;</DIV>\r\n",
          "<B>Bold line</B>", "color: #FB0207; \">Red words</SPAN>", " and naïve text."}},
        {"libreoffice.rtf",
         {"<DIV style=\"margin-top: 12pt; margin-bottom: 6pt; \"><SPAN style=\"font-family: Liberation Sans; "
          "font-size: 14pt; \">A heading</SPAN></DIV>",
          "Plain and <B>bold</B> with “quotes”, x<SUP>2</SUP> and H<SUB>2</SUB>O. Emoji: 😀.",
          "<SPAN style=\"font-family: Noto Sans CJK SC; font-size: 12pt; \">中文</SPAN>",
          "<DIV align=\"center\">", "Centered, <BR>second line"}},
        {"word2016.rtf",
         {"<B>Quarterly report</B>", "Sales grew by 5\u00A0% in Zürich – see </SPAN>",
          "color: #0563C1; \"><U>the full report</U></SPAN>", "<DIV><SPAN style=\"font-size: 11pt; \">Region</SPAN></DIV>",
          "<DIV><SPAN style=\"font-size: 11pt; \">Total</SPAN></DIV>", "After the table."}},
    };
    for (const Case& c : cases) {
        TConversion convert;
        const std::string html = convert(Sample(c.File));
        EXPECT_EQ(html.rfind(Head, 0), 0u) << c.File;
        for (const char* fragment : c.Fragments) EXPECT_NE(html.find(fragment), std::string::npos) << c.File << ": " << fragment;
        // Nothing of the skipped parts (document information, themes, style names) shows.
        for (const char* hidden : {"Quillbox Tests", "504b0304", "Normal", "Heading;", "Default Page Style"})
            EXPECT_EQ(html.find(hidden), std::string::npos) << c.File << ": " << hidden;
    }
}

}  // namespace

// The real documents of the shared RTF corpus (word processors, generators and other
// converters' test suites) through the conversion a drop uses: every one converts into
// balanced HTML, and a reviewed set shows the text, pictures and links its document holds.
#include "dropimport/RVHTMLCheck.h"
#include "dropimport/RVHTMLWriter.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string CorpusDir = QB_REALRTF_DIR "/";

const std::string Head =
    "<STYLE> <!--\r\n  body { font-family: Times New Roman; font-size: 8pt }\r\n-->\r\n</STYLE>\r\n</HEAD>\r\n<BODY>\r\n";

// Files of the corpus that are not RTF at all: empty, plain text, a lone keyword.
const std::set<std::string> NotRtf = {"rtfpipe-RtfParserTest_fail_4.rtf", "rtfpipe-RtfParserTest_fail_5.rtf",
                                      "rtfpipe-RtfParserTest_fail_6.rtf"};

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(CorpusDir, error))
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct TConverted {
    std::string Html;
    std::string PictureFolder;
    std::string Error;  // what a conversion that raised said
};

TConverted Convert(const std::string& name) {
    TConverted result;
    TRVHTMLOptions options;
    options.PictureFolder = result.PictureFolder = TestEnv::MakeTempDir("corpus-pictures");
    TRVHTMLWriter writer;
    try {
        result.Html = writer.ConvertAnsi(TestEnv::ReadFile(CorpusDir + name), options);
    } catch (const std::exception& e) {
        result.Error = e.what();
    }
    return result;
}

// The addresses of the links, in order; the note numbers' anchors ("<A name=...") are left out.
std::vector<std::string> Links(const std::string& html) {
    std::vector<std::string> links;
    const std::string open = "<A href=\"";
    for (size_t at = html.find(open); at != std::string::npos; at = html.find(open, at + 1)) {
        const size_t start = at + open.size();
        links.push_back(html.substr(start, html.find('"', start) - start));
    }
    return links;
}

// The pictures the HTML names, each checked to be saved.
int SavedPictures(const TConverted& converted) {
    int count = 0;
    const std::string open = "<IMG src=\"";
    for (size_t at = converted.Html.find(open); at != std::string::npos; at = converted.Html.find(open, at + 1)) {
        const size_t start = at + open.size();
        const std::string file = converted.Html.substr(start, converted.Html.find('"', start) - start);
        EXPECT_FALSE(TestEnv::ReadFile(converted.PictureFolder + file).empty()) << file;
        ++count;
    }
    return count;
}

TEST(RtfCorpus, EveryDocumentConvertsIntoBalancedHtml) {
    ASSERT_TRUE(FileSystem::DirectoryExists(CorpusDir)) << "the RTF corpus is missing: " << CorpusDir;
    const std::vector<std::string> files = CorpusFiles();
    ASSERT_GE(files.size(), 250u) << "the RTF corpus is incomplete: " << CorpusDir;
    for (const std::string& name : files) {
        const TConverted converted = Convert(name);
        const std::string& html = converted.Html;
        EXPECT_EQ(converted.Error, "") << name;
        EXPECT_EQ(RVHTMLCheck::FirstFault(html), "") << name;
        if (NotRtf.count(name)) {
            EXPECT_EQ(html, "") << name;
            continue;
        }
        if (!html.empty()) {
            EXPECT_EQ(html.rfind(Head, 0), 0u) << name << ": something before the head";
        }
        EXPECT_EQ(CodePage::Utf16ToUtf8(CodePage::Utf8ToUtf16(html)), html) << name << ": not valid UTF-8";
        EXPECT_EQ(html.find("\uFFFD"), std::string::npos) << name << ": a character that did not decode";
    }
}

struct TReviewed {
    const char* File;
    std::vector<std::string> Text;    // fragments of the HTML, as the document reads
    int Pictures;                     // pictures shown
    std::vector<std::string> Links;   // link addresses, in order
    std::vector<std::string> Absent;  // what the document holds but does not show
};

// Each expectation was checked against the document's own text.
const TReviewed Reviewed[] = {
    // documents without a font table, or with something before the header
    {"pandoc-accent.rtf", {"le café où on ne fume pas"}, 0, {}, {}},
    {"pandoc-unicode.rtf", {"“hi”‘hi’\uF0B7αä"}, 0, {}, {}},  // "\u-3913" is U+F0B7
    {"pandoc-table_simple.rtf", {">A </SPAN>", ">H </SPAN>"}, 0, {}, {}},
    {"pandoc-tables.rtf", {"Simple table with caption:", ">Right<", "Here’s another one. Note the blank line between rows."}, 0, {}, {}},
    {"rtfpipe-minimal.rtf", {"foobar"}, 0, {}, {}},
    {"rtfpipe-rtf2xml_simplest.rtf", {"hello world"}, 0, {}, {}},
    {"rtfpipe-RtfParserTest_fail_0.rtf",  // a "/" before the header
     {"<BODY>\r\n<DIV><SPAN style=\"font-size: 16pt; \">Hello world</SPAN>", "<B>{RTF}</B>"}, 0, {}, {}},
    // code pages: Mac, Windows double-byte, font character sets, UTF-8 fonts
    {"rtfparserkit-parser_standard_data_test10001Encoding.rtf", {"お読みください"}, 0, {}, {}},
    {"rtfparserkit-parser_standard_data_test10007Encoding.rtf", {"Комманда разработчиков"}, 0, {}, {}},
    {"rtfparserkit-parser_standard_data_testGreekEncoding.rtf", {"Unicode €Ω"}, 0, {}, {}},
    {"rtfparserkit-parser_standard_data_testJapaneseJisEncoding.rtf", {"中國"}, 0, {}, {}},
    {"rtfparserkit-parser_standard_data_testJapaneseUtf8Encoding.rtf", {"中國"}, 0, {}, {}},
    {"rtfparserkit-parser_standard_data_testNecCharacters.rtf", {"Set時に表層10㎜ほどムーニング"}, 0, {}, {}},
    {"rtfparserkit-parser_standard_data_test950Encoding.rtf", {"Copyright © 2004-2013 Test Project"}, 0, {}, {}},
    {"rtfjs-japanese-single-double-byte.rtf", {"（全角ひらがな）", "（半角カタカナ）", "Changing Keyboard language layout"}, 2, {}, {}},
    // pictures: in "shppict" with or without their copy, in shapes, as objects' icons, bad ones
    {"rtfpipe-phprtflite_images.rtf", {"Here is .jpg image.", "Here is .png image."}, 11, {}, {}},
    {"rtfpipe-phprtflite_image_from_strings.rtf", {"<IMG src=\"nntmp2.bmp\" width=\"151\" height=\"151\">"}, 7, {}, {}},
    {"rtfpipe-Issue37.rtf", {"Proba proba", "<IMG src=\"nntmp0.png\" width=\"243\" height=\"186\">"}, 2, {}, {}},
    {"tika-testRTFRegularImages.rtf", {"Duck:", "cat:", "<IMG src=\"nntmp1.jpg\" width=\"131\" height=\"100\">"}, 2, {}, {}},
    {"tika-testRTFEmbeddedFiles.rtf", {"<IMG src=\"nntmp0.bmp\" width=\"100\" height=\"66\">"}, 14, {}, {}},
    {"pandoc-image.rtf", {"<IMG src=\"nntmp0.jpg\" width=\"192\" height=\"192\">"}, 1, {}, {}},
    {"rtfjs-wmf.rtf", {}, 40, {}, {}},
    {"rtfpipe-Issue46.rtf", {"At last you can see an image :"}, 2, {}, {"shapeType"}},
    {"tika-testBinControlWord.rtf", {}, 0, {}, {}},  // its only picture is a 10-byte metafile
    // hidden text, footnotes and endnotes
    {"pandoc-formatting.rtf", {"This is hidden: .", "Small Caps"}, 0, {}, {"secret"}},
    {"pandoc-footnote.rtf",
     {"annotated.<A name=\"_ftnref1\" href=\"#_ftn1\">1</A> It was",
      "<HR>\r\n<DIV><SPAN style=\"font-size: 10pt; \"><SUP><A name=\"_ftn1\" href=\"#_ftnref1\">1</A></SUP>See Sahlins, Bateson, "
      "and Geertz for a complete bibliography.",
      "A complete bibliography will be found at the end of this chapter."},
     0, {}, {}},
    {"rtfpipe-phprtflite_footnotes.rtf",
     {"name=\"_ftnref2\" href=\"#_ftn2\">2</A>", "name=\"_ftn1\" href=\"#_ftnref1\">1</A>", "This is a footnote",
      "This is a another footnote"},
     0, {}, {}},
    {"rtfjs-sample.rtf",
     {"I’m a test file.", "name=\"_ftn1\" href=\"#_ftnref1\">1</A>", "This is the actual content of the footnote."}, 0, {}, {}},
    {"tika-testRTFVarious.rtf",
     {"Here is a text box", "Footnote appears here", "ゾルゲと尾崎、淡々と最期", "𐌲𐌿𐍄𐌹𐍃𐌺", ">This is a hyperlink<"}, 0,
     {"http://tika.apache.org"}, {}},
    // hyperlink fields
    {"pandoc-link.rtf", {">pandoc</SPAN></A>"}, 0, {"http://pandoc.org"}, {}},
    {"pandoc-bookmark.rtf", {"click me</SPAN></A>"}, 0, {"#bookmark_1"}, {}},
    {"libreoffice-hyperlink-with-backslashes.rtf", {"<U>link</U>"}, 0, {"c:\\temp\\doc1.doc"}, {}},
    {"striprtf-hyperlink.rtf", {"<U>google.com</U>"}, 0, {"https://google.com"}, {}},
    {"striprtf-hyperlinks.rtf", {"Wikipedia"}, 0, {"https://www.wikipedia.org", "duckduckgo.com/"}, {}},
    {"rtfpipe-Hyperlink.rtf", {}, 0,
     {"../../Desktop/any_document.rtf", "http://www.cnn.com/", "mailto:phthenry@earthlink.net?subject=subject%20line",
      "http://www.cnn.com/", "../../Desktop/any_document.rtf", "#bookmark_1"},
     {"datafield", "00d0c9ea79f9bace"}},
    {"tika-testRTFHyperlink.rtf", {">frequently asked questions<", "Newsletter"}, 0,
     {"http://r.office.microsoft.com/r/rlidwelcomeFAQ?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWelcomeMail1?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWelcomeMail2?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWelcomeMail3?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWelcomeMail4?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWelcomeMail5?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWelcomeMail6?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWelcomeMail7?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWelcomeMail8?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWelcomeMail9?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWelcomeMail10?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWMailLinkToTraining?clid=1033",
      "http://r.office.microsoft.com/r/rlidOutlookWMailLinkToTraining?clid=1033",
      "http://r.office.microsoft.com/r/rlidNewsletterSignUp?clid=1033"},
     {}},
    {"striprtf-Example_text.rtf", {"Text here with hyperlink", "More text here with hyperlink", "<B>A graphic</B>"}, 2,
     {"https://www.uva.nl/", "https://www.uva.nl/"}, {}},
};

TEST(RtfCorpus, ReviewedDocumentsShowTheirTextPicturesAndLinks) {
    ASSERT_TRUE(FileSystem::DirectoryExists(CorpusDir)) << "the RTF corpus is missing: " << CorpusDir;
    for (const TReviewed& doc : Reviewed) {
        SCOPED_TRACE(doc.File);
        ASSERT_TRUE(FileSystem::FileExists(CorpusDir + doc.File));
        const TConverted converted = Convert(doc.File);
        EXPECT_EQ(converted.Error, "");
        for (const std::string& text : doc.Text) EXPECT_NE(converted.Html.find(text), std::string::npos) << text;
        for (const std::string& text : doc.Absent) EXPECT_EQ(converted.Html.find(text), std::string::npos) << text;
        EXPECT_EQ(SavedPictures(converted), doc.Pictures);
        std::vector<std::string> links = Links(converted.Html);
        EXPECT_EQ(links, doc.Links);
    }
}

}  // namespace

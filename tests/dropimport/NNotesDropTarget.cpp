// The drop target's priority walk through a scripted data object, road by road: e-mail
// messages, CF_HTML, RTF, links and plain text, and data that must make no note.
#include "TestEnvironment.h"
#include "dropimport/DataObject.h"
#include "dropimport/NNotesDropTarget.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

// Offers the given formats; records which ones were read.
class TScriptedData : public TDataObject {
public:
    std::map<std::string, std::string> Formats;
    std::set<std::string> NotInMemory;
    std::vector<std::string> Read;

    bool QueryGetData(const std::string& format) override { return Formats.count(format) || NotInMemory.count(format); }
    TGetResult GetData(const std::string& format, std::string& bytes) override {
        Read.push_back(format);
        if (NotInMemory.count(format)) return TGetResult::NotInMemory;
        const auto it = Formats.find(format);
        if (it == Formats.end()) return TGetResult::NotAvailable;
        bytes = it->second;
        return TGetResult::Ok;
    }
    bool WasRead(const std::string& format) const { return std::find(Read.begin(), Read.end(), format) != Read.end(); }
};

std::string Sample(const std::string& name) {
    return DataFormats::ToCrLf(TestEnv::ReadFile(std::string(QB_TEST_DATA_DIR) + "/" + name));
}

std::string Utf8(const std::u16string& text) { return CodePage::Utf16ToUtf8(text); }
bool Contains(const std::u16string& text, const std::string& part) { return Utf8(text).find(part) != std::string::npos; }

const std::string HtmlMessage =
    "From: \"<b>Eve</b>\" <eve@example.org>\r\nTo: a@example.org, \"B & C\" <b@example.org>\r\n"
    "Subject: <script>alert(1)</script>\r\nDate: Tue, 6 Mar 2001 00:00:00 +0000\r\nContent-Type: text/html\r\n\r\n"
    "<p>body</p>\r\n";

}  // namespace

TEST(NNotesDropTarget, MessageWithHtmlBodyComesFirstWithEscapedHeaderTable) {
    TScriptedData data;
    data.Formats[CFSTR_INETMSG] = HtmlMessage;
    data.Formats[CFSTR_HTML] = "<p>not this</p>";
    TNNotesDropTarget target;
    ASSERT_TRUE(target.GetDataFromDataObject(data));
    EXPECT_FALSE(data.WasRead(CFSTR_HTML));
    EXPECT_EQ(target.Title, u"<script>alert(1)</script>");
    EXPECT_TRUE(target.URL().empty());
    const std::string html = Utf8(target.HTML);
    EXPECT_EQ(html.rfind("<table width=\"99%\" border=\"0\"><tr><td><div align=\"right\">From:</div></td>"
                         "<td width=\"99%\"><div align=\"left\"><a href=\"mailto:eve@example.org\">&lt;b&gt;Eve&lt;/b&gt;</a>",
                         0),
              0u)
        << html;
    EXPECT_NE(html.find("<a href=\"mailto:a@example.org\">a@example.org</a>;<a href=\"mailto:b@example.org\">B &amp; C</a>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_EQ(html.find("CC:"), std::string::npos);  // no Cc row without Cc entries
    EXPECT_NE(html.find("</table><p>body</p>"), std::string::npos);
}

TEST(NNotesDropTarget, MessageRoadsThatFallThrough) {
    {   // a plain-text message falls through to the text, keeping its subject as the title
        TScriptedData data;
        data.Formats[CFSTR_INETMSG] = Sample("mail/plain.eml");
        data.Formats[CFSTR_TEXT] = "Only plain text here.\r\nSecond line.";
        TNNotesDropTarget target;
        ASSERT_TRUE(target.GetDataFromDataObject(data));
        EXPECT_EQ(target.Title, u"Just text");
        EXPECT_EQ(target.HTML, u"Only plain text here.<BR>Second line.");
    }
    {   // with nothing else offered there is no note
        TScriptedData data;
        data.Formats[CFSTR_INETMSG] = Sample("mail/plain.eml");
        TNNotesDropTarget target;
        EXPECT_FALSE(target.GetDataFromDataObject(data));
    }
    {   // a broken message makes no note and no crash
        TScriptedData data;
        data.Formats[CFSTR_INETMSG] = std::string("Content-Type: multipart/mixed; boundary=x\r\n\r\n--x\r\n\xff\xfe--", 55);
        TNNotesDropTarget target;
        EXPECT_FALSE(target.GetDataFromDataObject(data));
    }
    {   // a multipart message with both bodies: the HTML one, decoded
        TScriptedData data;
        data.Formats[CFSTR_INETMSG] = Sample("mail/alternative.eml");
        TNNotesDropTarget target;
        ASSERT_TRUE(target.GetDataFromDataObject(data));
        EXPECT_TRUE(Contains(target.HTML, "<p>Gr\xC3\xBC\xC3\x9F" "e aus <b>Berlin</b>.</p>")) << Utf8(target.HTML);
        EXPECT_TRUE(Contains(target.HTML, "CC:"));
    }
}

// A CF_HTML text with the given marker pair, whose offsets point at body[from, to).
std::string CfHtml(const char* startName, const char* endName, const std::string& body, size_t from, size_t to) {
    char header[200];
    const int length = std::snprintf(header, sizeof header, "%s%010zu\r\n%s%010zu\r\n", startName, size_t(0), endName, size_t(0));
    std::snprintf(header, sizeof header, "%s%010zu\r\n%s%010zu\r\n", startName, length + from, endName, length + to);
    return header + body;
}

TEST(NNotesDropTarget, HtmlFormatMarkersAndSourceUrl) {
    struct Case { const char* what; std::string cf; const char16_t* html; const char16_t* url; };
    const Case cases[] = {
        {"fragment", DataFormats::MakeCFHTML("<b>x</b>", "", true), u"<b>x</b>", u""},
        {"fragment with source", DataFormats::MakeCFHTML("<b>x</b>", "https://ex.org/p?q=1&r", true), u"<b>x</b>",
         u"https://ex.org/p?q=1&r"},
        {"whole document", DataFormats::MakeCFHTML("<p>doc</p>", "file:///tmp/a%20b.html", false), u"<p>doc</p>",
         u"file:///tmp/a%20b.html"},
        {"half a fragment pair", CfHtml("StartHTML:", "EndHTML:", "StartFragment:0000000000\r\n", 0, 5), u"Start",
         u""},
        {"no markers at all", "Version:0.9\r\n<i>y</i>", u"Version:0.9\r\n<i>y</i>", u""},
        {"fragment without markup", CfHtml("StartHTML:", "EndHTML:", "a\r\nb&c", 0, 6), u"a<BR>b&c", u""},
        {"offsets past the end", CfHtml("StartFragment:", "EndFragment:", "<u>z</u>", 0, 999999), u"<u>z</u>", u""},
        {"reversed offsets", CfHtml("StartHTML:", "EndHTML:", "<u>z</u>", 5, 2), u"", u""},
        {"marker followed by a blank", "StartHTML: 36\r\nEndHTML:0000000010\r\n<u>z</u>", u"StartHTML:", u""},
    };
    for (const Case& c : cases) {
        TScriptedData data;
        data.Formats[CFSTR_HTML] = c.cf;
        data.Formats[CFSTR_TEXT] = "never read";
        TNNotesDropTarget target;
        ASSERT_TRUE(target.GetDataFromDataObject(data)) << c.what;
        EXPECT_EQ(target.HTML, c.html) << c.what << ": " << Utf8(target.HTML);
        EXPECT_EQ(target.URL(), c.url) << c.what;
        EXPECT_FALSE(data.WasRead(CFSTR_TEXT)) << c.what;
    }
}

TEST(NNotesDropTarget, LinkNoteNamedByTheFileGroupDescriptor) {
    struct Case { const char* what; const char* url; const char* descriptor; const char* html; };
    const Case cases[] = {
        {"no descriptor", "https://ex.org/a?b=1&c=2", nullptr,
         "<A HREF=\"https://ex.org/a?b=1&amp;c=2\">https://ex.org/a?b=1&amp;c=2</A>"},
        {"page title", "https://ex.org/", "Page <Title>.url", "<A HREF=\"https://ex.org/\">Page &lt;Title&gt;</A>"},
        {"four characters", "https://ex.org/", "abcd", "<A HREF=\"https://ex.org/\">https://ex.org/</A>"},
        {"three characters", "https://ex.org/", "abc", "<A HREF=\"https://ex.org/\">abc</A>"},
        {"quote in the address", "https://ex.org/\"><script>", nullptr,
         "<A HREF=\"https://ex.org/&quot;&gt;&lt;script&gt;\">https://ex.org/&quot;&gt;&lt;script&gt;</A>"},
    };
    for (const Case& c : cases) {
        TScriptedData data;
        data.Formats[CFSTR_URL] = c.url;
        if (c.descriptor) data.Formats[CFSTR_FILEDESCRIPTOR] = DataFormats::FileGroupDescriptor(c.descriptor);
        TNNotesDropTarget target;
        ASSERT_TRUE(target.GetDataFromDataObject(data)) << c.what;
        EXPECT_EQ(Utf8(target.HTML), c.html) << c.what;
        EXPECT_TRUE(target.URL().empty() && target.Title.empty()) << c.what;
    }
    // A descriptor in another medium ends the read.
    TScriptedData data;
    data.Formats[CFSTR_URL] = "https://ex.org/";
    data.NotInMemory.insert(CFSTR_FILEDESCRIPTOR);
    TNNotesDropTarget target;
    EXPECT_FALSE(target.GetDataFromDataObject(data));
}

TEST(NNotesDropTarget, PlainTextIsEscapedAndKeepsItsLines) {
    TScriptedData data;
    const char text[] = "a < b & c\r\n<script>x</script>\0ignored";  // a NUL ends the text
    data.Formats[CFSTR_TEXT] = std::string(text, sizeof text - 1);
    TNNotesDropTarget target;
    ASSERT_TRUE(target.GetDataFromDataObject(data));
    EXPECT_EQ(target.HTML, u"a &lt; b &amp; c<BR>&lt;script&gt;x&lt;/script&gt;");
}

TEST(NNotesDropTarget, RtfWithPicturesAndRtfTheReaderRejects) {
    TScriptedData data;
    data.Formats[CFSTR_RTF] = TestEnv::ReadFile(std::string(QB_TEST_DATA_DIR) + "/rtf/pictures.rtf");
    TNNotesDropTarget target;
    ASSERT_TRUE(target.GetDataFromDataObject(data));
    const std::string folder = CodePage::WideToAnsi(target.URL());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(Contains(target.HTML, "<IMG src=\"nntmp0.png\""));
    EXPECT_TRUE(FileSystem::FileExists(folder + "nntmp0.png"));

    TScriptedData rejected;  // not RTF at all: it converts to nothing, the text is taken instead
    rejected.Formats[CFSTR_RTF] = "no fonts";
    rejected.Formats[CFSTR_TEXT] = "no fonts";
    ASSERT_TRUE(target.GetDataFromDataObject(rejected));
    EXPECT_EQ(target.HTML, u"no fonts");
    EXPECT_TRUE(target.URL().empty());
}

TEST(NNotesDropTarget, AcceptedFormatsAndDataThatMakesNoNote) {
    TNNotesDropTarget target;
    TScriptedData descriptorOnly;
    descriptorOnly.Formats[CFSTR_FILEDESCRIPTOR] = DataFormats::FileGroupDescriptor("a.url");
    EXPECT_FALSE(target.CheckValidFormats(descriptorOnly));
    EXPECT_FALSE(target.ClipbardCheckValidFormats(nullptr));
    EXPECT_FALSE(target.DoGetData(nullptr));
    for (const char* format : {CFSTR_INETMSG, CFSTR_HTML, CFSTR_RTF, CFSTR_URL, CFSTR_TEXT}) {
        TScriptedData one;
        one.Formats[format] = "x";
        EXPECT_TRUE(target.CheckValidFormats(one)) << format;
    }
    // Data in another medium stops the walk: the text after it is not read.
    TScriptedData streamed;
    streamed.NotInMemory.insert(CFSTR_HTML);
    streamed.Formats[CFSTR_TEXT] = "text";
    EXPECT_FALSE(target.GetDataFromDataObject(streamed));
    EXPECT_FALSE(streamed.WasRead(CFSTR_TEXT));
}

TEST(NNotesDropTarget, SecondReadCarriesNothingOver) {
    TNNotesDropTarget target;
    TScriptedData mail;
    mail.Formats[CFSTR_INETMSG] = HtmlMessage;
    ASSERT_TRUE(target.GetDataFromDataObject(mail));
    TScriptedData html;
    html.Formats[CFSTR_HTML] = DataFormats::MakeCFHTML("<i>x</i>", "https://a.org/", false);
    ASSERT_TRUE(target.GetDataFromDataObject(html));
    EXPECT_EQ(target.HTML, u"<i>x</i>");
    EXPECT_EQ(target.URL(), u"https://a.org/");
    EXPECT_TRUE(target.Title.empty());
    TScriptedData text;
    text.Formats[CFSTR_TEXT] = "t";
    ASSERT_TRUE(target.GetDataFromDataObject(text));
    EXPECT_TRUE(target.URL().empty() && target.Title.empty());
}

TEST(NNotesDropTarget, LargeTextDrop) {
    std::string text;
    text.reserve(50u << 20);
    while (text.size() < (50u << 20)) text += "line of text with < and &\r\n";
    TScriptedData data;
    data.Formats[CFSTR_TEXT] = text;
    TNNotesDropTarget target;
    ASSERT_TRUE(target.GetDataFromDataObject(data));
    EXPECT_GT(target.HTML.size(), text.size());
    EXPECT_EQ(target.HTML.substr(0, 37), u"line of text with &lt; and &amp;<BR>l");
}

// The gumbo document loader: what a note's body children look like as outer HTML, the
// title, the character set of the file, and a load that is aborted while it waits.
#include "TestEnvironment.h"
#include "reports/GumboDocumentLoader.h"
#include "store/HtmlParsing.h"

#include <gtest/gtest.h>

namespace {

using namespace GumboDocumentLoader;
using TLines = std::vector<std::string>;

TLines Children(const THTMLDocument& document) {
    TLines children;
    for (size_t i = 0; i < document.ChildCount(); ++i) children.push_back(document.ChildOuterHTML(i));
    return children;
}

TLines BodyChildren(const std::string& html) { return Children(*ParseHTMLDocument(html, "file:///n.html")); }

TEST(GumboDocument, BodyChildElementsAsOuterHTML) {
    struct Case { const char* html; TLines children; };
    const Case cases[] = {
        {"<body>loose text<p class=a>one</p> tail <!--c--><div>two</div></body>",
         {"loose text", "<p class=\"a\">one</p>", " tail ", "<!--c-->", "<div>two</div>"}},
        {"line<BR>line &amp; 1 &lt; 2", {"line", "<br>", "line &amp; 1 &lt; 2"}},
        {"<p title='a \"b\" &amp; <c>'>x</p>", {"<p title=\"a &quot;b&quot; &amp; &lt;c&gt;\">x</p>"}},
        {"<p>1 &lt; 2 &amp;&amp; 3 &gt; 2&nbsp;!</p>", {"<p>1 &lt; 2 &amp;&amp; 3 &gt; 2&nbsp;!</p>"}},
        {"<P>a<BR>b<IMG SRC=x.png ALT=\"\"></P>", {"<p>a<br>b<img src=\"x.png\" alt=\"\"></p>"}},
        {"<ul><li>a<li>b</ul><p>c", {"<ul><li>a</li><li>b</li></ul>", "<p>c</p>"}},
        {"<table><tr><td>1</table>", {"<table><tbody><tr><td>1</td></tr></tbody></table>"}},
        {"<b><i>x</b>y</i>", {"<b><i>x</i></b>", "<i>y</i>"}},
        {"<div>a<!-- kept -->b</div>", {"<div>a<!-- kept -->b</div>"}},
        {"<My-Widget Data-X=1>t</My-Widget>", {"<my-widget data-x=\"1\">t</my-widget>"}},
        {"<p>a</p></><Odd-Tag>b</Odd-Tag>", {"<p>a</p>", "<odd-tag>b</odd-tag>"}},  // "</>" is ignored markup
        {"<svg viewBox='0 0 1 1'><foreignObject><p>x</p></foreignObject><a xlink:href='#x'>l</a></svg>",
         {"<svg viewBox=\"0 0 1 1\"><foreignObject><p>x</p></foreignObject><a xlink:href=\"#x\">l</a></svg>"}},
        {"<p>Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC</p>", {"<p>Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC</p>"}},
        {"<p>x</p><template><b>t</b></template>", {"<p>x</p>", "<template><b>t</b></template>"}},
        {"only text", {"only text"}},
        {"", {}},
        {"<frameset><frame src=a></frameset>", {"<frame src=\"a\">"}},
    };
    for (const auto& c : cases) EXPECT_EQ(BodyChildren(c.html), c.children) << c.html;
}

TEST(GumboDocument, TitleAndLocation) {
    const auto document = ParseHTMLDocument("<title>\n  A\t title  here </title><p>x</p>", "file:///x/n.html");
    EXPECT_EQ(document->Title(), "A title here");
    EXPECT_EQ(document->Location(), "file:///x/n.html");
    EXPECT_EQ(document->ChildOuterHTML(5), "") << "past the end";
    EXPECT_EQ(ParseHTMLDocument("<p>no title</p>", "")->Title(), "");
}

TEST(GumboDocument, ReadsTheFilesCharacterSet) {
    struct Case { std::string bytes; const char* child; };
    const Case cases[] = {
        {"<meta http-equiv=Content-Type content='text/html; charset=windows-1252'><p>caf\xE9 \x80</p>", "<p>caf\xC3\xA9 \xE2\x82\xAC</p>"},
        {"\xEF\xBB\xBF<p>\xC3\xA9</p>", "<p>\xC3\xA9</p>"},
        {std::string("\xFF\xFE<\0p\0>\0\xE9\0<\0/\0p\0>\0", 18), "<p>\xC3\xA9</p>"},
        {"<meta charset=utf-16><p>\xC3\xA9</p>", "<p>\xC3\xA9</p>"},
        {"<meta charset=no-such-set><p>\xC3\xA9</p>", "<p>\xC3\xA9</p>"},
        {"<p>bad \xFF byte</p>", "<p>bad \xC3\xBF byte</p>"},  // not UTF-8: Windows-1252
    };
    for (const auto& c : cases) EXPECT_EQ(BodyChildren(c.bytes), TLines{c.child}) << c.bytes;
}

TEST(GumboDocumentLoader, LoadsAFileOrGivesNothing) {
    const std::string dir = TestEnv::MakeTempDir("loader");
    TestEnv::WriteFile(dir + "note one.html", "<title>T</title><p>a</p>\r\n<p>b</p>");
    const auto loader = Create();
    const auto document = loader->Load(dir + "note one.html", nullptr);
    ASSERT_TRUE(document);
    EXPECT_EQ(Children(*document), (TLines{"<p>a</p>", " ", "<p>b</p>"}));
    EXPECT_EQ(document->Title(), "T");
    EXPECT_EQ(document->Location(), HtmlParsing::FileURL(dir + "note one.html"));
    EXPECT_FALSE(loader->Load(dir + "missing.html", nullptr));
    EXPECT_FALSE(loader->Load(dir, nullptr)) << "a folder is no document";
    int asked = 0;
    EXPECT_FALSE(loader->Load(dir + "note one.html", [&] { return ++asked > 0; })) << "aborted before it started";
    EXPECT_EQ(asked, 1);
}

TEST(GumboDocumentLoader, ReadAheadGivesTheSameDocuments) {
    const std::string dir = TestEnv::MakeTempDir("ahead");
    for (const char* name : {"a", "b", "c", "d"}) TestEnv::WriteFile(dir + name + ".html", std::string("<p>") + name + "</p>");
    const auto loader = Create();
    loader->Prefetch({dir + "a.html", dir + "b.html", dir + "c.html"});
    TestEnv::WriteFile(dir + "c.html", "<p>c, changed before its turn</p>");
    loader->Prefetch({dir + "d.html"});  // a, b and c are no longer expected
    for (const char* name : {"b", "a", "d"})
        EXPECT_EQ(Children(*loader->Load(dir + name + ".html", nullptr)), TLines{std::string("<p>") + name + "</p>"}) << name;
    EXPECT_EQ(Children(*loader->Load(dir + "c.html", nullptr)), TLines{"<p>c, changed before its turn</p>"})
        << "a dropped read-ahead is read again";
    loader->Prefetch({dir + "a.html", dir + "missing.html"});
    EXPECT_FALSE(loader->Load(dir + "missing.html", nullptr));
}  // the loader goes with a read-ahead still pending

TEST(GumboDocumentLoader, AnAbortEndsTheWaitForALongDocument) {
    const std::string file = TestEnv::MakeTempDir("long") + "long.html";
    std::string html;
    for (int i = 0; i < 60000; ++i) html += "<div><p class=x>Some <b>text</b> and <a href='http://x.org/'>a link</a>.</p></div>\n";
    TestEnv::WriteFile(file, html);
    int asked = 0;
    // The first question comes before the parse starts, the second while it runs.
    EXPECT_FALSE(Create()->Load(file, [&] { return ++asked == 2; }));
    EXPECT_EQ(asked, 2);
}

}  // namespace

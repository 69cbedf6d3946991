// The core HTML unit: the parse entry point and its guard against hostile nesting, the walk,
// the character set a page declares and the file URL of a path.
#include "TestEnvironment.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/HtmlImageRefs.h"
#include "store/HtmlParsing.h"
#include "store/NoteImages.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace HtmlParsing;

std::string Repeat(std::string_view unit, size_t bytes) {
    std::string out;
    out.reserve(bytes + unit.size());
    while (out.size() + unit.size() <= bytes) out += unit;
    return out;
}

// A picture at the top, then <div>s opened and never closed, with a picture at the bottom.
std::string NestedDivs(size_t bytes) {
    const std::string top = "<p><img src=\"http://example.com/top.png\">top</p>";
    return top + Repeat("<div>", bytes - top.size()) + "deep<img src=\"http://example.com/deep.png\">";
}

// The depth of the deepest element of the tree.
size_t TreeDepth(const GumboOutput& output) {
    size_t depth = 0, deepest = 0;
    Walk(
        output.root,
        [&](const GumboNode* node) {
            if (!IsElement(node)) return TVisit::Skip;
            deepest = std::max(deepest, ++depth);
            return TVisit::Descend;
        },
        [&](const GumboNode*) { --depth; });
    return deepest;
}

// The text of the whole tree, in document order.
std::string TreeText(const GumboOutput& output) {
    std::string text;
    Walk(output.root, [&](const GumboNode* node) {
        if (node->type == GUMBO_NODE_TEXT) text += node->v.text.text;
        return TVisit::Descend;
    });
    return text;
}

constexpr size_t DepthSlack = 8;  // html, body and the elements the parser adds around tables

TEST(HtmlParsing, DeeplyNestedPagesAreReadUpToTheDepthLimit) {
    for (const size_t bytes : {25u << 10, 100u << 10, 500u << 10, 2u << 20, 10u << 20}) {
        const std::string html = NestedDivs(bytes);
        const TTree tree = Parse(html);
        ASSERT_TRUE(tree) << bytes;
        EXPECT_LE(TreeDepth(*tree), MaxNestingDepth + DepthSlack) << bytes;
        EXPECT_GE(TreeDepth(*tree), MaxNestingDepth - DepthSlack) << bytes << ": read up to the limit";
        EXPECT_EQ(TreeText(*tree), "top") << bytes << ": the part past the limit is left out";
    }
}

// Markup that makes the parser nest deeper than its tags look: the guard must still count
// every level the parser builds, whatever the trick.
TEST(HtmlParsing, HostileSoupNeverNestsPastTheLimit) {
    struct Case { const char* name; std::string html; };
    std::string distinctBold;  // formatting elements the parser opens again in every block
    for (int i = 0; distinctBold.size() < (1 << 20); ++i)
        distinctBold += "<div><b id=" + std::to_string(i) + "><i class=" + std::to_string(i) + ">x</div>";
    std::string svgFont;
    for (int i = 0; svgFont.size() < (1 << 20); ++i) svgFont += "<svg><g><g><font>";
    const Case cases[] = {
        {"unclosed table", Repeat("<table><tr><td>", 2 << 20)},
        {"unclosed b", Repeat("<b>", 2 << 20)},
        {"unclosed a", Repeat("<a href=x>", 2 << 20)},
        {"table, b and a", Repeat("<table><td><b><a href=#>x", 2 << 20)},
        {"self-closed divs", Repeat("<div/>", 2 << 20)},
        {"end tags that close nothing", Repeat("<span><div></span>", 2 << 20)},
        {"paragraphs in objects", Repeat("<p><object>", 2 << 20)},
        {"list items in divs", Repeat("<li><div>", 2 << 20)},
        {"cells in cells", Repeat("<table><td><div><td>", 2 << 20)},
        {"reopened formatting", distinctBold + Repeat("<p>y", 1 << 20)},
        {"foreign content", svgFont},
        {"mismatched foreign end tags", Repeat("<svg><desc><div></svg>", 2 << 20)},
        // Start tags the parser ignores where the scan must not skip text, and end tags that
        // close nothing there.
        {"raw text in a column group", "<template><col><noembed>" + Repeat("<template><mi>", 1 << 20)},
        {"raw text after an ignored tag", "<template><col><div><noembed>" + Repeat("<template><mi>", 1 << 20)},
        {"MathML title", Repeat("<code><math><title><code></title>", 1 << 20)},
        {"HTML foreignObject", "<svg>" + Repeat("<foreignObject><s><path/></foreignObject>", 1 << 20)},
        {"selects in framesets", Repeat("<frameset><select>", 1 << 20)},
        {"captions in templates", Repeat("<h1><desc><template><caption>", 1 << 20)},
    };
    for (const auto& c : cases) {
        const TTree tree = Parse(c.html);
        ASSERT_TRUE(tree) << c.name;
        EXPECT_LE(TreeDepth(*tree), MaxNestingDepth + DepthSlack) << c.name;
    }
}

TEST(HtmlParsing, OrdinaryPagesAreReadWhole) {
    const std::string article = "<!DOCTYPE html><html><head><title>T</title><script>if (a<b) document.write('<div>');</script>"
                                "<style>p > b {}</style></head><body>" +
                                Repeat("<div class=c><p>Text <b>bold <i>both</i></b> <a href='x?a=1&b=2'>link</a><br>"
                                       "<img src=a.png alt='a > b'><ul><li>one<li>two</ul><table><tr><td>1<td>2</table>"
                                       "<svg><path d='M0'/><circle r=1 /></svg><p>unclosed</div>\n", 1 << 20) +
                                "</body></html>";
    EXPECT_EQ(ParsableLength(article), article.size());
    for (const std::string& tail : {std::string("<p title='never closed"), std::string("<div"), std::string("")})
        EXPECT_EQ(ParsableLength("<p>a</p>" + tail), 8 + tail.size()) << tail;
    EXPECT_EQ(ParsableLength(""), 0u);
}

// Every real page of the shared corpus is read whole.
TEST(HtmlParsing, RealPagesAreReadWhole) {
    const std::string corpus = QB_REALHTML_DIR "/";
    std::vector<FileSystem::TSearchRec> folders;
    ASSERT_TRUE(FileSystem::ListFolder(corpus, "*", FileSystem::faDirectory, folders)) << corpus << " is missing";
    size_t pages = 0;
    for (const auto& folder : folders) {
        std::vector<FileSystem::TSearchRec> files;
        FileSystem::ListFolder(corpus + folder.Name + "/", "*.html", FileSystem::faAnyFile, files);
        for (const auto& file : files) {
            const std::string utf8 = PageToUtf8(FileSystem::ReadFile(corpus + folder.Name + "/" + file.Name));
            EXPECT_EQ(ParsableLength(utf8), utf8.size()) << folder.Name << "/" << file.Name;
            ++pages;
        }
    }
    EXPECT_GT(pages, 50u);
}

TEST(HtmlParsing, TooMuchMarkupIsCutBeforeATag) {
    std::string manyAttributes = "<p>before</p><p";
    for (size_t i = 0; i <= MaxAttributes; ++i) manyAttributes += " a" + std::to_string(i) + "=1";
    manyAttributes += ">after";
    EXPECT_EQ(ParsableLength(manyAttributes), manyAttributes.find("<p a0"));
    const std::string manyTags = Repeat("<br>", 4 * (MaxMarkupItems + 10));
    EXPECT_EQ(ParsableLength(manyTags), 4 * MaxMarkupItems);
    std::string bodies;  // attributes the parser merges into the one body element
    for (size_t i = 0; i <= MaxAttributes; ++i) bodies += "<body a" + std::to_string(i) + ">";
    EXPECT_LT(ParsableLength(bodies), bodies.size());
}

TEST(HtmlParsing, APageLargerThanTheLimitIsRefused) {
    EXPECT_FALSE(Parse(std::string(MaxInputBytes + 1, 'x')));
    const TTree tree = Parse("<p>small</p>");
    ASSERT_TRUE(tree);
    EXPECT_EQ(TreeText(*tree), "small");
}

TEST(HtmlParsing, WalkVisitsInDocumentOrderAndStops) {
    const TTree tree = Parse("<div id=a><p>1</p><p>2<b>3</b></p></div><span>4</span>");
    ASSERT_TRUE(tree);
    std::string order;
    const auto name = [](const GumboNode* node) {
        return node->type == GUMBO_NODE_TEXT ? std::string(node->v.text.text) : gumbo_normalized_tagname(node->v.element.tag);
    };
    Walk(
        tree->root,
        [&](const GumboNode* node) {
            order += "<" + name(node);
            return IsHtmlTag(node, GUMBO_TAG_B) ? TVisit::Skip : TVisit::Descend;
        },
        [&](const GumboNode* node) { order += ">"; });
    EXPECT_EQ(order, "<html<head><body<div<p<1>><p<2><b>><span<4>>>>");
    int visited = 0;
    EXPECT_FALSE(Walk(tree->root, [&](const GumboNode* node) { return ++visited == 4 ? TVisit::Stop : TVisit::Descend; }));
    EXPECT_EQ(visited, 4);
}

TEST(HtmlParsing, DeclaredCharset) {
    struct Case { const char* html; const char* charset; };
    const Case cases[] = {
        {"<!--NOTEXMLINFOBEGIN\r\n<NOTE><COMMENTS><meta charset=koi8-r></COMMENTS></NOTE>\r\nNOTEXMLINFOEND-->\r\n"
         "<html><head><meta charset=\"windows-1251\">", "windows-1251"},
        {"<META CHARSET = 'latin1' >", "latin1"},
        {"<meta content=\"text/html;charset=utf-8\" http-equiv=\"Content-Type\">", "utf-8"},
        {"<meta http-equiv=content-type content='text/html; charset = \"iso-8859-2\"'>", "iso-8859-2"},
        {"<meta name=x content=\"charset=koi8-r\"><meta charset=>", ""},
        {"<p title=\"<meta charset=x>\">", ""},
        {"<metadata charset=x>", ""},
        {"<body><meta charset=x>", ""},
        {"a < b <meta charset=x>", "x"},
        {"<!-- never closed <meta charset=x>", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DeclaredCharset(c.html), c.charset) << c.html;
}

TEST(HtmlParsing, PageToUtf8) {
    struct Case { std::string bytes; std::string label; const char* utf8; };
    const Case cases[] = {
        {"<meta charset=windows-1252>caf\xE9", "", "<meta charset=windows-1252>caf\xC3\xA9"},
        {"\xEF\xBB\xBF\xC3\xA9", "", "\xC3\xA9"},
        {std::string("\xFF\xFE\xE9\0", 4), "", "\xC3\xA9"},
        {"<meta charset=utf-16>\xC3\xA9", "", "<meta charset=utf-16>\xC3\xA9"},
        {"bad \xFF byte", "", "bad \xC3\xBF byte"},
        {"caf\xE9", "windows-1252", "caf\xC3\xA9"},
    };
    for (const auto& c : cases) EXPECT_EQ(PageToUtf8(c.bytes, c.label), c.utf8) << c.bytes;
}

TEST(HtmlParsing, FileURL) {
    EXPECT_EQ(FileURL("/home/u/My Notes/a#1%?.html"), "file:///home/u/My%20Notes/a%231%25%3F.html");
    EXPECT_EQ(FileURL("/x/Gr\xC3\xBC\xC3\x9F" "e (1).html"), "file:///x/Gr%C3%BC%C3%9Fe%20(1).html");
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    EXPECT_EQ(FileURL("a b.html"), FileURL(std::string(cwd) + "/a b.html")) << "a relative path is taken from here";
}

// The capture's picture rewrite on hostile pages: the pictures of the part the parser reads
// are found and pointed elsewhere, the rest of the page stays as it was.
TEST(HtmlParsing, CaptureRewriteOfDeeplyNestedPages) {
    for (const size_t bytes : {25u << 10, 100u << 10, 500u << 10, 2u << 20, 10u << 20}) {
        const std::string html = NestedDivs(bytes);
        const auto refs = HtmlImageRefs::FindImageRefs(html);
        ASSERT_EQ(refs.size(), 1u) << bytes;
        EXPECT_EQ(refs[0].Url, "http://example.com/top.png");
        const std::string out = HtmlImageRefs::ReplaceImageRefs(html, refs, {"Note.files/top.png"});
        EXPECT_EQ(out, Strings::ReplaceAll(html, "http://example.com/top.png", "Note.files/top.png")) << bytes;
        TNoteImageSaver saver(TestEnv::MakeTempDir("capture") + "Note.files/", "Note.files", "http://example.com/", nullptr);
        EXPECT_EQ(saver.Process(html), html) << bytes << ": nothing fetched, nothing changed";
    }
}

}  // namespace

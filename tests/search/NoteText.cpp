// The visible text of note pages: what a reader sees, and nothing a hostile page can make
// expensive.
#include "search/NoteText.h"
#include "store/HtmlParsing.h"

#include <gtest/gtest.h>

TEST(VisibleText, KeepsWhatAReaderSees) {
    struct Case { const char* html; const char* text; };
    const Case cases[] = {
        {"<p>one</p><p>two</p>", "one two"},
        {"<b>W</b>ord and <a href=x>li</a>nk", "Word and link"},
        {"<div>a</div>b<br>c", "a b c"},
        {"<p>fish &amp; chips &eacute;t&#233; &#x41;</p>", "fish & chips \xC3\xA9t\xC3\xA9 A"},
        {"<head><title>Page title</title><style>p{}</style></head><body>body</body>", "body"},
        {"<script>var hidden = 1;</script>shown<noscript>no</noscript><template>t</template>", "shown"},
        {"<!--NOTEXMLINFOBEGIN\r\n<NOTE><COMMENTS>c</COMMENTS></NOTE>\r\nNOTEXMLINFOEND-->\r\n<p>text</p>", "text"},
        {"  lots \r\n\t of   \n space  ", "lots of space"},
        {"<table><tr><td>cell1</td><td>cell2</td></tr></table>", "cell1 cell2"},
        {"plain text without markup", "plain text without markup"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(NoteText::VisibleText(c.html), c.text) << c.html;
}

TEST(VisibleText, LeavesOutWhatNestsTooDeep) {
    std::string html = "<div>start</div>";
    for (int i = 0; i < 200000; ++i) html += "<div>";
    html += "deep";
    const std::string text = NoteText::VisibleText(html);
    EXPECT_EQ(text, "start");
}

TEST(VisibleText, DoesNotCountElementsThatCloseThemselves) {
    std::string html;
    for (int i = 0; i < 3 * HtmlParsing::MaxNestingDepth; ++i) html += "<p>para<li>item<br><img src=x>";
    html += "<p>last";
    EXPECT_TRUE(NoteText::VisibleText(html).ends_with("last"));
}

TEST(VisibleText, SurvivesBytesThatAreNoHTML) {
    std::string bytes;
    for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 7919) & 0xFF);
    bytes += " tail";
    EXPECT_TRUE(NoteText::VisibleText(bytes).ends_with("tail"));
}

TEST(VisibleTextOfFile, ReadsTheDeclaredCharacterSet) {
    EXPECT_EQ(NoteText::VisibleTextOfFile("<meta charset=\"iso-8859-1\"><p>caf\xE9</p>"), "caf\xC3\xA9");
    EXPECT_EQ(NoteText::VisibleTextOfFile("\xEF\xBB\xBF<p>caf\xC3\xA9</p>"), "caf\xC3\xA9");
}

TEST(VisibleTextOfFile, ReadsAtMostTheBoundedPrefix) {
    std::string bytes = "<p>head</p>" + std::string(NoteText::MaxPageBytes, 'x') + " beyond";
    const std::string text = NoteText::VisibleTextOfFile(bytes);
    EXPECT_TRUE(text.starts_with("head")) << text.substr(0, 20);
    EXPECT_EQ(text.find("beyond"), std::string::npos);
}

// Whole reports over hostile notes and over the real saved pages of the shared corpus: every
// report parses back with all its notes, its table of contents and its footer, no note
// changes the report around it, and the visible text of every page is in its note's section.
#include "TestEnvironment.h"
#include "platform/Charset.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Strings.h"
#include "reports/GumboDocumentLoader.h"
#include "reports/ReportRun.h"
#include "settings/Options.h"
#include "store/HtmlParsing.h"
#include "store/NoteFile.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <gumbo.h>
#include <map>

#ifndef QB_REALHTML_DIR
#error QB_REALHTML_DIR names the folder of the real pages
#endif

namespace {

using TWords = std::vector<std::string>;

TWords SplitWords(std::string_view text) {
    TWords words;
    size_t p = 0;
    while (p < text.size()) {
        const size_t end = std::min(text.size(), text.find_first_of(" \t\n\r\f", p));
        if (end > p) words.emplace_back(text.substr(p, end - p));
        p = end + 1;
    }
    return words;
}

std::string Joined(const TWords& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

bool HasClass(const GumboNode* node, std::string_view name) {
    const GumboAttribute* cls = gumbo_get_attribute(&node->v.element.attributes, "class");
    return cls && std::string_view(cls->value) == name;
}

// The words of the visible text under node: text of scripts, style sheets and the like is
// not shown; each text node is cut into words on its own.
void AppendWords(const GumboNode* node, TWords& words) {
    std::vector<const GumboNode*> pending{node};
    while (!pending.empty()) {
        const GumboNode* n = pending.back();
        pending.pop_back();
        if (n->type == GUMBO_NODE_TEXT || n->type == GUMBO_NODE_CDATA) {
            for (std::string& word : SplitWords(n->v.text.text)) words.push_back(std::move(word));
            continue;
        }
        if (n->type != GUMBO_NODE_ELEMENT) continue;
        switch (n->v.element.tag) {
            case GUMBO_TAG_SCRIPT: case GUMBO_TAG_STYLE: case GUMBO_TAG_NOSCRIPT: case GUMBO_TAG_TEMPLATE:
            case GUMBO_TAG_IFRAME: case GUMBO_TAG_NOEMBED: case GUMBO_TAG_NOFRAMES: case GUMBO_TAG_HEAD:
                continue;
            default:
                break;
        }
        const GumboVector& children = n->v.element.children;
        for (unsigned i = children.length; i > 0; --i) pending.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
    }
}

// A report read back as a browser reads it.
struct TReportShape {
    std::vector<std::pair<std::string, TWords>> Notes;  // each note's title and text words
    std::vector<std::string> TocLinks, Anchors, PictureSources;
    std::map<std::string, int> Elements;  // how many of each tag stand in the document
    std::string Footer;
    bool FooterLast = false;  // the footer closes the page
};

TReportShape ReadReport(const std::string& html) {
    TReportShape shape;
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
    std::vector<const GumboNode*> pending{output->root};
    while (!pending.empty()) {
        const GumboNode* n = pending.back();
        pending.pop_back();
        if (n->type != GUMBO_NODE_ELEMENT) continue;
        const GumboElement& e = n->v.element;
        ++shape.Elements[e.tag == GUMBO_TAG_UNKNOWN ? "?" : gumbo_normalized_tagname(e.tag)];
        const auto attribute = [&](const char* name) {
            const GumboAttribute* a = gumbo_get_attribute(&e.attributes, name);
            return a ? std::string(a->value) : std::string();
        };
        if (e.tag == GUMBO_TAG_ARTICLE && HasClass(n, "note")) {
            std::string title;
            TWords words;
            for (unsigned i = 0; i < e.children.length; ++i) {
                const auto* child = static_cast<const GumboNode*>(e.children.data[i]);
                if (child->type != GUMBO_NODE_ELEMENT) continue;
                if (child->v.element.tag == GUMBO_TAG_H2) {
                    TWords t;
                    AppendWords(child, t);
                    title = Joined(t);
                } else if (HasClass(child, "text")) {
                    AppendWords(child, words);
                }
            }
            shape.Notes.emplace_back(title, std::move(words));
        }
        if (e.tag == GUMBO_TAG_A && !attribute("name").empty()) shape.Anchors.push_back(attribute("name"));
        const GumboNode* nav = n->parent && n->parent->parent ? n->parent->parent->parent : nullptr;
        if (e.tag == GUMBO_TAG_A && nav && nav->type == GUMBO_NODE_ELEMENT && nav->v.element.tag == GUMBO_TAG_NAV && HasClass(nav, "toc"))
            shape.TocLinks.push_back(attribute("href"));
        if (e.tag == GUMBO_TAG_IMG && !attribute("src").empty()) shape.PictureSources.push_back(attribute("src"));
        if (e.tag == GUMBO_TAG_FOOTER) {
            TWords words;
            AppendWords(n, words);
            shape.Footer = Joined(words);
            const GumboVector& siblings = n->parent->v.element.children;
            shape.FooterLast = HasClass(n->parent, "page") &&
                               std::all_of(siblings.data + n->index_within_parent + 1, siblings.data + siblings.length,
                                           [](void* s) { return static_cast<const GumboNode*>(s)->type != GUMBO_NODE_ELEMENT; });
        }
        for (unsigned i = e.children.length; i > 0; --i) pending.push_back(static_cast<const GumboNode*>(e.children.data[i - 1]));
    }
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return shape;
}

// The words of a page's visible text, read as a browser reads the file.
TWords PageWords(const std::string& bytes) {
    std::string_view page = bytes;
    std::string label;
    for (const auto& [mark, name] : {std::pair{std::string_view("\xEF\xBB\xBF"), "utf-8"},
                                     {std::string_view("\xFF\xFE\0\0", 4), "utf-32le"},
                                     {std::string_view("\xFF\xFE"), "utf-16le"},
                                     {std::string_view("\xFE\xFF"), "utf-16be"}}) {
        if (label.empty() && page.starts_with(mark)) {
            label = name;
            page.remove_prefix(mark.size());
        }
    }
    if (label.empty()) {
        label = HtmlParsing::DeclaredCharset(page);
        const std::string name = Charset::IconvName(label);
        if (name.empty()) label.clear();
        if (name.starts_with("UTF-16") || name.starts_with("UTF-32")) label = "utf-8";
    }
    const std::string utf8 = Charset::ToUtf8(page, label);
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.data(), utf8.size());
    TWords words;
    AppendWords(output->root, words);
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return words;
}

// Where the words of the page stop appearing, in order, among the words of the section; the
// page's word count when all of them do.
size_t MatchedWords(const TWords& page, const TWords& section) {
    size_t at = 0;
    for (const std::string& word : section)
        if (at < page.size() && word == page[at]) ++at;
    return at;
}

class ReportOfNotes : public testing::Test {
protected:
    void SetUp() override {
        Options = std::make_unique<TOptions>();
        Options->FolderToStore = Store = TestEnv::MakeTempDir("store");
        ASSERT_TRUE(Folders::InstallShippedFiles());
        Options->AppPath = Folders::ProgramDataFolder();
        Options->SimpleReportDefTemplate = "Simple";
    }
    void TearDown() override { Options.reset(); }

    // A note made of the bytes, with its info block.
    std::string Note(const std::string& path, const std::string& bytes, const std::string& url = "http://site.example/a/page.html") {
        const std::string file = Store + path + ".html";
        TestEnv::WriteFile(file, bytes);
        EXPECT_TRUE(ReportUtils::SaveNodeToXML(file, "t", "Page", url, 0, ""));
        return file;
    }
    // The report of the folder, read back; it must show every one of its notes.
    TReportShape Report(const std::string& folder, size_t notes) {
        std::string reportFile;
        ReportRun::MakeReport(u"", CodePage::Utf8ToUtf16(folder), false, reportFile);
        EXPECT_NE(reportFile, "") << folder;
        const std::string html = TestEnv::ReadFile(reportFile);
        EXPECT_TRUE(CodePage::IsValidUtf8(html)) << folder << ": the report declares UTF-8";
        TReportShape shape = ReadReport(html);
        EXPECT_EQ(shape.Notes.size(), notes) << folder;
        TWords expected;
        for (size_t i = 0; i < notes; ++i) expected.push_back("#" + std::to_string(1000 + i));
        EXPECT_EQ(shape.TocLinks, expected) << folder << ": the table of contents";
        for (const std::string& link : expected)
            EXPECT_NE(std::find(shape.Anchors.begin(), shape.Anchors.end(), link.substr(1)), shape.Anchors.end()) << link;
        EXPECT_NE(shape.Footer.find("made with Quillbox"), std::string::npos) << folder << ": the footer";
        EXPECT_TRUE(shape.FooterLast) << folder << ": the footer closes the page";
        for (const char* tag : {"script", "base", "meta", "link", "plaintext", "xmp", "noscript"})
            EXPECT_EQ(shape.Elements[tag], std::string(tag) == "meta" ? 3 : 0) << folder << ": " << tag;
        return shape;
    }
    const TWords* Section(const TReportShape& shape, const std::string& title) {
        for (const auto& [noteTitle, words] : shape.Notes)
            if (noteTitle == title) return &words;
        ADD_FAILURE() << "no section " << title;
        return nullptr;
    }

    std::string Store;
};

template <size_t N>
std::string Bytes(const char (&text)[N]) { return std::string(text, N - 1); }

// Each hostile note stands between two plain ones; the report keeps its shape and the plain
// notes' text whatever the hostile one holds.
TEST_F(ReportOfNotes, AHostileNoteCannotBreakTheReport) {
    struct Case {
        const char* name;
        std::string bytes;
        TWords words;  // the hostile note's own text, in order
    };
    const Case cases[] = {
        {"plaintext", "<p>before</p><plaintext><b>not bold</b> & more", {"before", "<b>not", "bold</b>", "&", "more"}},
        {"xmp", "<xmp><i>shown</i></xmp><p>after</p>", {"<i>shown</i>", "after"}},
        {"unterminated script", "<p>kept</p><script><!--<script>document.write('x')", {"kept"}},
        {"script in svg", "<svg><script>alert(1)</script><text>drawn</text></svg>", {"drawn"}},
        {"base", "<base href=\"file:///\"><p><a href=\"#top\">link</a></p>", {"link"}},
        {"global style", "<p>mine</p><style>* {color: yellow} body, html > body p {margin: 9em}</style>", {"mine"}},
        {"style ending early", "<p>x</p><style>p {content: '</sty'} </style>", {"x"}},
        {"noscript and meta", "<p>yes</p><noscript><p>no</p></noscript><meta http-equiv=refresh content=0>", {"yes"}},
        {"binary", Bytes("%PDF-1.4\n\x80\x81\xFF\xFE\x00\x01<\xC3\x28 junk\xE2\x82>\n%%EOF"), {}},
        {"bad tag names", "<p>a</p><x\xC3\x28y>b</x\xC3\x28y><p on\"x=1 onclick=alert(1)>c</p>", {"a", "b", "c"}},
        {"<plaintext> in its file name", "<p>named</p>", {"named"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = "F" + std::to_string(&c - cases);
        Note(folder + "/!first", "<p>first note</p>");
        Note(folder + "/" + c.name, c.bytes);
        Note(folder + "/~last", "<p>last note</p>");
        TReportShape shape = Report(folder, 3);
        const TWords* first = Section(shape, "!first");
        const TWords* last = Section(shape, "~last");
        const TWords* hostile = Section(shape, c.name);  // the file name is the title, as text
        if (!first || !last || !hostile) continue;
        EXPECT_EQ(*first, (TWords{"first", "note"}));
        EXPECT_EQ(*last, (TWords{"last", "note"}));
        if (!c.words.empty()) {
            EXPECT_EQ(*hostile, c.words);
        }
        EXPECT_EQ(shape.Elements["style"], 1 + (c.bytes.find("<style>") != std::string::npos)) << "the template's own";
    }
}

TEST_F(ReportOfNotes, ANoteStyleSheetSelectsOnlyInItsSection) {
    Note("S/n", "<p>x</p><style>@import url(http://x/y.css); * {color: yellow} body.dark p, :root a:hover {margin: 0}"
                "@media print { h1 { x: y } } @font-face { font-family: f }</style>");
    std::string reportFile;
    ReportRun::MakeReport(u"", u"S", false, reportFile);
    const std::string html = TestEnv::ReadFile(reportFile);
    const size_t wrap = html.find("<div id=\"qbnote-");
    ASSERT_NE(wrap, std::string::npos);
    const std::string scope = "#" + html.substr(wrap + 9, html.find('"', wrap + 9) - wrap - 9);
    const size_t start = html.find("<style>", wrap) + 7;
    const std::string sheet = html.substr(start, html.find("</style>", start) - start);
    EXPECT_EQ(sheet, scope + " * {color: yellow}\n" + scope + ".dark p, " + scope + " a:hover {margin: 0}\n@media print {\n" +
                         scope + " h1 { x: y }\n}\n@font-face { font-family: f }\n");
}

TEST_F(ReportOfNotes, CharsetsByTheWebsRules) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* text;  // UTF-8
    };
    const Case cases[] = {
        {"latin1 is windows-1252", "<meta charset=latin1><p>\x93quoted\x94 \x96 it\x92s</p>", "\xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x80\x93 it\xE2\x80\x99s"},
        {"us-ascii is windows-1252", "<meta charset=us-ascii><p>\x80</p>", "\xE2\x82\xAC"},
        {"shift_jis is cp932", "<meta charset=shift_jis><p>C:\\dir ~ \x87\x40</p>", "C:\\dir ~ \xE2\x91\xA0"},
        {"x-sjis", "<meta charset=x-sjis><p>\x82\xA0</p>", "\xE3\x81\x82"},
        {"gb2312 is gbk", "<meta charset=gb2312><p>\x81\x40</p>", "\xE4\xB8\x82"},
        {"euc-kr is cp949", "<meta charset=euc-kr><p>\x81\x41</p>", "\xEA\xB0\x82"},
        {"utf-16 declared in ASCII is utf-8", "<meta charset=utf-16><p>\xC3\xA9</p>", "\xC3\xA9"},
        {"undeclared valid utf-8", "<p>\xC3\xA9</p>", "\xC3\xA9"},
        {"undeclared else windows-1252", "<p>\xE9\x80</p>", "\xC3\xA9\xE2\x82\xAC"},
        {"unknown label is undeclared", "<meta charset=no-such><p>\xE9</p>", "\xC3\xA9"},
        {"utf-8 mark wins over the label", "\xEF\xBB\xBF<meta charset=windows-1251><p>\xC3\xA9</p>", "\xC3\xA9"},
        {"utf-16le mark", std::string("\xFF\xFE<\0p\0>\0\xE9\0", 10), "\xC3\xA9"},
        {"utf-16be mark", std::string("\xFE\xFF\0<\0p\0>\0\xE9", 10), "\xC3\xA9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // As the store writes it, and with a byte-order mark that stands after the info block. The
        // store does not rewrite UTF-16 text: its block stands in front in ASCII.
        const bool utf16 = c.bytes.starts_with("\xFF\xFE") || c.bytes.starts_with("\xFE\xFF");
        const std::string file = utf16 ? Store + "C/n.html" : Note("C/n", c.bytes);
        if (utf16) TestEnv::WriteFile(file, "<!--NOTEXMLINFOBEGIN\r\n<NOTE/>\r\nNOTEXMLINFOEND-->\r\n" + c.bytes);
        EXPECT_EQ(Joined(Report("C", 1).Notes.at(0).second), c.text);
        const std::string block = TestEnv::ReadFile(file);
        const size_t mark = block.find("NOTEXMLINFOEND-->\r\n") + 19;
        const std::string bytes = block.substr(0, mark).substr(block.starts_with("\xEF\xBB\xBF") ? 3 : 0);
        if (utf16 || bytes.size() == mark) continue;  // no mark in front of the block to move behind it
        TestEnv::WriteFile(file, bytes + "\xEF\xBB\xBF" + block.substr(mark));
        EXPECT_EQ(Joined(Report("C", 1).Notes.at(0).second), c.text) << "mark after the block";
    }
}

TEST_F(ReportOfNotes, PicturesResolveAgainstTheSource) {
    const std::string file = Note("P/clip", "<base href=\"/base/\"><img src=\"a.png\"><img src=\"/r.png\"><img src=\"//cdn.example/c.png\">"
                                            "<img src=\"clip.files/own.png\"><img src=\"data:image/png;base64,AA\">"
                                            "<img src=\"../up/b.png?x=1\">",
                                  "https://site.example/dir/page.html?q=1");
    FileSystem::ForceDirectories(Store + "P/clip.files");
    Note("P/nobase", "<img src=\"./n.png\">", "http://h.example/x/y/z");
    TReportShape shape = Report("P", 2);
    std::sort(shape.PictureSources.begin(), shape.PictureSources.end());
    EXPECT_EQ(shape.PictureSources, (TWords{Store + "P/clip.files/own.png", "data:image/png;base64,AA", "http://h.example/x/y/n.png",
                                            "https://cdn.example/c.png", "https://site.example/base/a.png",
                                            "https://site.example/r.png", "https://site.example/up/b.png?x=1"}));
}

// ---- The real pages ----

// A folder of the corpus as notes of a store folder: each page becomes "<name>.html" with an
// info block. A clip's "<name>_files/" references point at its companion folder
// "<name>.files/", which holds the corpus picture.
std::vector<std::string> StoreFolder(const std::string& corpus, const std::string& store, const std::string& folder) {
    std::vector<FileSystem::TSearchRec> entries;
    EXPECT_TRUE(FileSystem::ListFolder(corpus + folder + "/", "*", FileSystem::faAnyFile, entries));
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        if (entry.Attr & FileSystem::faDirectory) continue;
        const std::string name = FileSystem::ChangeFileExt(entry.Name, "");
        std::string bytes = TestEnv::ReadFile(corpus + folder + "/" + entry.Name);
        if (folder == "Clips") {
            const std::string companion = Strings::PercentEncode(name, "") + ".files/";
            bytes = Strings::ReplaceAll(Strings::ReplaceAll(bytes, name + "_files/", companion),
                                        Strings::PercentEncode(name, "") + "_files/", companion);
            TestEnv::WriteFile(store + folder + "/" + name + ".files/JohnPinhole.jpg",
                               TestEnv::ReadFile(corpus + "pictures/JohnPinhole.jpg"));
        }
        const std::string file = store + folder + "/" + name + ".html";
        TestEnv::WriteFile(file, bytes);
        // The store does not rewrite UTF-16 text: such a page goes in without a block.
        const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
        EXPECT_NE(ReportUtils::SaveNodeToXML(file, name, name, "https://pages.example/" + folder + "/" + entry.Name, 0, ""), utf16);
        names.push_back(name);
    }
    return names;
}

// Pages whose report text was read and found right, with a passage of each as it must show.
const std::map<std::string, const char*> ReviewedPassages = {
#include "ReportCorpusPassages.inc"
};

TEST_F(ReportOfNotes, EveryRealPageKeepsItsVisibleText) {
    const std::string corpus = QB_REALHTML_DIR "/";
    ASSERT_TRUE(FileSystem::DirectoryExists(corpus)) << corpus << " is missing: the corpus test needs the shared pages";
    std::vector<FileSystem::TSearchRec> folders;
    ASSERT_TRUE(FileSystem::ListFolder(corpus, "*", FileSystem::faDirectory, folders));
    size_t pages = 0, reviewed = 0;
    for (const auto& folder : folders) {
        if (!(folder.Attr & FileSystem::faDirectory)) continue;
        SCOPED_TRACE(folder.Name);
        const std::vector<std::string> names = StoreFolder(corpus, Store, folder.Name);
        const TReportShape shape = Report(folder.Name, names.size());
        for (const std::string& name : names) {
            const TWords* section = Section(shape, name);
            if (!section) continue;
            ++pages;
            // A picture or a PDF saved as a note is no page: its report need only keep its shape.
            if (!FileSystem::FileExists(corpus + folder.Name + "/" + name + ".html")) continue;
            const std::string original = TestEnv::ReadFile(corpus + folder.Name + "/" + name + ".html");
            const TWords words = PageWords(original);
            const size_t matched = MatchedWords(words, *section);
            EXPECT_EQ(matched, words.size()) << name << ": the page's text is lost from word " << matched << " ("
                                             << (matched < words.size() ? words[matched] : "") << ")";
            const auto passage = ReviewedPassages.find(name);
            if (passage == ReviewedPassages.end()) continue;
            ++reviewed;
            EXPECT_NE(Joined(*section).find(passage->second), std::string::npos) << name << ": " << passage->second;
        }
        for (const std::string& src : shape.PictureSources)
            EXPECT_TRUE(src.find(':') != std::string::npos || src.starts_with("/")) << src << " is relative";
    }
    EXPECT_GE(pages, 95u);
    EXPECT_EQ(reviewed, ReviewedPassages.size());
    EXPECT_GE(reviewed, 25u);
}

}  // namespace

// TRepGenerator against small templates and notes written here. Most tests read the notes
// through a scripted loader, so the generator's own rules are checked on exactly the element
// HTML given; the worked example also runs through the real HTML parser.
#include "TestEnvironment.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "reports/RepGenerator.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace {

using TLines = std::vector<std::string>;

struct TDocumentData {
    std::string Title, Location;
    TLines Children;
};

class TScriptedDocument : public THTMLDocument {
public:
    explicit TScriptedDocument(TDocumentData data) : FData(std::move(data)) {}
    std::string Title() const override { return FData.Title; }
    std::string Location() const override { return FData.Location; }
    std::size_t ChildCount() const override { return FData.Children.size(); }
    std::string ChildOuterHTML(std::size_t index) const override { return FData.Children.at(index); }

private:
    TDocumentData FData;
};

// Serves the documents registered by file name; any other file fails to load.
class TScriptedLoader : public TDocumentLoader {
public:
    explicit TScriptedLoader(std::map<std::string, TDocumentData>& documents) : FDocuments(documents) {}
    std::unique_ptr<THTMLDocument> Load(const std::string& fileName, const std::function<bool()>& aborted) override {
        if (aborted && aborted()) return nullptr;
        const auto it = FDocuments.find(fileName);
        return it == FDocuments.end() ? nullptr : std::make_unique<TScriptedDocument>(it->second);
    }

private:
    std::map<std::string, TDocumentData>& FDocuments;
};

const TLines WorkedExampleTemplate = {
    "<!--HEADER_BEGIN-->",
    "<html><head><title>#HEADER_TITLE#</title></head><body><h1>#HEADER_TITLE#</h1>#HEADER_DATE#",
    "<!--HEADER_END-->",
    "<!--TOCBEGIN-->",
    "<ul>",
    "<!--TOCITEMBEGIN-->",
    "<li><a href=\"#TOCITEM_URL#\">#TOCITEM_TITLE#</a></li>",
    "<!--TOCITEMEND-->",
    "</ul>",
    "<!--TOCEND-->",
    "<!--NOTE_BEGIN-->",
    "<h2>#NOTE_TITLE#</h2>#NOTE_TEXT#<p>#NOTE_DATE# #NOTE_TIME# #NOTE_REFERRERSHORTURL#</p>",
    "<!--NOTE_END-->",
    "<!--REFLIST_BEGIN-->",
    "<ol>",
    "<!--REFLISTITEM_BEGIN-->",
    "<li><a href=\"#REFERRER_URL#\">#REFERRER_TITLE#</a></li>",
    "<!--REFLISTITEM_END-->",
    "</ol>",
    "<!--REFLIST_END-->",
};

class RepGenerator : public testing::Test {
protected:
    void SetUp() override { Dir = TestEnv::MakeTempDir("gen"); }

    // A template file of the lines, each ended by CR LF.
    std::string Template(const TLines& lines) {
        const std::string file = Dir + "template" + std::to_string(++FTemplates) + ".html";
        TestEnv::WriteFile(file, Strings::JoinLines(lines));
        return file;
    }
    // A note file (its content is what the scripted loader says) with its document.
    std::string Note(const std::string& name, TLines children, std::string title = "", std::string location = "") {
        const std::string file = Dir + name + ".html";
        TestEnv::WriteFile(file, "<p>scripted</p>");
        Documents[file] = {std::move(title), std::move(location), std::move(children)};
        return file;
    }
    std::unique_ptr<TRepGenerator> Generator() {
        return std::make_unique<TRepGenerator>(std::make_unique<TScriptedLoader>(Documents));
    }
    std::unique_ptr<TRepGenerator> Initialized(const TLines& lines) {
        auto generator = Generator();
        EXPECT_TRUE(generator->Initialize(Template(lines), "Report", "", "", "", "", "", "D1", "T1"));
        return generator;
    }
    // The report as the run writes it (each line followed by CR LF), read back as lines.
    static TLines Report(const TRepGenerator& generator) {
        TLines lines;
        EXPECT_TRUE(generator.FinalizeToStrings(lines));
        return Strings::SplitLines(Strings::JoinLines(lines));
    }

    std::string Dir;
    std::map<std::string, TDocumentData> Documents;

private:
    int FTemplates = 0;
};

TEST_F(RepGenerator, WorkedExampleComesOutLineForLine) {
    auto generator = Generator();
    ASSERT_TRUE(generator->Initialize(Template(WorkedExampleTemplate), "Trips", "", "", "", "", "", "12/07/26", "14:03:59"));
    const std::string url = "http://www.Example.com/travel/page.html";
    ASSERT_TRUE(generator->AddNote(Note("Alpha", {"<P>one</P>", "<P>two</P>"}), "Alpha", "Page title", url, "",
                                   "11/07/26", "09:15:00"));
    EXPECT_EQ(Report(*generator), (TLines{
        "<html><head><title>Trips</title></head><body><h1>Trips</h1>12/07/26",
        "<ul>",
        "<li><a href=\"#1000\">Alpha</a></li>",
        "",
        "</ul>",
        "<h2>Alpha</h2><P>one</P> <P>two</P><A NAME=1000></A><p>11/07/26 09:15:00 example.com</p>",
        "",
        "<ol>",
        "<li><a href=\"" + url + "\">example.com</a></li>",
        "",
        "</ol>",
    }));
}

TEST_F(RepGenerator, WorkedExampleThroughTheHTMLParser) {
    TRepGenerator generator;  // the gumbo loader
    ASSERT_TRUE(generator.Initialize(Template(WorkedExampleTemplate), "Trips", "", "", "", "", "", "12/07/26", "14:03:59"));
    const std::string note = Dir + "Alpha.html";
    TestEnv::WriteFile(note, "<!--WARNING: DO NOT MODIFY THIS COMMENTS BLOCK-->\r\n<!--NOTEXMLINFOBEGIN\r\n<NOTE/>\r\n"
                             "NOTEXMLINFOEND-->\r\n<html><head><title>A</title></head><body>\r\n<p>one</p>\r\n<p>two</p>\r\n</body></html>\r\n");
    ASSERT_TRUE(generator.AddNote(note, "Alpha", "", "http://www.example.com/p", "", "11/07/26", "09:15:00"));
    const TLines report = Report(generator);
    ASSERT_EQ(report.size(), 11u);
    EXPECT_EQ(report[5], "<h2>Alpha</h2><p>one</p> <p>two</p><A NAME=1000></A><p>11/07/26 09:15:00 example.com</p>");
}

TEST_F(RepGenerator, MarkerLinesAreDroppedWithWhateverElseTheyHold) {
    auto generator = Initialized({
        "<p>outside</p>",
        "<p><!--HEADER_BEGIN--></p>",
        "head line",
        "<p><!--HEADER_END--> tail</p>",
        "<div><!--NOTE_BEGIN-->",
        "#NOTE_TITLE#",
        "<!--NOTE_END--></div>",
        "<!--NOTE_BEGIN-->",
        "a later note section is ignored",
        "<!--NOTE_END-->",
    });
    ASSERT_TRUE(generator->AddNote(Note("n", {}), "N", "", "", "", "", ""));
    EXPECT_EQ(Report(*generator), (TLines{"head line", "", "N", ""})) << "the empty line is the contents entry";
}

TEST_F(RepGenerator, InitializeRefusesMissingEmptyOrSectionlessTemplates) {
    const std::string empty = Dir + "empty.html";
    TestEnv::WriteFile(empty, "");
    struct Case { std::string file; const char* why; };
    const Case cases[] = {
        {Dir + "missing.html", "missing file"},
        {empty, "no lines"},
        {Template({"<html>", "<body>no markers</body>"}), "no sections"},
        {Template({"<!--NOTE_BEGIN-->", "   ", "\t", "<!--NOTE_END-->"}), "only blank content"},
        {Template({"<!--NOTE_BEGIN-->", "#NOTE_TEXT#"}), "closing marker missing"},
        {Template({"<!--NOTE_END-->", "#NOTE_TEXT#", "<!--NOTE_BEGIN-->"}), "markers in the wrong order"},
    };
    for (const auto& c : cases) EXPECT_FALSE(Generator()->Initialize(c.file, "t", "", "", "", "", "", "d", "t")) << c.why;
    EXPECT_TRUE(Generator()->Initialize(Template({"<!--FOOTER_BEGIN-->", "f", "<!--FOOTER_END-->"}), "", "", "", "", "", "", "", ""))
        << "any one present section is enough";
}

TEST_F(RepGenerator, HeaderAndFooterPlaceholdersInOrder) {
    auto generator = Generator();
    ASSERT_TRUE(generator->Initialize(
        Template({"<!--HEADER_BEGIN-->", "#HEADER_TITLE#|#HEADER_AUTHOR#|#HEADER_AUTHORORG#|#HEADER_AUTHORURL#",
                  "#HEADER_KEYWORDS#|#HEADER_COMMENTS#|#HEADER_DATE#|#HEADER_TIME#", "<!--HEADER_END-->",
                  "<!--FOOTER_BEGIN-->", "#HEADER_DATE# #HEADER_TIME#", "<!--FOOTER_END-->"}),
        // The title carries a later placeholder word and a line break; values are not escaped.
        "A & <B> #HEADER_DATE#\r\nsecond", "au", "url", "org", "kw", "cm", "D", "T"));
    EXPECT_EQ(generator->HeaderOut, (TLines{"A & <B> D", "second|au|org|url", "kw|cm|D|#HEADER_TIME#"}))
        << "the header keeps #HEADER_TIME#; the title's line break splits the header";
    EXPECT_EQ(generator->FooterOut, (TLines{"D T"}));
}

TEST_F(RepGenerator, NotePlaceholdersIncludingWordsInsideTheNoteText) {
    auto generator = Initialized({"<!--NOTE_BEGIN-->",
                                  "[#NOTE_TITLE#][#NOTE_REFERRERTITLE#][#NOTE_REFERRERSHORTURL#][#NOTE_REFERRERURL#]",
                                  "[#NOTE_DATE#][#NOTE_TIME#][#NOTE_COMMENTS#]#NOTE_TEXT#", "<!--NOTE_END-->"});
    ASSERT_TRUE(generator->AddNote(Note("n", {"<p>on #NOTE_DATE#</p>", "<p>#TOCITEM_TITLE#</p>"}), "Title",
                                   "Not shown", "https://WWW.Site.org:8080/a/b", "c&c", "D", "T"));  // values escaped
    ASSERT_EQ(generator->NotesOut.size(), 1u);
    EXPECT_EQ(generator->NotesOut[0],
              "[Title][site.org:8080][site.org:8080][https://WWW.Site.org:8080/a/b]\r\n"
              "[D][T][c&amp;c]<p>on D</p> <p>#TOCITEM_TITLE#</p><A NAME=1000></A>\r\n");
}

TEST_F(RepGenerator, ElementsAreJoinedWithOneSpaceUnlessOneSideEndsInASpace) {
    auto generator = Initialized({"<!--NOTE_BEGIN-->", "#NOTE_TEXT#", "<!--NOTE_END-->"});
    struct Case { TLines children; const char* text; };
    const Case cases[] = {
        {{}, "<A NAME=1000></A>"},
        {{"<b>a</b>", "<i>b</i>", "<u>c</u>"}, "<b>a</b> <i>b</i> <u>c</u><A NAME=1001></A>"},
        {{"x ", "<i>b</i>"}, "x <i>b</i><A NAME=1002></A>"},
        {{"<b>a</b>", "y ", "<u>c</u>"}, "<b>a</b>y <u>c</u><A NAME=1003></A>"},
        {{"", "<b>a</b>", "", "<i>b</i>"}, "<b>a</b> <i>b</i><A NAME=1004></A>"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        ASSERT_TRUE(generator->AddNote(Note("n" + std::to_string(i), cases[i].children), "t", "", "", "", "", ""));
        EXPECT_EQ(generator->NotesOut.back(), std::string(cases[i].text) + "\r\n") << i;
    }
}

TEST_F(RepGenerator, ListsWithoutMarkersGiveOneEmptyLineAndNothingWithoutNotes) {
    const TLines lines = {"<!--HEADER_BEGIN-->", "H", "<!--HEADER_END-->", "<!--NOTE_BEGIN-->", "#NOTE_TITLE#",
                          "<!--NOTE_END-->"};
    EXPECT_EQ(Report(*Initialized(lines)), (TLines{"H"})) << "no notes: no lists";
    auto generator = Initialized(lines);
    ASSERT_TRUE(generator->AddNote(Note("a", {}), "A", "", "http://a.com/1", "", "", ""));
    ASSERT_TRUE(generator->AddNote(Note("b", {}), "B", "", "http://b.com/2", "", "", ""));
    EXPECT_EQ(generator->TocItems, (TLines{""})) << "identical empty entries are stored once";
    EXPECT_EQ(Report(*generator), (TLines{"H", "", "A", "", "B", "", ""}));
}

TEST_F(RepGenerator, SamePageGivesTwoContentsEntriesAndOneReference) {
    auto generator = Initialized(WorkedExampleTemplate);
    const std::string url = "http://news.example.com/story";
    ASSERT_TRUE(generator->AddNote(Note("a", {"<p>a</p>"}), "First", "", url, "", "", ""));
    ASSERT_TRUE(generator->AddNote(Note("b", {"<p>b</p>"}), "Second", "", url, "", "", ""));
    ASSERT_TRUE(generator->AddNote(Note("c", {"<p>c</p>"}), "First", "", "http://other.org/", "", "", ""));
    EXPECT_EQ(generator->TocItems, (TLines{"<li><a href=\"#1000\">First</a></li>\r\n", "<li><a href=\"#1001\">Second</a></li>\r\n",
                                           "<li><a href=\"#1002\">First</a></li>\r\n"}));
    EXPECT_EQ(generator->RefItems, (TLines{"<li><a href=\"" + url + "\">news.example.com</a></li>\r\n",
                                           "<li><a href=\"http://other.org/\">other.org</a></li>\r\n"}));
    EXPECT_EQ(generator->NextAnchor, 1003);
}

TEST_F(RepGenerator, ReferenceEntries) {
    auto generator = Initialized({"<!--REFLIST_BEGIN-->", "<!--REFLISTITEM_BEGIN-->",
                                  "#REFERRER_TITLE#|#REFERRER_URL#|#REFERRER_SHORTURL#", "<!--REFLISTITEM_END-->",
                                  "<!--REFLIST_END-->"});
    const struct { const char* url; const char* entry; } cases[] = {
        {"http://user:pw@www.Host.com:81/x?y", "host.com:81|http://user:pw@www.Host.com:81/x?y|http://www.Host.com"},
        {"notes/clip.html", "notes|notes/clip.html|#REFERRER_SHORTURL#"},
        {"file:///home/u/n.html", "|file:///home/u/n.html|#REFERRER_SHORTURL#"},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        ASSERT_TRUE(generator->AddNote(Note("r" + std::to_string(i), {}), "t", "", cases[i].url, "", "", ""));
    ASSERT_TRUE(generator->AddNote(Note("blank", {}), "t", "", "  ", "", "", "")) << "a blank URL adds no entry";
    ASSERT_EQ(generator->RefItems.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(generator->RefItems[i], std::string(cases[i].entry) + "\r\n");
}

TEST_F(RepGenerator, AssemblyOrderFollowsThePositionsAndTheFooterComesLast) {
    const TLines lines = {"<!--FOOTER_BEGIN-->", "F", "<!--FOOTER_END-->", "<!--HEADER_BEGIN-->", "H", "<!--HEADER_END-->",
                          "<!--TOCBEGIN-->", "TH", "<!--TOCITEMBEGIN-->", "T", "<!--TOCITEMEND-->", "TT", "<!--TOCEND-->",
                          "<!--NOTE_BEGIN-->", "N", "<!--NOTE_END-->",
                          "<!--REFLIST_BEGIN-->", "RH", "<!--REFLISTITEM_BEGIN-->", "R", "<!--REFLISTITEM_END-->", "RT", "<!--REFLIST_END-->"};
    struct Case { int toc, refs; TLines report; };
    const Case cases[] = {
        {0, 1, {"H", "TH", "T", "", "TT", "N", "", "RH", "R", "", "RT", "F"}},
        {1, 0, {"H", "RH", "R", "", "RT", "N", "", "TH", "T", "", "TT", "F"}},
        {0, 0, {"H", "TH", "T", "", "TT", "RH", "R", "", "RT", "N", "", "F"}},
        {2, -1, {"H", "N", "", "F"}},
    };
    for (const auto& c : cases) {
        auto generator = Initialized(lines);
        generator->TocPosition = c.toc;
        generator->RefListPosition = c.refs;
        ASSERT_TRUE(generator->AddNote(Note("n", {}), "t", "", "http://x.org/", "", "", ""));
        EXPECT_EQ(Report(*generator), c.report) << c.toc << " " << c.refs;
    }
    auto disabled = Initialized(lines);
    disabled->TocEnabled = disabled->RefListEnabled = false;
    ASSERT_TRUE(disabled->AddNote(Note("n", {}), "t", "", "http://x.org/", "", "", ""));
    EXPECT_EQ(Report(*disabled), (TLines{"H", "N", "", "F"}));
}

TEST_F(RepGenerator, UntitledNoteTakesTheDocumentsTitleLocationAndFileTime) {
    auto generator = Initialized({"<!--NOTE_BEGIN-->", "#NOTE_TITLE#|#NOTE_REFERRERURL#|#NOTE_DATE# #NOTE_TIME#", "<!--NOTE_END-->"});
    const std::string file = Note("untitled", {}, "Page Title", "file:///x/untitled.html");
    const std::time_t written = 1700000000;  // 2023-11-14 22:13:20 UTC
    const struct timespec times[2] = {{written, 0}, {written, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    ASSERT_TRUE(generator->AddNote(file, "", "", "http://ignored/", "", "D", "T"));
    const TDateTime local = DateTimeUtils::FromTimeT(written);
    EXPECT_EQ(generator->NotesOut[0], "Page Title|file:///x/untitled.html|" + DateTimeUtils::FormatShortDate(local) + " " +
                                          DateTimeUtils::FormatLongTime(local) + "\r\n");
    EXPECT_EQ(generator->TocItems.size(), 1u);
}

TEST_F(RepGenerator, CompanionFolderReferencesBecomeStorePaths) {
    auto generator = Initialized({"<!--NOTE_BEGIN-->", "#NOTE_TEXT#", "<!--NOTE_END-->"});
    FileSystem::ForceDirectories(Dir + "clip.files");
    ASSERT_TRUE(generator->AddNote(Note("clip", {"<img src=\"clip.files/a.png\">", "<img src=\"" + Dir + "clip.files/b.png\">"}),
                                   "t", "", "", "", "", ""));
    EXPECT_EQ(generator->NotesOut[0], "<img src=\"" + Dir + "clip.files/a.png\"> <img src=\"" + Dir +
                                          "clip.files/b.png\"><A NAME=1000></A>\r\n")
        << "a reference that already holds the store path is not prefixed twice";
    ASSERT_TRUE(generator->AddNote(Note("nofolder", {"<img src=\"nofolder.files/a.png\">"}), "t", "", "", "", "", ""));
    EXPECT_EQ(generator->NotesOut[1], "<img src=\"nofolder.files/a.png\"><A NAME=1001></A>\r\n");
}

TEST_F(RepGenerator, PercentEncodedCompanionReferencesBecomeStoreFileURLs) {
    // The add-note dialog writes "My%20clip.files/..." for a note named "My clip".
    auto generator = Initialized({"<!--NOTE_BEGIN-->", "#NOTE_TEXT#", "<!--NOTE_END-->"});
    FileSystem::ForceDirectories(Dir + "My clip.files");
    ASSERT_TRUE(generator->AddNote(Note("My clip", {"<img src=\"My%20clip.files/a%20b.png\">"}), "t", "", "", "", "", ""));
    EXPECT_EQ(generator->NotesOut[0],
              "<img src=\"file://" + Strings::PercentEncode(Dir, "/") + "My%20clip.files/a%20b.png\"><A NAME=1000></A>\r\n");
}

TEST_F(RepGenerator, FailuresDropOnlyTheNoteConcerned) {
    auto generator = Initialized(WorkedExampleTemplate);
    EXPECT_FALSE(generator->AddNote(Dir + "missing.html", "t", "", "http://x.org/", "", "", ""));
    const std::string unloadable = Dir + "unloadable.html";
    TestEnv::WriteFile(unloadable, "x");  // the scripted loader knows no document for it
    ASSERT_TRUE(generator->AddNote(unloadable, "Empty", "", "", "", "", ""));
    EXPECT_EQ(generator->NotesOut[0], "<h2>Empty</h2><A NAME=1000></A><p>  </p>\r\n") << "a failed load gives an empty body";
    ASSERT_TRUE(generator->AddNote(Note("ok", {"<p>x</p>"}), "Ok", "", "", "", "", ""));
    EXPECT_EQ(generator->NotesOut.size(), 2u);
    EXPECT_EQ(generator->NextAnchor, 1002) << "the missing note took no anchor";
}

TEST_F(RepGenerator, AbortStopsInsideANoteAndIsClearedForTheNext) {
    auto generator = Initialized(WorkedExampleTemplate);
    const std::string file = Note("long", {"<p>1</p>", "<p>2</p>", "<p>3</p>", "<p>4</p>"});
    int asked = 0;
    generator->OnQueryAbort = [&] { return ++asked >= 3; };  // the load and two elements pass
    EXPECT_FALSE(generator->AddNote(file, "Long", "", "http://x.org/", "", "", ""));
    EXPECT_TRUE(generator->Aborted);
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(generator->NotesOut.empty());
    EXPECT_TRUE(generator->TocItems.empty());
    EXPECT_TRUE(generator->RefItems.empty());
    EXPECT_EQ(generator->NextAnchor, 1000);

    generator->OnQueryAbort = [] { return false; };
    ASSERT_TRUE(generator->AddNote(file, "Long", "", "http://x.org/", "", "", ""));
    EXPECT_FALSE(generator->Aborted);
    EXPECT_EQ(generator->NotesOut.size(), 1u);
}

TEST_F(RepGenerator, ManyPlaceholderWordsInALongNote) {
    auto generator = Initialized({"<!--NOTE_BEGIN-->", "#NOTE_TEXT#", "<!--NOTE_END-->"});
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "#NOTE_DATE#";
    ASSERT_TRUE(generator->AddNote(Note("words", {text}), "t", "", "", "", "dd", ""));
    EXPECT_EQ(generator->NotesOut[0].size(), 200000u * 2 + std::string("<A NAME=1000></A>\r\n").size());
}

}  // namespace

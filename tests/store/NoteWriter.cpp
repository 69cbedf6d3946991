// The note writer: the new-note-or-append rule, address resolution, and which pictures a
// capture may copy into its companion folder.
#include "TestEnvironment.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "store/NoteFile.h"
#include "store/NoteWriter.h"

#include <gtest/gtest.h>

namespace {

const std::string Png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Remembers the addresses it is asked for and answers each with a picture, or with nothing.
class TFakeFetcher : public TPictureFetcher {
public:
    explicit TFakeFetcher(bool answer = true) : FAnswer(answer) {}
    std::vector<std::string> Asked;
    std::vector<std::string> Fetch(const std::vector<std::string>& urls, const TPictureLimits&) override {
        Asked.insert(Asked.end(), urls.begin(), urls.end());
        return std::vector<std::string>(urls.size(), FAnswer ? Png : std::string());
    }

private:
    bool FAnswer;
};

TNoteWriter NewCapture(const std::string& store, const std::u16string& url, const std::u16string& content,
                       TPictureFetcher* fetcher = nullptr) {
    TNoteWriter writer(fetcher);
    writer.StoreRoot = store;
    writer.Folder = u"Web";
    writer.URL = url;
    writer.Content = content;
    writer.Title = u"Note";
    writer.ForceNewNoteMode = nmAlwaysNew;
    return writer;
}

}  // namespace

TEST(NoteWriter, AppendRule) {
    struct Case {
        const char* what;
        bool empty, edit, addToLast, newOnNewSite;
        int mode;
        const char16_t* folder;
        const char16_t* site;
        bool lastExists, append;
    };
    const Case cases[] = {
        {"same folder and site", false, false, true, true, nmBySettings, u"Web", u"example.org", true, true},
        {"site compared ignoring case", false, false, true, true, nmBySettings, u"Web", u"Example.ORG", true, true},
        {"other site", false, false, true, true, nmBySettings, u"Web", u"other.net", true, false},
        {"other site, site rule off", false, false, true, false, nmBySettings, u"Web", u"other.net", true, true},
        {"other site, append whenever possible", false, false, true, true, nmAppendWhenPossible, u"Web", u"other.net", true, true},
        {"always new", false, false, true, true, nmAlwaysNew, u"Web", u"example.org", true, false},
        {"appending off", false, false, false, true, nmBySettings, u"Web", u"example.org", true, false},
        {"other folder", false, false, true, true, nmAppendWhenPossible, u"Other", u"example.org", true, false},
        {"folder compared exactly", false, false, true, true, nmBySettings, u"web", u"example.org", true, false},
        {"last note gone", false, false, true, true, nmBySettings, u"Web", u"example.org", false, false},
        {"empty note", true, false, true, true, nmAppendWhenPossible, u"Web", u"example.org", true, false},
        {"properties command", false, true, true, true, nmAppendWhenPossible, u"Web", u"example.org", true, false},
    };
    for (const Case& c : cases) {
        TAppendInputs in;
        in.EmptyNote = c.empty;
        in.EditMode = c.edit;
        in.NoteAddToLast = c.addToLast;
        in.NewNoteOnNewSite = c.newOnNewSite;
        in.ForceNewNoteMode = c.mode;
        in.Folder = c.folder;
        in.PrevFolder = u"Web";
        in.PrevTitle = u"Last";
        in.PrevBaseURL = u"example.org";
        in.Site = c.site;
        in.LastNoteExists = c.lastExists;
        EXPECT_EQ(ChooseAppend(in), c.append) << c.what;
    }
}

TEST(NoteWriter, ResolvesReferencesAgainstThePage) {
    struct Case { const char* base; const char* ref; const char* out; };
    const Case cases[] = {
        {"https://ex.org/a/b/page.html", "pic.png", "https://ex.org/a/b/pic.png"},
        {"https://ex.org/a/b/page.html", "../up.png", "https://ex.org/a/up.png"},
        {"https://ex.org/a/b/page.html", "../../../../top.png", "https://ex.org/top.png"},
        {"https://ex.org/a/page.html", "/root.png?x=1#f", "https://ex.org/root.png?x=1"},
        {"https://ex.org/a/page.html", "//cdn.net/c.png", "https://cdn.net/c.png"},
        {"https://ex.org", "c.png", "https://ex.org/c.png"},
        {"http://ex.org/a", "HTTPS://other.org/x.png", "https://other.org/x.png"},
        {"/tmp/q u/", "nntmp0.bmp", "file:///tmp/q%20u/nntmp0.bmp"},
        {"file:///home/u/page.html", "img/a.png", "file:///home/u/img/a.png"},
        {"", "rel.png", "rel.png"},
    };
    for (const Case& c : cases) EXPECT_EQ(NoteImages::ResolveUrl(c.base, c.ref), c.out) << c.base << " + " << c.ref;
}

TEST(NoteWriter, OnlyLocalPagesBringLocalPictures) {
    const std::string store = TestEnv::MakeTempDir("store");
    const std::string pictures = TestEnv::MakeTempDir("pictures");
    TestEnv::WriteFile(pictures + "private.png", Png);
    const std::u16string content = u"<img src=\"file://" + CodePage::AnsiToWide(pictures) + u"private.png\"><img src=\"" +
                                   CodePage::AnsiToWide(pictures) + u"private.png\"><img src=\"private.png\">";
    struct Case { const char16_t* url; int saved; };
    const std::u16string local = u"file://" + CodePage::AnsiToWide(pictures) + u"page.html";
    const Case cases[] = {
        {u"https://evil.example/page.html", 0},  // not even the absolute path is read
        {u"", 0},                                 // unknown origin: treated as remote
        {local.c_str(), 1},                       // its own pictures, one copy for three references
    };
    for (const Case& c : cases) {
        TFakeFetcher fetcher(false);
        TNoteWriter writer = NewCapture(store, c.url, content, &fetcher);
        const std::string file = writer.Write(false);
        EXPECT_EQ(writer.SavedImages(), c.saved) << CodePage::WideToAnsi(c.url);
        for (const std::string& asked : fetcher.Asked) EXPECT_FALSE(Contains(asked, "file:")) << asked;
        EXPECT_EQ(FileSystem::DirectoryExists(FileSystem::ChangeFileExt(file, ".files")), c.saved > 0);
    }
}

TEST(NoteWriter, NewNoteDocumentEscapesItsTitleAndKeepsTheBody) {
    const std::string store = TestEnv::MakeTempDir("store");
    TFakeFetcher fetcher;
    TNoteWriter writer = NewCapture(store, u"https://ex.org/a/", u"<p>x &amp; y</p><img src=\"p.png\">", &fetcher);
    writer.Title = u"a<b>:c";
    const std::string file = writer.Write(false);
    EXPECT_EQ(file, store + "Web/a b c.html");
    const std::string text = TestEnv::ReadFile(file);
    EXPECT_TRUE(Contains(text, "<title>a b c</title>")) << text;
    EXPECT_TRUE(Contains(text, "<p>x &amp; y</p><img src=\"a%20b%20c.files/p.png\">")) << text;
    EXPECT_EQ(fetcher.Asked, std::vector<std::string>{"https://ex.org/a/p.png"});
    EXPECT_EQ(writer.PrevBaseURL, u"ex.org");
    // A bad folder writes nothing and says so.
    TNoteWriter bad = NewCapture(store, u"", u"x");
    bad.Folder = u"../outside";
    EXPECT_THROW(bad.Write(false), EInOutError);
    EXPECT_FALSE(FileSystem::PathExists(store + "../outside"));
}

// The info block written with the note makes the same bytes as writing the note first and
// the block after it, as the dialog's callers do.
TEST(NoteWriter, InfoBlockInTheSameWriteMakesTheSameBytes) {
    const std::string store = TestEnv::MakeTempDir("store");
    const TDateTime created = DateTimeUtils::EncodeDateTime({2024, 5, 6, 7, 8, 9, 0});
    const std::u16string content = u"<p>line one\nline two</p>\r\n<p>caf\u00e9</p>";
    TNoteWriter twoWrites = NewCapture(store, u"https://ex.org/a", content);
    twoWrites.Comments = u"why";
    const std::string first = twoWrites.Write(false);
    ReportUtils::SaveNodeToXML(first, CodePage::WideToAnsi(twoWrites.Title), CodePage::WideToAnsi(twoWrites.OriginalTitle),
                               "https://ex.org/a", created, "why");
    TNoteWriter oneWrite = NewCapture(store, u"https://ex.org/a", content);
    oneWrite.Comments = u"why";
    oneWrite.Folder = u"Other";  // the same name in another folder
    oneWrite.InfoCreated = created;
    const std::string second = oneWrite.Write(false);
    EXPECT_NE(first, second);
    EXPECT_EQ(TestEnv::ReadFile(first), TestEnv::ReadFile(second));
}

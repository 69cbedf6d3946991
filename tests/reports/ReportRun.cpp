// The report run against a temporary store: which notes go in, the template it picks, the
// progress window it drives, cancelling, and the file it leaves in the temporary folder.
#include "TestEnvironment.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Strings.h"
#include "platform/CodePage.h"
#include "reports/GumboDocumentLoader.h"
#include "reports/RepGenerator.h"
#include "reports/ReportRun.h"
#include "settings/Options.h"
#include "store/HtmlParsing.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using TLines = std::vector<std::string>;

struct TProgressLog {
    TLines Calls;
    int Max = -1, Steps = 0, Asked = 0;
    int CancelAtStep = -1;  // Cancelled answers true once the bar has advanced this far
    bool Finished = false, Destroyed = false;
};

class TScriptedProgress : public TReportProgress {
public:
    explicit TScriptedProgress(TProgressLog& log) : FLog(log) {}
    ~TScriptedProgress() override { FLog.Destroyed = true; }
    void Show(const std::string& caption, const std::string& text) override { FLog.Calls.push_back(caption + "|" + text); }
    void SetText(const std::string& text) override { FLog.Calls.push_back(text); }
    void SetMax(int max) override { FLog.Max = max; }
    void StepIt() override { ++FLog.Steps; }
    void Finish() override { FLog.Finished = true; }
    bool Cancelled() override {
        ++FLog.Asked;
        return FLog.CancelAtStep >= 0 && FLog.Steps >= FLog.CancelAtStep;
    }

private:
    TProgressLog& FLog;
};

// The threads of this process.
size_t ThreadCount() {
    std::vector<FileSystem::TSearchRec> tasks;
    FileSystem::ListFolder("/proc/self/task/", "*", FileSystem::faAnyFile, tasks);
    return tasks.size();
}

class TRecordingBrowser : public TReportBrowser {
public:
    void Navigate(const std::string& fileName, bool newWindow) override { Visits.push_back({fileName, newWindow}); }
    std::vector<std::pair<std::string, bool>> Visits;
};

const TLines TestTemplate = {
    "<!--HEADER_BEGIN-->", "<h1>#HEADER_TITLE# #HEADER_DATE#</h1>", "<!--HEADER_END-->",
    "<!--TOCBEGIN-->", "<ul>", "<!--TOCITEMBEGIN-->", "<li>#TOCITEM_URL# #TOCITEM_TITLE#</li>", "<!--TOCITEMEND-->", "</ul>", "<!--TOCEND-->",
    "<!--NOTE_BEGIN-->", "<h2>#NOTE_TITLE#</h2>#NOTE_TEXT#|#NOTE_DATE# #NOTE_TIME#|#NOTE_COMMENTS#|#NOTE_REFERRERURL#", "<!--NOTE_END-->",
    "<!--REFLIST_BEGIN-->", "<ol>", "<!--REFLISTITEM_BEGIN-->", "<li>#REFERRER_URL#</li>", "<!--REFLISTITEM_END-->", "</ol>", "<!--REFLIST_END-->",
    "<!--FOOTER_BEGIN-->", "<p>end</p>", "<!--FOOTER_END-->",
};

class MakeReport : public testing::Test {
protected:
    void SetUp() override {
        Options = std::make_unique<TOptions>();
        Options->FolderToStore = Store = TestEnv::MakeTempDir("store");
        Options->AppPath = TestEnv::MakeTempDir("app");
        Options->SimpleReportDefTemplate = "Simple";
        WriteTemplate("Simple", TestTemplate);
        FileSystem::RemoveTree(ReportRun::ReportFileName());
    }
    void TearDown() override { Options.reset(); }

    void WriteTemplate(const std::string& name, const TLines& lines) {
        TestEnv::WriteFile(Options->AppPath + "Templates/" + name + ".html", Strings::JoinLines(lines));
    }
    // A note with its info block.
    std::string Note(const std::string& path, const std::string& html, const std::string& url = "",
                     const std::string& comments = "") {
        const std::string file = Store + path + ".html";
        TestEnv::WriteFile(file, html);
        EXPECT_TRUE(ReportUtils::SaveNodeToXML(file, "ignored", "Page", url, Created, comments));
        return file;
    }
    std::string Run(const std::string& folderPath, bool open = false, TReportBrowser* browser = nullptr) {
        std::string reportFile = "stale";
        ReportRun::MakeReport(u"shown name", std::u16string(folderPath.begin(), folderPath.end()), open, reportFile,
                              std::make_unique<TScriptedProgress>(Progress), browser);
        return reportFile;
    }
    static TLines ReportLines(const std::string& file) { return Strings::SplitLines(TestEnv::ReadFile(file)); }

    std::string Store;
    TProgressLog Progress;
    const TDateTime Created = DateTimeUtils::EncodeDateTime({2026, 7, 12, 14, 3, 59, 0});
};

TEST_F(MakeReport, MakesTheReportOfAFoldersOwnNotes) {
    Note("Trips/Italy/Rome", "<p>Colosseum</p>", "http://www.rome.it/sights", "see it");
    Note("Trips/Italy/Milan", "<html><body><div>Duomo</div></body></html>", "http://milan.it/");
    Note("Trips/Italy/Lakes/Como", "<p>not in the report: a sub-folder's note</p>");
    TestEnv::WriteFile(Store + "Trips/Italy/readme.txt", "not a note");
    FileSystem::TSearchRec folder;
    ASSERT_TRUE(FileSystem::GetSearchRec(Store + "Trips/Italy", folder));

    const std::string reportFile = Run("Trips/Italy");
    ASSERT_EQ(reportFile, std::string(std::getenv("XDG_RUNTIME_DIR")) + "/quillbox/tmprep.html");
    const std::string bytes = TestEnv::ReadFile(reportFile);
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1) << "lines end in CR LF";
    const TLines report = ReportLines(reportFile);
    ASSERT_EQ(report.size(), 18u);
    EXPECT_EQ(report[0], "<h1>Italy " + DateTimeUtils::FormatShortDate(folder.Time) + "</h1>") << "the folder's own name and date";
    EXPECT_EQ(report.back(), "<p>end</p>") << "the footer comes last";
    const std::string when = DateTimeUtils::FormatShortDate(Created) + " " + DateTimeUtils::FormatLongTime(Created);
    const bool romeFirst = report[7].find("Rome") != std::string::npos;
    const std::string rome = "<h2>Rome</h2><p>Colosseum</p><A NAME=" + std::string(romeFirst ? "1000" : "1001") +
                             "></A>|" + when + "|see it|http://www.rome.it/sights";
    EXPECT_EQ(report[romeFirst ? 7 : 9], rome);
    EXPECT_EQ(report[romeFirst ? 9 : 7].substr(0, 40), "<h2>Milan</h2><div>Duomo</div><A NAME=10");
    EXPECT_EQ(std::count(report.begin(), report.end(), "<li>http://milan.it/</li>"), 1);

    EXPECT_EQ(Progress.Calls, (TLines{"Generating report...|Generating report... \nPlease, wait...."}));
    EXPECT_EQ(Progress.Max, 3) << "two notes plus the writing";
    EXPECT_EQ(Progress.Steps, 3);
    EXPECT_TRUE(Progress.Finished);
    EXPECT_TRUE(Progress.Destroyed);
    std::vector<FileSystem::TSearchRec> left;
    ASSERT_TRUE(FileSystem::ListFolder(FileSystem::ExtractFilePath(reportFile), "*", FileSystem::faAnyFile, left));
    EXPECT_EQ(left.size(), 1u) << "the report was written through a temporary file that is gone";
}

// Other local users can neither read the report nor take its name first: without a runtime
// folder it goes to a folder of the user's own in $TMPDIR, and a name planted there (a link to
// a folder they can read, a file) is passed over for a fresh private folder.
TEST_F(MakeReport, TheReportIsWrittenWhereOnlyTheUserCanReadIt) {
    Note("Trips/Rome", "<p>Colosseum</p>");
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string own = std::string(std::getenv("TMPDIR")) + "/quillbox-" + std::to_string(::geteuid());
    const std::string planted = TestEnv::MakeTempDir("planted");
    ::unsetenv("XDG_RUNTIME_DIR");
    for (const std::string& plant : {std::string("none"), std::string("link"), std::string("file")}) {
        if (::unlink(own.c_str()) != 0) FileSystem::RemoveTree(own);
        if (plant == "link") {
            ASSERT_EQ(::symlink(planted.c_str(), own.c_str()), 0);
        }
        if (plant == "file") TestEnv::WriteFile(own, "taken");
        const std::string reportFile = Run("Trips");
        ASSERT_FALSE(reportFile.empty()) << plant;
        const std::string folder = FileSystem::ExcludeTrailingPathDelimiter(FileSystem::ExtractFilePath(reportFile));
        EXPECT_EQ(folder == own, plant == "none") << plant;
        struct stat st {};
        ASSERT_EQ(::lstat(folder.c_str(), &st), 0) << plant;
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << plant;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << plant;
        EXPECT_EQ(st.st_uid, ::geteuid()) << plant;
        EXPECT_NE(TestEnv::ReadFile(reportFile).find("Colosseum"), std::string::npos) << plant;
    }
    ::unlink(own.c_str());
    std::vector<FileSystem::TSearchRec> left;
    ASSERT_TRUE(FileSystem::ListFolder(planted, "*", FileSystem::faAnyFile, left));
    EXPECT_TRUE(left.empty()) << "nothing was written through the planted link";
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

TEST_F(MakeReport, ANoteWithoutAnInfoBlockGetsOneAndIsReported) {
    const std::string file = Store + "F/plain.html";
    TestEnv::WriteFile(file, "<p>plain</p>\r\n");
    const std::string reportFile = Run("F");
    ASSERT_NE(reportFile, "");
    EXPECT_EQ(TestEnv::ReadFile(file).rfind(ReportUtils::NoteWarningLine, 0), 0u);
    const TLines report = ReportLines(reportFile);
    ASSERT_EQ(report.size(), 8u) << "no reference list: the default block has no source address";
    EXPECT_EQ(report[5].substr(0, 43), "<h2>plain</h2><p>plain</p><A NAME=1000></A>");
}

TEST_F(MakeReport, FolderWithoutNotesGivesHeaderAndFooterOnly) {
    FileSystem::ForceDirectories(Store + "Empty");
    const std::string reportFile = Run("Empty");
    ASSERT_NE(reportFile, "");
    const TLines report = ReportLines(reportFile);
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[1], "<p>end</p>");
    EXPECT_EQ(Progress.Max, 1);
    EXPECT_EQ(Progress.Steps, 1);
}

TEST_F(MakeReport, TemplateChoice) {
    Note("F/n", "<p>n</p>");
    Options->SimpleReportDefTemplate = "Fancy";
    EXPECT_EQ(ReportLines(Run("F"))[0].substr(0, 4), "<h1>") << "a missing named template falls back to Simple";
    WriteTemplate("Fancy", {"<!--HEADER_BEGIN-->", "fancy #HEADER_TITLE#", "<!--HEADER_END-->"});
    EXPECT_EQ(ReportLines(Run("F")), (TLines{"fancy F", "", ""})) << "the empty contents entry and the empty note";
    FileSystem::RemoveTree(Options->AppPath + "Templates");
    FileSystem::RemoveTree(ReportRun::ReportFileName());
    EXPECT_EQ(Run("F"), "") << "no template at all: no report";
    EXPECT_FALSE(FileSystem::PathExists(ReportRun::ReportFileName()));
    EXPECT_TRUE(Progress.Destroyed);
}

TEST_F(MakeReport, NoReportForWhatIsNotAFolder) {
    Note("F/n", "<p>n</p>");
    // Each of the last ones leads to the folder F, or to the store root, by a path the tree never shows.
    const std::string store = FileSystem::ExtractFileName(FileSystem::ExcludeTrailingPathDelimiter(Store));
    const std::vector<std::string> paths = {"Missing", "F/n.html", "F/../F", "../" + store + "/F", "/F", "F/", "./F", "F//", ""};
    for (const std::string& path : paths) {
        EXPECT_EQ(Run(path), "") << path;
        EXPECT_FALSE(FileSystem::PathExists(ReportRun::ReportFileName())) << path;
    }
}

TEST_F(MakeReport, CancelMakesNoReportAndKeepsThePreviousOne) {
    for (const char* name : {"a", "b", "c"}) Note(std::string("F/") + name, "<p>x</p>");
    const std::string first = Run("F");
    ASSERT_NE(first, "");
    const std::string before = TestEnv::ReadFile(first);
    Note("F/d", "<p>new</p>");
    const size_t threads = ThreadCount();
    for (int step : {0, 1, 3}) {
        Progress = {};
        Progress.CancelAtStep = step;
        EXPECT_EQ(Run("F"), "") << step;
        EXPECT_EQ(ThreadCount(), threads) << "the run's workers are stopped with it";
        EXPECT_EQ(Progress.Steps, step);
        EXPECT_TRUE(Progress.Destroyed);
        EXPECT_EQ(TestEnv::ReadFile(first), before);
        std::vector<FileSystem::TSearchRec> left;
        ASSERT_TRUE(FileSystem::ListFolder(Folders::PrivateTempFolder() + "/", "*", FileSystem::faAnyFile, left));
        EXPECT_EQ(left.size(), 1u) << "a cancelled report leaves no temporary file";
    }
}

// A page of <div>s opened and never closed, after a paragraph.
std::string NestedDivs(size_t bytes) {
    std::string html = "<p>top</p>";
    html.reserve(bytes + 16);
    while (html.size() + 5 <= bytes) html += "<div>";
    return html + "deep";
}

TEST_F(MakeReport, DeeplyNestedNotesAreReportedUpToTheNestingLimit) {
    const size_t sizes[] = {25u << 10, 100u << 10, 500u << 10, 2u << 20, 10u << 20};
    std::vector<std::string> files;
    for (const size_t bytes : sizes) files.push_back(Note("Deep/n" + std::to_string(bytes), NestedDivs(bytes)));
    std::vector<std::string> before;
    for (const std::string& file : files) before.push_back(TestEnv::ReadFile(file));
    const std::string report = TestEnv::ReadFile(Run("Deep"));
    for (const size_t bytes : sizes) {
        const size_t at = report.find("<h2>n" + std::to_string(bytes) + "</h2><p>top</p>");
        ASSERT_NE(at, std::string::npos) << bytes;
        EXPECT_EQ(report.find("<div>", at), report.find("<div><div><div><div><div><div><div><div>", at)) << bytes;
    }
    EXPECT_EQ(report.find("deep"), std::string::npos) << "what lies past the limit is left out of the report";
    EXPECT_EQ(Progress.Steps, 6);
    for (size_t i = 0; i < files.size(); ++i) EXPECT_TRUE(TestEnv::ReadFile(files[i]) == before[i]) << "the note stays as it was";
}

TEST_F(MakeReport, TagSoupIsReportedWithItsNestingBounded) {
    struct Case { const char* name; std::string unit; };
    const Case cases[] = {{"table", "<table><tr><td>"}, {"b", "<b>"}, {"a", "<a href=x>"}, {"mixed", "<table><td><b><a href=#>x"}};
    for (const auto& c : cases) {
        std::string html = "<p>top</p>";
        while (html.size() < (2u << 20)) html += c.unit;
        Note(std::string("Soup/") + c.name, html + "end");
    }
    const std::string report = TestEnv::ReadFile(Run("Soup"));
    for (const auto& c : cases) EXPECT_NE(report.find(std::string("<h2>") + c.name + "</h2><p>top</p>"), std::string::npos) << c.name;
    std::string deepest;  // more bold elements closed in a row than the parser may nest
    for (int i = 0; i < 600; ++i) deepest += "</b>";
    EXPECT_EQ(report.find(deepest), std::string::npos);
    EXPECT_EQ(Progress.Steps, 5);
}

// A run cancelled while its workers read large hostile notes ahead: no report, the notes as
// they were, and no worker left once the run has returned.
TEST_F(MakeReport, CancellingWhileHostileNotesAreReadStopsTheWorkers) {
    std::vector<std::string> files, before;
    for (int i = 0; i < 8; ++i) files.push_back(Note("Big/n" + std::to_string(i), NestedDivs(10u << 20)));
    for (const std::string& file : files) before.push_back(TestEnv::ReadFile(file));
    const size_t threads = ThreadCount();
    for (const int step : {0, 1, 2}) {
        Progress = {};
        Progress.CancelAtStep = step;
        EXPECT_EQ(Run("Big"), "") << step;
        EXPECT_EQ(ThreadCount(), threads) << step;
        EXPECT_EQ(Progress.Steps, step);
        EXPECT_TRUE(Progress.Destroyed);
    }
    for (size_t i = 0; i < files.size(); ++i) EXPECT_TRUE(TestEnv::ReadFile(files[i]) == before[i]) << "the note stays as it was";
}

TEST_F(MakeReport, ANoteThatCannotBeReadIsLeftOutAndTheRestReported) {
    for (const char* name : {"a", "b", "c"}) Note(std::string("F/") + name, std::string("<p>") + name + "</p>");
    ASSERT_EQ(::mkfifo((Store + "F/pipe.html").c_str(), 0644), 0);
    const TLines report = ReportLines(Run("F"));
    for (const char* name : {"<h2>a</h2>", "<h2>b</h2>", "<h2>c</h2>"})
        EXPECT_EQ(std::count_if(report.begin(), report.end(), [&](const std::string& l) { return l.rfind(name, 0) == 0; }), 1) << name;
    EXPECT_EQ(Progress.Steps, 5) << "four entries, one of them skipped, and the writing";
}

// Parses each note when asked, on the caller's thread: the generator as it reads one note
// at a time and holds the whole report in memory.
class TOneByOneLoader : public TDocumentLoader {
public:
    std::unique_ptr<THTMLDocument> Load(const std::string& fileName, const std::function<bool()>&) override {
        std::string bytes;
        if (!FileSystem::TryReadFile(fileName, bytes)) return nullptr;
        return GumboDocumentLoader::ParseHTMLDocument(std::move(bytes), HtmlParsing::FileURL(fileName), fileName);
    }
};

TEST_F(MakeReport, TheStreamedReportIsTheWholeReportOfOneGenerator) {
    ASSERT_TRUE(Folders::InstallShippedFiles());
    Options->AppPath = Folders::ProgramDataFolder();
    // More notes than the workers and the read-ahead hold, of different sizes and kinds, so
    // notes finish out of order; some with images, one without a block, one that is no file.
    for (int i = 0; i < 40; ++i) {
        std::string body = "<h1>Note " + std::to_string(i) + " &amp; #NOTE_DATE#</h1>";
        for (int k = 0; k < (i % 5) * 300; ++k) body += "<p class=x>Some <b>text</b> " + std::to_string(k) + "</p>";
        if (i % 4 == 0) body += "<img src=\"n" + std::to_string(i) + ".files/a.png\">";
        const std::string name = "F/n" + std::to_string(i);
        Note(name, "<html><head><title>T" + std::to_string(i) + "</title></head><body>" + body + "</body></html>",
             "http://www.site" + std::to_string(i % 7) + ".org/p" + std::to_string(i), "comment " + std::to_string(i));
        if (i % 4 == 0) FileSystem::ForceDirectories(Store + name + ".files");
    }
    TestEnv::WriteFile(Store + "F/plain.html", "<p>no block yet</p>");
    ASSERT_EQ(::mkfifo((Store + "F/pipe.html").c_str(), 0644), 0);

    // The folder's date as the run reads it: repairing the note without a block touches the
    // folder, and its time may then pass a second.
    ReportUtils::TNoteInfo folder;
    ASSERT_TRUE(ReportUtils::LoadNodeFromFile(Store + "F/", folder));
    const std::string streamed = TestEnv::ReadFile(Run("F"));

    TRepGenerator generator(std::make_unique<TOneByOneLoader>());
    ASSERT_TRUE(generator.Initialize(Options->AppPath + "Templates/Simple.html", folder.Name, "", "", "", "", "",
                                     DateTimeUtils::FormatShortDate(folder.Created),
                                     DateTimeUtils::FormatLongTime(folder.Created)));
    ReportUtils::TStringList files;
    ReportUtils::MyAdvBuildFileList(Store + "F/*.html", FileSystem::faAnyFile, files, false, false, false);
    for (const std::string& file : files) {
        ReportUtils::TNoteInfo note;
        if (!ReportUtils::LoadNodeFromFile(file, note)) continue;
        generator.AddNote(file, note.Name, CodePage::WideToAnsi(note.OriginalTitle), CodePage::WideToAnsi(note.OriginalURL),
                          CodePage::WideToAnsi(note.Comments), DateTimeUtils::FormatShortDate(note.Created),
                          DateTimeUtils::FormatLongTime(note.Created));
    }
    TLines whole;
    ASSERT_TRUE(generator.FinalizeToStrings(whole));
    ASSERT_EQ(generator.NotesOut.size(), 41u);
    EXPECT_TRUE(streamed == Strings::JoinLines(whole)) << "the streamed report differs from the whole one";
}

TEST_F(MakeReport, OpensTheReportInTheBrowser) {
    Note("F/n", "<p>n</p>");
    TRecordingBrowser browser;
    EXPECT_NE(Run("F", false, &browser), "");
    EXPECT_TRUE(browser.Visits.empty());
    for (bool inPlace : {false, true}) {
        Options->ShowSnippetInBrowserWindow = inPlace;
        const std::string reportFile = Run("F", true, &browser);
        ASSERT_FALSE(browser.Visits.empty());
        EXPECT_EQ(browser.Visits.back(), std::make_pair(reportFile, !inPlace));
    }
}

TEST_F(MakeReport, TheShippedTemplateGivesACompletePage) {
    ASSERT_TRUE(Folders::InstallShippedFiles());
    Options->AppPath = Folders::ProgramDataFolder();
    Note("F/First", "<p>first</p>", "http://www.example.com/a", "a comment");
    Note("F/Second", "<p>second</p>");
    const std::string report = TestEnv::ReadFile(Run("F"));
    EXPECT_EQ(report.rfind("<!DOCTYPE html>\r\n", 0), 0u);
    EXPECT_EQ(report.substr(report.size() - 9), "</html>\r\n");
    EXPECT_NE(report.find("<p>first</p><A NAME="), std::string::npos);
    EXPECT_NE(report.find("<a href=\"http://www.example.com/a\">example.com</a>"), std::string::npos);
    for (const char* leftover : {"<!--HEADER", "<!--NOTE", "<!--TOC", "<!--REF", "<!--FOOTER", "#HEADER_", "#NOTE_",
                                 "#TOCITEM_", "#REFERRER_", "Quillbox report template"})
        EXPECT_EQ(report.find(leftover), std::string::npos) << leftover;
}

}  // namespace

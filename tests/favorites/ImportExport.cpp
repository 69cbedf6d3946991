// The favorites import: the note files it writes, line by line, the folders it mirrors, the
// name of the import folder and the .url reader.
#include "TestEnvironment.h"
#include "favorites/ImportExport.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/NoteFile.h"
#include "store/UserPrompt.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

using namespace ImportExport;

namespace {

class TRecordingPrompt : public TUserPrompt {
public:
    TAnswer Ask(const std::string& text, const std::string& caption, TButtons buttons, TIcon icon) override {
        Texts.push_back(text);
        Caption = caption, Buttons = buttons, Icon = icon;
        return TAnswer::OK;
    }
    std::vector<std::string> Texts;
    std::string Caption;
    TButtons Buttons = TButtons::YesNo;
    TIcon Icon = TIcon::None;
};

// 7 December 2026, 14:03:59 UTC (the tests run in UTC).
const std::time_t Modified = 1796652239;

std::string Favorites() { return std::string(std::getenv("HOME")) + "/Favorites/"; }

void WriteShortcut(const std::string& relativePath, const std::string& content) {
    const std::string path = Favorites() + relativePath;
    TestEnv::WriteFile(path, content);
    const utimbuf times{Modified, Modified};
    ::utime(path.c_str(), &times);
}

// Every test starts with a fresh Favorites folder and store.
class FavoritesImport : public testing::Test {
protected:
    void SetUp() override {
        FileSystem::RemoveTree(Favorites());
        FileSystem::ForceDirectories(Favorites());
        Store = TestEnv::MakeTempDir("store");
    }
    std::string Import(TRecordingPrompt& prompt) {
        std::string folder = "unchanged";
        ImportFavouritesToNotes(CodePage::AnsiToWide(Store), folder, prompt);
        return folder;
    }
    std::string Store;
};

}  // namespace

TEST_F(FavoritesImport, WritesOneLinkNotePerShortcutLineByLine) {
    WriteShortcut("Links/News & Co.url", "[DEFAULT]\r\nBASEURL=http://wrong/\r\n[InternetShortcut]\r\nURL=http://x.org/?a=1&b=<2>\r\n");
    TRecordingPrompt prompt;
    EXPECT_EQ(Import(prompt), "Favorites");
    const std::string note = TestEnv::ReadFile(Store + "Favorites/Links/News & Co.html");
    EXPECT_EQ(Strings::SplitLines(note), (ReportUtils::TStringList{
        "<!--WARNING: DO NOT MODIFY THIS COMMENTS BLOCK-->",
        "<!--NOTEXMLINFOBEGIN",
        "<NOTE><ORIGINAL_TITLE>News &amp; Co</ORIGINAL_TITLE><ORIGINAL_URL>http://x.org/?a=1&amp;b=&lt;2&gt;</ORIGINAL_URL>"
        "<TITLE>News &amp; Co</TITLE><DATE>12/07/26</DATE><TIME>14:03:59</TIME><COMMENTS></COMMENTS></NOTE>",
        "NOTEXMLINFOEND-->",
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">",
        "<!-- saved from http://x.org/?a=1&amp;b=&lt;2&gt;-->",
        "<HTML>",
        "<HEAD>",
        "<TITLE>News &amp; Co</TITLE>",
        "<META HTTP-EQUIV=CONTENT-TYPE CONTENT=\"TEXT/HTML\">",
        "<BASE TARGET=\"_TOP\">",
        "</HEAD>",
        "<BODY>",
        "News &amp; Co<BR>",
        "<A HREF=\"http://x.org/?a=1&amp;b=&lt;2&gt;\">http://x.org/?a=1&amp;b=&lt;2&gt;</A>",
        "</BODY>",
        "</HTML> ",
    }));
    EXPECT_TRUE(Strings::EndsWith(note, "</HTML> \r\n"));
    EXPECT_EQ(prompt.Texts, (std::vector<std::string>{"Your Favorites were successfully imported into \"Favorites\" sub-folder"}));
    EXPECT_EQ(prompt.Caption, "Import");
    EXPECT_EQ(prompt.Buttons, TButtons::OK);
    EXPECT_EQ(prompt.Icon, TIcon::Information);
}

TEST_F(FavoritesImport, TheNoteReadsBackWithTheShortcutsMetadata) {
    WriteShortcut("Caf\xC3\xA9 & <Bar>.url", "[InternetShortcut]\nURL=http://caf\xC3\xA9.example/\n");
    WriteShortcut("No address.url", "[InternetShortcut]\nIconIndex=0\n");
    TRecordingPrompt prompt;
    ASSERT_EQ(Import(prompt), "Favorites");
    ReportUtils::TNoteInfo info;
    ASSERT_TRUE(ReportUtils::LoadNodeFromFile(Store + "Favorites/Caf\xC3\xA9 & <Bar>.html", info));
    EXPECT_EQ(info.Name, "Caf\xC3\xA9 & <Bar>");
    EXPECT_EQ(info.OriginalTitle, u"Caf\u00E9 & <Bar>");
    EXPECT_EQ(info.OriginalURL, u"http://caf\u00E9.example/");
    EXPECT_DOUBLE_EQ(info.Created, DateTimeUtils::FromTimeT(Modified));
    ASSERT_TRUE(ReportUtils::LoadNodeFromFile(Store + "Favorites/No address.html", info));
    EXPECT_EQ(info.OriginalURL, u"");
    EXPECT_NE(TestEnv::ReadFile(Store + "Favorites/No address.html").find("<A HREF=\"\"></A>"), std::string::npos);
}

TEST_F(FavoritesImport, MirrorsTheFolderTreeAndNumbersASecondImport) {
    WriteShortcut("Top.url", "[InternetShortcut]\nURL=http://t/\n");
    FileSystem::ForceDirectories(Favorites() + "Empty/Deeper");
    TRecordingPrompt prompt;
    EXPECT_EQ(Import(prompt), "Favorites");
    EXPECT_TRUE(FileSystem::DirectoryExists(Store + "Favorites/Empty/Deeper"));
    EXPECT_TRUE(FileSystem::FileExists(Store + "Favorites/Top.html"));
    EXPECT_EQ(Import(prompt), "Favorites-1");
    EXPECT_TRUE(FileSystem::FileExists(Store + "Favorites-1/Top.html"));
    EXPECT_EQ(prompt.Texts.back(), "Your Favorites were successfully imported into \"Favorites-1\" sub-folder");
}

TEST_F(FavoritesImport, NothingToImportGivesNoFolderNameAndNoMessage) {
    FileSystem::ForceDirectories(Favorites() + "Only/Folders");
    TestEnv::WriteFile(Favorites() + "readme.txt", "not a shortcut");
    TRecordingPrompt prompt;
    EXPECT_EQ(Import(prompt), "");
    EXPECT_TRUE(FileSystem::DirectoryExists(Store + "Favorites/Only/Folders")) << "the folders stay";
    FileSystem::RemoveTree(Favorites());
    EXPECT_EQ(Import(prompt), "") << "no Favorites folder";
    EXPECT_FALSE(FileSystem::PathExists(Store + "Favorites-1"));
    EXPECT_TRUE(prompt.Texts.empty());
}

TEST_F(FavoritesImport, ANoteThatCannotBeWrittenIsSkippedAndNamed) {
    // A sub-folder named like the note the shortcut beside it would become.
    WriteShortcut("a.url", "[InternetShortcut]\nURL=http://a/\n");
    FileSystem::ForceDirectories(Favorites() + "b.html");
    WriteShortcut("b.url", "[InternetShortcut]\nURL=http://b/\n");
    WriteShortcut("c.url", "[InternetShortcut]\nURL=http://c/\n");
    TRecordingPrompt prompt;
    EXPECT_EQ(Import(prompt), "Favorites");
    EXPECT_TRUE(FileSystem::FileExists(Store + "Favorites/a.html"));
    EXPECT_TRUE(FileSystem::FileExists(Store + "Favorites/c.html"));
    EXPECT_TRUE(FileSystem::DirectoryExists(Store + "Favorites/b.html"));
    EXPECT_EQ(prompt.Texts, (std::vector<std::string>{
        "Your Favorites were imported into \"Favorites\" sub-folder, except these, which could not be written:\nb.url"}));
    EXPECT_EQ(prompt.Icon, TIcon::Warning);
}

// Shortcuts as real Favorites folders hold them: names as long as a file name may be, the
// extension in any letter case.
TEST_F(FavoritesImport, LongNamesAndAnyLetterCase) {
    const std::string longName(250, 'L');  // its note's file name is 255 bytes long
    WriteShortcut(longName + ".url", "[InternetShortcut]\nURL=http://long/\n");
    WriteShortcut("Upper.URL", "[InternetShortcut]\nURL=http://upper/\n");
    WriteShortcut("Mixed.Url", "[InternetShortcut]\nURL=http://mixed/\n");
    WriteShortcut("not.urlx", "[InternetShortcut]\nURL=http://no/\n");
    TRecordingPrompt prompt;
    EXPECT_EQ(Import(prompt), "Favorites");
    EXPECT_EQ(prompt.Icon, TIcon::Information);
    ReportUtils::TNoteInfo info;
    ASSERT_TRUE(ReportUtils::LoadNodeFromFile(Store + "Favorites/" + longName + ".html", info));
    EXPECT_EQ(info.OriginalURL, u"http://long/");
    for (const char* name : {"Upper", "Mixed"}) EXPECT_TRUE(FileSystem::FileExists(Store + "Favorites/" + name + ".html")) << name;
    EXPECT_FALSE(FileSystem::PathExists(Store + "Favorites/not.html"));
}

// A shortcut's name and address are text on the note's page, whatever they hold.
TEST_F(FavoritesImport, AHostileShortcutAddsNoMarkup) {
    const std::string url = "http://x/\"><img src=x onerror=alert(1)><script>alert(2)</script>--><b>";
    WriteShortcut("<script>alert(3)<.url", "[InternetShortcut]\nURL=" + url + "\n");
    TRecordingPrompt prompt;
    ASSERT_EQ(Import(prompt), "Favorites");
    const std::string file = Store + "Favorites/<script>alert(3)<.html";
    const ReportUtils::TStringList lines = Strings::SplitLines(TestEnv::ReadFile(file));
    ASSERT_EQ(lines.size(), 17u);
    for (size_t i = 4; i < lines.size(); ++i) {
        for (const char* markup : {"<img", "<script", "<b>", "\"><"})
            EXPECT_EQ(Strings::AsciiLower(lines[i]).find(markup), std::string::npos) << lines[i];
    }
    EXPECT_EQ(lines[5].find("-->"), lines[5].size() - 3) << "the comment ends where it should: " << lines[5];
    ReportUtils::TNoteInfo info;
    ASSERT_TRUE(ReportUtils::LoadNodeFromFile(file, info));
    EXPECT_EQ(info.OriginalURL, CodePage::AnsiToWide(url));
    EXPECT_EQ(info.OriginalTitle, u"<script>alert(3)<");
}

TEST(ReadIniString, ReadsTheUrlOfAShortcutWhateverItHolds) {
    const auto bytes = [](const auto& literal) { return std::string(literal, sizeof literal - 1); };
    const auto utf16 = [](std::u16string_view text) {
        std::string out = "\xFF\xFE";
        for (char16_t u : text) out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        return out;
    };
    struct Case { std::string text; std::string url; };
    const Case cases[] = {
        {"[InternetShortcut]\r\nURL=http://a/\r\n", "http://a/"},
        {"[DEFAULT]\nURL=http://no/\n[ internetshortcut ]\n  url = \"http://q/\"  \nURL=http://second/\n", "http://q/"},
        {"[InternetShortcut]\nURLX=1\nIconFile=x\n", ""},
        {"[InternetShortcut\nURL=http://unclosed/\n", ""},
        {"\xEF\xBB\xBF[InternetShortcut]\nURL=http://bom/", "http://bom/"},
        {utf16(u"[InternetShortcut]\r\nURL=http://\u20AC/\r\n"), "http://\xE2\x82\xAC/"},
        {utf16(u"[InternetShortcut]\r\nURL=odd") + "x", "odd"},
        {bytes("[InternetShortcut]\nURL=a\0b\xFF\n"), bytes("a\0b\xFF")},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadIniString(c.text, "InternetShortcut", "URL"), c.url) << c.text;
}

// The one rule the favorites import, a dropped file and the favorites dialog share.
TEST(IsInternetShortcut, TheExtensionInAnyLetterCase) {
    struct Case { const char* path; bool shortcut; };
    for (auto [path, shortcut] : {Case{"/f/Debian.url", true}, Case{"Debian.URL", true}, Case{"/f/a.b/Debian.Url", true},
                                  Case{"/f/Debian.url.txt", false}, Case{"/f/Debian", false}, Case{"/f.url/Debian", false},
                                  Case{"/f/Debian.urls", false}, Case{"/f/Debian-url", false}})
        EXPECT_EQ(ImportExport::IsInternetShortcut(path), shortcut) << path;
}

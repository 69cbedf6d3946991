// quillbox-cli import: files of each kind become notes in the store, on disk with their info
// block and pictures; files that make no note are reported and the rest go on.
#include "CliRunner.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"

#include <gtest/gtest.h>

namespace {

const std::string Png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1", 20);

std::string Data(const std::string& name) { return std::string(QB_TEST_DATA_DIR) + "/" + name; }
bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliImport : public ::testing::Test {
protected:
    std::string FStore, FIn;
    void SetUp() override {
        FStore = UseFreshStore();
        FIn = TestEnv::MakeTempDir("in");
        FileSystem::ForceDirectories(FStore + "Inbox");
    }
    TCliRun Import(std::vector<std::string> args) {
        args.insert(args.begin(), "import");
        return RunCli(args);
    }
    static ReportUtils::TNoteInfo Info(const std::string& file) {
        ReportUtils::TNoteInfo info;
        EXPECT_TRUE(ReportUtils::LoadNodeFromFile(file, info)) << file;
        return info;
    }
};

}  // namespace

TEST_F(CliImport, EachKindOfFileBecomesANote) {
    TestEnv::WriteFile(FIn + "page.html", "<html><head><title>T</title></head><body><p>Hi</p>"
                                          "<img src=\"pics/a.png\"><img src='b%20c.png'><img src=\"https://ex.org/w.png\"></body></html>");
    TestEnv::WriteFile(FIn + "pics/a.png", Png);
    TestEnv::WriteFile(FIn + "b c.png", Png);
    TestEnv::WriteFile(FIn + "Good <read>.url", "[InternetShortcut]\r\nURL=https://ex.org/a?b&c\r\n");
    TestEnv::WriteFile(FIn + "notes.txt", "one < two\nthree & four\n");
    const TCliRun run = Import({"--folder", "Inbox", Data("mail/alternative.eml"), Data("mail/plain.eml"),
                                FIn + "page.html", Data("rtf/pictures.rtf"), FIn + "Good <read>.url", FIn + "notes.txt"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const std::vector<std::string> files = Strings::SplitLines(run.Out);
    const std::string dir = FStore + "Inbox/";
    const std::vector<std::string> expected = {dir + "Grüßeaus Berlin.html", dir + "Just text.html", dir + "page.html",
                                               dir + "pictures.html", dir + "Good read.html", dir + "notes.html"};
    ASSERT_EQ(files, expected);

    const std::string mail = TestEnv::ReadFile(files[0]);
    EXPECT_TRUE(Contains(mail, "<div align=\"right\">Subject:</div></td><td width=\"99%\"><div align=\"left\">Grüßeaus Berlin")) << mail;
    EXPECT_EQ(Info(files[0]).OriginalTitle, u"Grüßeaus Berlin");
    EXPECT_TRUE(Contains(TestEnv::ReadFile(files[1]), "Only plain text here.<BR>Second line.<BR>"));

    const std::string page = TestEnv::ReadFile(files[2]);
    EXPECT_TRUE(Contains(page, "<img src=\"page.files/a.png\"><img src='page.files/b%20c.png'><img src=\"https://ex.org/w.png\">")) << page;
    EXPECT_EQ(TestEnv::ReadFile(dir + "page.files/a.png"), Png);
    EXPECT_EQ(Info(files[2]).OriginalURL, CodePage::AnsiToWide("file://" + FIn + "page.html"));

    EXPECT_TRUE(FileSystem::FileExists(dir + "pictures.files/nntmp0.png"));
    EXPECT_TRUE(Contains(TestEnv::ReadFile(files[3]), "<IMG src=\"pictures.files/nntmp0.png\""));

    EXPECT_TRUE(Contains(TestEnv::ReadFile(files[4]), "<A HREF=\"https://ex.org/a?b&amp;c\">Good &lt;read&gt;</A>"));
    EXPECT_TRUE(Contains(TestEnv::ReadFile(files[5]), "one &lt; two<BR>three &amp; four<BR>"));
}

TEST_F(CliImport, FilesThatMakeNoNoteAreReportedAndTheRestGoOn) {
    TestEnv::WriteFile(FIn + "binary.bin", std::string("\x7f" "ELF\0\0", 6));
    TestEnv::WriteFile(FIn + "a.txt", "a");
    TCliRun run = Import({FIn + "binary.bin", FIn + "a.txt", Data("mail/attachment_only.eml")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(Strings::SplitLines(run.Err).size(), 2u) << run.Err;
    EXPECT_EQ(run.Out, FStore + "About music/a.html\n");  // the default folder, made on the way

    run = Import({"--folder", "Inbox", FIn + "missing.txt", FIn + "a.txt"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Out, FStore + "Inbox/a.html\n");
    // The same file again is a new note, never appended.
    run = Import({"--folder", "Inbox", FIn + "a.txt"});
    EXPECT_EQ(run.Out, FStore + "Inbox/a-1.html\n");
}

TEST_F(CliImport, BadArgumentsWriteNothing) {
    TestEnv::WriteFile(FIn + "a.txt", "a");
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"--folder", "Inbox"},
                             std::vector<std::string>{"--folder", "../outside", FIn + "a.txt"},
                             std::vector<std::string>{"--folder", "Missing", FIn + "a.txt"},
                             std::vector<std::string>{"--bogus", FIn + "a.txt"}}) {
        const TCliRun run = Import(args);
        EXPECT_EQ(run.ExitCode, 2) << run.Err;
        EXPECT_TRUE(run.Out.empty());
    }
    EXPECT_FALSE(FileSystem::PathExists(FStore + "About music"));
    EXPECT_FALSE(FileSystem::PathExists(FStore + "Missing"));
}

TEST_F(CliImport, ThousandsOfFilesInOneCall) {
    std::vector<std::string> args = {"--folder", "Inbox"};
    FileSystem::SetSyncEachWrite(false);  // only the inputs: written quickly
    for (int i = 0; i < 3000; ++i) {
        const std::string file = FIn + "m" + std::to_string(i) + ".txt";
        TestEnv::WriteFile(file, "message " + std::to_string(i));
        args.push_back(file);
    }
    FileSystem::SetSyncEachWrite(true);
    const TCliRun run = Import(args);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(Strings::SplitLines(run.Out).size(), 3000u);
    EXPECT_EQ(ReportUtils::GetFileCountInDir(FStore + "Inbox/", "*.html"), 3000);
}

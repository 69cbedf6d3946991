// Store file operations: names, free names, folder deletion and its question, system folders
// and the program association.
#include "TestEnvironment.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "store/FileOperations.h"
#include "store/UserPrompt.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ReportUtils;

namespace {

// Answers every question with the scripted answer and remembers what was asked.
class TScriptedPrompt : public TUserPrompt {
public:
    explicit TScriptedPrompt(TAnswer answer) : FAnswer(answer) {}
    TAnswer Ask(const std::string& text, const std::string& caption, TButtons buttons, TIcon icon) override {
        ++Asked;
        Text = text, Caption = caption, Buttons = buttons, Icon = icon;
        return FAnswer;
    }
    int Asked = 0;
    std::string Text, Caption;
    TButtons Buttons = TButtons::OK;
    TIcon Icon = TIcon::None;

private:
    TAnswer FAnswer;
};

// A folder with files, a hidden file, a sub-folder two levels deep and an empty one.
std::string MakeTree(const std::string& root) {
    TestEnv::WriteFile(root + "a.html", "a");
    TestEnv::WriteFile(root + ".hidden", "h");
    TestEnv::WriteFile(root + "sub/b.html", "b");
    TestEnv::WriteFile(root + "sub/deeper/c.txt", "c");
    TestEnv::WriteFile(root + "sub/.git/config", "g");
    FileSystem::ForceDirectories(root + "empty");
    return root;
}

}  // namespace

TEST(MakeValidFileName, ReplacesReservedCharactersAndTidiesSpaces) {
    struct Case { const char* in; const char* out; };
    for (auto [in, out] : {Case{"  A:B//C  ", "A B C"}, Case{"[x]", "x"}, Case{"?*", ""}, Case{"a&b$c%d|e\"f<g>h\\i", "a b c d e f g h i"},
                           Case{"\t tabs\tstay\t ", "tabs\tstay"}})
        EXPECT_EQ(MakeValidFileName(in), out) << in;
}

TEST(FindUnusedFileName, NumbersOnlyWhenAFileIsInTheWay) {
    const std::string dir = TestEnv::MakeTempDir("unused");
    TestEnv::WriteFile(dir + "Idea.html", "");
    TestEnv::WriteFile(dir + "Idea-1.html", "");
    EXPECT_EQ(FindUnusedFileName(dir + "Idea", "html", "-"), dir + "Idea-2.html");
    FileSystem::ForceDirectories(dir + "Folder.html");
    EXPECT_EQ(FindUnusedFileName(dir + "Folder", "html", "-"), dir + "Folder.html") << "a folder does not count";
    TestEnv::WriteFile(dir + "tmprep.html", "");
    EXPECT_EQ(FindUnusedFileName(dir + "tmprep", "html", ""), dir + "tmprep1.html");
}

TEST(FindUnusedDirName, NumbersWhileTheNameIsTaken) {
    const std::string dir = TestEnv::MakeTempDir("unuseddir");
    EXPECT_EQ(FindUnusedDirName(dir + "Travel", "-"), dir + "Travel");
    FileSystem::ForceDirectories(dir + "Travel");
    EXPECT_EQ(FindUnusedDirName(dir + "Travel", "-"), dir + "Travel-1");
    FileSystem::ForceDirectories(dir + "Travel-1");
    TestEnv::WriteFile(dir + "Travel-2", "a file, where no folder can be made");
    EXPECT_EQ(FindUnusedDirName(dir + "Travel", "-"), dir + "Travel-3");
}

TEST(DeleteDir, RemovesEverythingBelowTheFolder) {
    const std::string dir = MakeTree(TestEnv::MakeTempDir("del") + "tree/");
    EXPECT_TRUE(DeleteDir(dir));
    EXPECT_FALSE(FileSystem::PathExists(dir));
    EXPECT_TRUE(DeleteDir(dir)) << "a missing folder counts as deleted";
}

TEST(DeleteDir, AReadOnlyFileStaysAndSoDoesItsFolder) {
    const std::string dir = MakeTree(TestEnv::MakeTempDir("delro") + "tree/");
    ::chmod((dir + "sub/b.html").c_str(), 0444);
    EXPECT_FALSE(DeleteDir(dir));
    EXPECT_TRUE(FileSystem::FileExists(dir + "sub/b.html"));
    EXPECT_FALSE(FileSystem::PathExists(dir + "a.html"));
    EXPECT_FALSE(FileSystem::PathExists(dir + "sub/deeper"));
}

TEST(DeleteDir, NeverFollowsALinkOutOfTheFolder) {
    const std::string base = TestEnv::MakeTempDir("dellink");
    const std::string outside = MakeTree(base + "outside/");
    const std::string dir = base + "tree/";
    TestEnv::WriteFile(dir + "x.html", "x");
    ASSERT_EQ(::symlink(outside.c_str(), (dir + "link").c_str()), 0);
    ASSERT_EQ(::symlink(outside.c_str(), (base + "linked").c_str()), 0);
    EXPECT_TRUE(DeleteDir(dir));
    EXPECT_TRUE(DeleteDir(base + "linked/")) << "a linked folder goes as a link";
    EXPECT_FALSE(FileSystem::PathExists(base + "linked"));
    EXPECT_TRUE(FileSystem::FileExists(outside + "sub/b.html"));
    EXPECT_TRUE(FileSystem::FileExists(outside + "a.html"));
}

// Links inside the folder go as links, whether they point to a file, a folder or nothing.
TEST(DeleteDir, RemovesDanglingAndOtherLinks) {
    const std::string base = TestEnv::MakeTempDir("deldangling");
    TestEnv::WriteFile(base + "outside.html", "keep");
    const std::string dir = base + "tree/";
    TestEnv::WriteFile(dir + "sub/n.html", "n");
    ASSERT_EQ(::symlink((base + "gone.html").c_str(), (dir + "dangling.html").c_str()), 0);
    ASSERT_EQ(::symlink((base + "gone").c_str(), (dir + "sub/dangling-folder").c_str()), 0);
    ASSERT_EQ(::symlink((base + "outside.html").c_str(), (dir + "to-file.html").c_str()), 0);
    EXPECT_TRUE(DeleteDir(dir));
    EXPECT_FALSE(FileSystem::PathExists(dir));
    EXPECT_EQ(TestEnv::ReadFile(base + "outside.html"), "keep");
}

TEST(DoDeleteFolder, AsksAboutTheLastNameAndOnlyYesDeletes) {
    const std::string root = TestEnv::MakeTempDir("store");
    FileSystem::ForceDirectories(root + "Trips/Italy/Rome");
    for (TAnswer answer : {TAnswer::No, TAnswer::Cancel}) {
        TScriptedPrompt prompt(answer);
        EXPECT_FALSE(DoDeleteFolder(true, root, "Trips/Italy", prompt));
        EXPECT_EQ(prompt.Text, "Are you sure to delete folder\n\"Italy\"\nand all it's content?");
        EXPECT_EQ(prompt.Caption, "Delete");
        EXPECT_EQ(prompt.Buttons, TButtons::YesNoCancel);
        EXPECT_EQ(prompt.Icon, TIcon::Question);
        EXPECT_TRUE(FileSystem::DirectoryExists(root + "Trips/Italy/Rome"));
    }
    TScriptedPrompt yes(TAnswer::Yes);
    EXPECT_TRUE(DoDeleteFolder(true, root, "Trips/Italy", yes));
    EXPECT_FALSE(FileSystem::PathExists(root + "Trips/Italy"));
    EXPECT_TRUE(FileSystem::DirectoryExists(root + "Trips"));

    TScriptedPrompt unused(TAnswer::No);
    EXPECT_TRUE(DoDeleteFolder(false, root, "Trips", unused)) << "without confirmation the answer is Yes";
    EXPECT_EQ(unused.Asked, 0);
    EXPECT_FALSE(DoDeleteFolder(false, root, "", unused)) << "the store root itself is never deleted";
    EXPECT_TRUE(FileSystem::DirectoryExists(root));
    // Paths that lead out of the store, or to what the tree hides, delete nothing.
    FileSystem::ForceDirectories(root + "A/B.files");
    FileSystem::ForceDirectories(root + "A/.cache");
    const std::string store = FileSystem::ExtractFileName(FileSystem::ExcludeTrailingPathDelimiter(root));
    const std::vector<std::string> badPaths = {"A/..", "X/../A", "../" + store + "/A", "/A", "A/", "A/B.files", "A/.cache"};
    for (const std::string& bad : badPaths) {
        EXPECT_FALSE(DoDeleteFolder(false, root, bad, unused)) << bad;
        EXPECT_TRUE(FileSystem::DirectoryExists(root + "A/B.files")) << bad;
        EXPECT_TRUE(FileSystem::DirectoryExists(root + "A/.cache")) << bad;
    }
}

TEST(SystemFolders, FromTheEnvironment) {
    EXPECT_EQ(GetPersonalFolder(), std::getenv("XDG_DOCUMENTS_DIR"));
    EXPECT_EQ(GetSpecialFolderLocation(CSIDL_FAVORITES), std::string(std::getenv("HOME")) + "/Favorites");
    EXPECT_EQ(GetSpecialFolderLocation(26), "");
    EXPECT_EQ(GetWindowsTempFolder(), std::string(std::getenv("XDG_RUNTIME_DIR")) + "/quillbox");
    FileSystem::TSearchRec rec;
    const std::string file = TestEnv::MakeTempDir("info") + "f.txt";
    TestEnv::WriteFile(file, "12345");
    ASSERT_TRUE(GetFileInformation(file, rec));
    EXPECT_EQ(rec.Name, "f.txt");
    EXPECT_EQ(rec.Size, 5);
    EXPECT_FALSE(GetFileInformation(file + ".missing", rec));
}

TEST(GetProgramAssociation, RegisteredCommandsAreCleanedUp) {
    {
        TRegistry reg(THive::ClassesRoot);
        reg.OpenKey(".wpx\\shell\\open\\command", true);
        reg.WriteString("", "\"/opt/Word Pro/wp\" /n \"%1\"");
        reg.OpenKey(".xyz", true);
        reg.WriteString("", "XyzFile");
        reg.OpenKey("XyzFile\\shell\\open\\command", true);
        reg.WriteString("", "/usr/bin/xyz -n %1  ");
        reg.OpenKey(".cls", true);
        reg.WriteString("", "NoSuchClass");
        reg.CloseKey();
    }
    // No desktop lookup here: the PATH holds no xdg-mime.
    const std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", TestEnv::MakeTempDir("nobin").c_str(), 1);
    EXPECT_EQ(GetProgramAssociation(".wpx"), "/opt/Word Pro/wp") << "quoted: quotes and arguments go";
    EXPECT_EQ(GetProgramAssociation(".xyz"), "/usr/bin/xyz -n") << "through the class; unquoted keeps its arguments";
    EXPECT_EQ(GetProgramAssociation(".cls"), "");
    EXPECT_EQ(GetProgramAssociation(".nothing-opens-this"), "");
    ::setenv("PATH", oldPath.c_str(), 1);
}

TEST(GetProgramAssociation, FallsBackToTheDesktopDefaultApplication) {
    const std::string bin = TestEnv::MakeTempDir("mimebin");
    TestEnv::WriteFile(bin + "xdg-mime", "#!/bin/sh\n[ \"$3\" = application/msword ] && echo wordproc.desktop\n");
    ::chmod((bin + "xdg-mime").c_str(), 0755);
    TestEnv::WriteFile(std::string(std::getenv("XDG_DATA_HOME")) + "/applications/wordproc.desktop",
                       "[Desktop Entry]\nName=Word\nExec=wordproc --writer %U\n");
    const std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
    EXPECT_EQ(GetProgramAssociation(".doc"), "wordproc --writer");
    ::setenv("PATH", oldPath.c_str(), 1);
}

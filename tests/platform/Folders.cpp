#include "TestEnvironment.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(Folders, PersonalFolderComesFromTheUserDirs) {
    const std::string home = Folders::HomeFolder();
    ::setenv("XDG_DOCUMENTS_DIR", "/somewhere/Docs/", 1);
    EXPECT_EQ(Folders::PersonalFolder(), "/somewhere/Docs");
    ::unsetenv("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(Folders::PersonalFolder(), home);  // no user-dirs file: the home folder
    TestEnv::WriteFile(home + "/.config/user-dirs.dirs", "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(Folders::PersonalFolder(), home + "/Dokumente");
    ::setenv("XDG_DOCUMENTS_DIR", (home + "/Documents").c_str(), 1);
}

TEST(Folders, ProgramFoldersFollowXdgVariables) {
    EXPECT_EQ(Folders::ProgramDataFolder(), std::string(std::getenv("XDG_DATA_HOME")) + "/quillbox/");
    EXPECT_EQ(Folders::ConfigFolder(), std::string(std::getenv("XDG_CONFIG_HOME")) + "/quillbox/");
    EXPECT_EQ(Folders::FavoritesFolder(), Folders::HomeFolder() + "/Favorites");
    EXPECT_EQ(Folders::TempFolder(), FileSystem::ExcludeTrailingPathDelimiter(std::getenv("TMPDIR")));
}

// The private temporary folder: where it is, that it is closed to others, and that a name
// another local user could have planted is never followed or used.
TEST(Folders, PrivateTempFolderIsTheUsersAlone) {
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string tmp = std::getenv("TMPDIR");
    const std::string inTmp = tmp + "/quillbox-" + std::to_string(::geteuid());
    const std::string elsewhere = TestEnv::MakeTempDir("elsewhere");
    ::chmod(elsewhere.c_str(), 0755);
    struct TCase {
        const char* Name;
        std::string Runtime;  // "" unsets XDG_RUNTIME_DIR
        std::function<void()> Plant;
        std::string Expected;  // "" for a fresh folder of the process's own
    };
    const std::vector<TCase> cases = {
        {"runtime folder", runtime, [] {}, runtime + "/quillbox"},
        {"open runtime folder is closed", runtime, [&] { ::chmod((runtime + "/quillbox").c_str(), 0777); }, runtime + "/quillbox"},
        {"no runtime folder", "", [] {}, inTmp},
        {"runtime folder missing", tmp + "/gone", [] {}, inTmp},
        {"open folder in tmp is closed", "", [&] { ::chmod(inTmp.c_str(), 0755); }, inTmp},
        {"planted link in tmp", "", [&] { FileSystem::RemoveTree(inTmp); ::symlink(elsewhere.c_str(), inTmp.c_str()); }, ""},
        {"planted file in tmp", "", [&] { ::unlink(inTmp.c_str()); TestEnv::WriteFile(inTmp, "x"); }, ""},
        {"planted link in runtime", runtime, [&] {
             FileSystem::RemoveTree(runtime + "/quillbox");
             ::symlink(elsewhere.c_str(), (runtime + "/quillbox").c_str());
         }, ""},
    };
    std::string fresh;
    for (const TCase& c : cases) {
        if (c.Runtime.empty()) ::unsetenv("XDG_RUNTIME_DIR");
        else ::setenv("XDG_RUNTIME_DIR", c.Runtime.c_str(), 1);
        c.Plant();
        const std::string folder = Folders::PrivateTempFolder();
        if (c.Expected.empty()) {
            EXPECT_EQ(folder.rfind(inTmp + "-", 0), 0u) << c.Name << ": " << folder;
            if (fresh.empty()) fresh = folder;
            EXPECT_EQ(folder, fresh) << c.Name << ": one fresh folder for the process";
        } else {
            EXPECT_EQ(folder, c.Expected) << c.Name;
        }
        struct stat st {};
        ASSERT_EQ(::lstat(folder.c_str(), &st), 0) << c.Name;
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << c.Name;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << c.Name;
    }
    struct stat st {};
    ASSERT_EQ(::stat(elsewhere.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0777, 0700u) << "the planted link's target was left as it was";
    ::unlink((runtime + "/quillbox").c_str());
    ::unlink(inTmp.c_str());
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

TEST(Folders, InstallShippedFilesAddsMissingFilesAndKeepsTheUsersOwn) {
    const std::string shipped = TestEnv::MakeTempDir("shipped");
    TestEnv::WriteFile(shipped + "Templates/Simple.html", "shipped template");
    TestEnv::WriteFile(shipped + "folder.gif", "GIF89a");
    ::setenv("QUILLBOX_DATA_DIR", shipped.c_str(), 1);
    const std::string data = Folders::ProgramDataFolder();
    TestEnv::WriteFile(data + "Templates/Simple.html", "the user's own template");
    EXPECT_TRUE(Folders::InstallShippedFiles());
    ::unsetenv("QUILLBOX_DATA_DIR");
    EXPECT_EQ(TestEnv::ReadFile(data + "Templates/Simple.html"), "the user's own template");
    EXPECT_EQ(TestEnv::ReadFile(data + "folder.gif"), "GIF89a");
}

}  // namespace

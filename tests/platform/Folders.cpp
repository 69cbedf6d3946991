#include "TestEnvironment.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

#include <cstdlib>
#include <gtest/gtest.h>

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

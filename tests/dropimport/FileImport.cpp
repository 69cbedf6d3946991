// Importing a file as a note: the target folder is judged by the store's node-path rule, so a
// path leading out of the store, or to a folder the tree hides, writes nothing anywhere.
#include "TestEnvironment.h"
#include "dropimport/FileImport.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"

#include <gtest/gtest.h>

TEST(ImportFile, TheTargetMustBeANodePathOfTheStore) {
    Options = std::make_unique<TOptions>();
    const std::string store = Options->FolderToStore = TestEnv::MakeTempDir("store");
    FileSystem::ForceDirectories(store + "Inbox");
    const std::string file = TestEnv::MakeTempDir("in") + "a.txt";
    TestEnv::WriteFile(file, "some text");
    const std::string name = FileSystem::ExtractFileName(FileSystem::ExcludeTrailingPathDelimiter(store));
    const std::vector<std::string> badPaths = {"Inbox/../Inbox", "../" + name + "/Inbox", "/Inbox", "Inbox/", "",
                                                ".Inbox", "Inbox/a.files", "In?box"};
    for (const std::string& bad : badPaths) {
        const FileImport::TImportResult result = FileImport::ImportFile(file, bad);
        EXPECT_EQ(result.Status, FileImport::TImportStatus::NoNote) << bad;
        EXPECT_NE(result.Reason, "") << bad;
    }
    std::vector<FileSystem::TSearchRec> entries;
    ASSERT_TRUE(FileSystem::ListFolder(store, "*", FileSystem::faAnyFile, entries));
    ASSERT_EQ(entries.size(), 1u) << "nothing made beside Inbox";
    ASSERT_TRUE(FileSystem::ListFolder(store + "Inbox/", "*", FileSystem::faAnyFile, entries));
    EXPECT_EQ(entries.size(), 1u) << "nothing written into Inbox";

    const FileImport::TImportResult result = FileImport::ImportFile(file, "Inbox");
    EXPECT_EQ(result.Status, FileImport::TImportStatus::Imported) << result.Reason;
    EXPECT_EQ(result.NoteFile, store + "Inbox/a.html");
    Options.reset();
}

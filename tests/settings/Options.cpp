#include "TestEnvironment.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/DebugM.h"
#include "settings/Options.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> ValueNames() {
    TRegistry reg;
    EXPECT_TRUE(reg.OpenKeyReadOnly(TOptions::RegistryKey));
    return reg.GetValueNames();
}

class OptionsTest : public testing::Test {
protected:
    void SetUp() override {
        // Every test starts from a missing settings key, as on a first run.
        TRegistry reg;
        reg.DeleteKey(TOptions::RegistryKey);
    }
};

TEST_F(OptionsTest, FirstRunWritesEveryDefaultInOrderAndMakesTheStore) {
    TOptions options;
    EXPECT_EQ(options.FolderToStore, std::string(getenv("XDG_DOCUMENTS_DIR")) + "/My Notes/");
    ASSERT_FALSE(FileSystem::DirectoryExists(options.FolderToStore));
    ASSERT_TRUE(options.Load());
    EXPECT_TRUE(FileSystem::DirectoryExists(options.FolderToStore));
    const std::vector<std::string> expected = {
        "NoteAddToLast", "NewNoteOnNewSite", "ConfirmAddNote", "ConfirmDelFolder", "ConfirmDelNote", "SaveImages",
        "MarkSelection", "SendAsAttach", "ShowHints", "ShowSnippetOnClick", "ShowSnippetInBrowserWindow",
        "AutoEditOnAppend", "ForceNewNoteMode", "AppendMode", "MarkColor", "MarkBgColor", "ExportWizardMode",
        "FromEmail", "FromName", "PrevBaseURL", "PrevTitle", "PrevFolder", "SimpleReportDefTemplate", "DefFolder",
        "AppPath", "FolderToStore", "RunLocalScripts", "_NotesTreeWidth"};
    EXPECT_EQ(ValueNames(), expected);  // UseTemplatesForReports comes only with Save

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(TOptions::RegistryKey));
    EXPECT_EQ(reg.ReadInteger("MarkBgColor"), 65535);
    EXPECT_EQ(reg.ReadString("DefFolder"), "About music");
    EXPECT_TRUE(reg.ReadBool("NoteAddToLast"));
    EXPECT_FALSE(reg.ReadBool("MarkSelection"));
    EXPECT_FALSE(reg.ReadBool("RunLocalScripts"));  // local pages' scripts stay off until asked for
    EXPECT_EQ(reg.ReadInteger("_NotesTreeWidth"), 200);
}

TEST_F(OptionsTest, ReadsStoredValuesAndNormalisesBooleansOnSave) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(TOptions::RegistryKey, true));
        reg.WriteInteger("ShowHints", 2);
        reg.WriteInteger("ConfirmAddNote", 0);
        reg.WriteInteger("RunLocalScripts", 1);
        reg.WriteInteger("_NotesTreeWidth", 150);
        reg.WriteExpandString("DefFolder", "Trips/Italy");
        reg.WriteString("FolderToStore", TestEnv::MakeTempDir("store"));
    }
    TOptions options;
    ASSERT_TRUE(options.Load());
    EXPECT_TRUE(options.ShowHints);
    EXPECT_FALSE(options.ConfirmAddNote);
    EXPECT_TRUE(options.RunLocalScripts);
    EXPECT_EQ(options.NotesTreeWidth, 150);
    EXPECT_EQ(options.DefFolder, "Trips/Italy");
    ASSERT_TRUE(options.Save());
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(TOptions::RegistryKey));
    EXPECT_EQ(reg.ReadInteger("ShowHints"), 1);
    EXPECT_EQ(reg.ReadInteger("RunLocalScripts"), 1);
    EXPECT_EQ(reg.GetDataType("UseTemplatesForReports"), TRegDataType::Integer);
    EXPECT_EQ(reg.ReadInteger("UseTemplatesForReports"), 0);
    EXPECT_EQ(reg.GetDataType("DefFolder"), TRegDataType::String);
}

TEST_F(OptionsTest, AValueOfTheWrongTypeStopsLoadThere) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(TOptions::RegistryKey, true));
        reg.WriteInteger("NoteAddToLast", 0);
        reg.WriteString("ConfirmDelFolder", "yes");  // a Boolean stored as text
        reg.WriteInteger("ConfirmDelNote", 0);
    }
    TestEnv::EnableDebugLog(true);
    TOptions options;
    EXPECT_FALSE(options.Load());
    TestEnv::EnableDebugLog(false);
    EXPECT_FALSE(options.NoteAddToLast);  // read before the failing value
    EXPECT_TRUE(options.ConfirmDelNote);  // after it: still the default
    const std::string log = TestEnv::ReadFile(DebugM::LogFileName());
    EXPECT_NE(log.find(",Info: TOptions.Load,Msg: Invalid data type for 'ConfirmDelFolder',ExptAdrs: $"), std::string::npos)
        << log;
    // The values missing before the failure were still written.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(TOptions::RegistryKey));
    EXPECT_TRUE(reg.ValueExists("NewNoteOnNewSite"));
}

}  // namespace

// quillbox-cli list and import-favorites, run as the built program over a store of its own.
#include "CliRunner.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/Options.h"
#include "store/NoteFile.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// Each test gets a store of its own, named in the settings the program reads.
class CliStore : public testing::Test {
protected:
    void SetUp() override {
        Store = UseFreshStore();
        FileSystem::RemoveTree(std::string(std::getenv("HOME")) + "/Favorites");
    }
    std::string Store;
};

const std::string Block = std::string(ReportUtils::NoteWarningLine) + "\r\n" + ReportUtils::NoteBeginMarker +
                          "\r\n<NOTE><ORIGINAL_URL>http://x/\tq</ORIGINAL_URL><DATE>12/07/26</DATE><TIME>14:03:59</TIME></NOTE>\r\n" +
                          ReportUtils::NoteEndMarker + "\r\n";

}  // namespace

TEST_F(CliStore, ListShowsTheRootsFoldersOnly) {
    FileSystem::ForceDirectories(Store + "b");
    FileSystem::ForceDirectories(Store + "A2");
    FileSystem::ForceDirectories(Store + "A2.files");
    TestEnv::WriteFile(Store + "a.html", "<p>at the top</p>");
    const TCliRun run = RunCli({"list"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "D\tA2\nD\tb\n");
}

TEST_F(CliStore, ListShowsAFoldersChildrenInTreeOrder) {
    for (const char* name : {"Trips/Italy/Zed", "Trips/Italy/alpha", "Trips/Italy/x.files"}) FileSystem::ForceDirectories(Store + name);
    TestEnv::WriteFile(Store + "Trips/Italy/x.html", Block + "<p>x</p>\r\n");
    for (const std::string& path : {std::string("Trips/Italy"), std::string("Trips/Italy/")}) {
        const TCliRun run = RunCli({"list", path});
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_EQ(run.Out, "D\talpha\nD\tZed\nN\tx\thttp://x/ q\t12/07/26 14:03:59\n") << "a tab inside a field becomes a blank";
    }
}

TEST_F(CliStore, ListRepairsANoteWithoutABlock) {
    TestEnv::WriteFile(Store + "F/plain.html", "<p>plain</p>\r\n");
    const TCliRun run = RunCli({"list", "F"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(run.Out.rfind("N\tplain\t\t", 0) == 0) << run.Out;
    EXPECT_EQ(TestEnv::ReadFile(Store + "F/plain.html").rfind(ReportUtils::NoteWarningLine, 0), 0u);
}

TEST_F(CliStore, BadArguments) {
    FileSystem::ForceDirectories(Store + "F");
    TestEnv::WriteFile(Store + "F/n.html", Block);
    struct Case { std::vector<std::string> args; int exitCode; };
    const Case cases[] = {
        {{"list", "Missing"}, 2}, {{"list", "F/n.html"}, 2}, {{"list", "../F"}, 2}, {{"list", "F//G"}, 2},
        {{"list", "F/../F"}, 2}, {{"list", "/F"}, 2},
        {{"list", "F", "G"}, 2},  {{"import-favorites", "x"}, 2}, {{"no-such-command"}, 2},
    };
    for (const auto& c : cases) {
        const TCliRun run = RunCli(c.args);
        EXPECT_EQ(run.ExitCode, c.exitCode) << c.args.back();
        EXPECT_EQ(run.Out, "") << c.args.back();
        EXPECT_NE(run.Err, "") << c.args.back();
    }
}

TEST_F(CliStore, ImportFavoritesPrintsTheSuccessText) {
    const std::string favorites = std::string(std::getenv("HOME")) + "/Favorites/";
    FileSystem::ForceDirectories(favorites + "Empty");
    TCliRun run = RunCli({"import-favorites"});
    EXPECT_EQ(run.ExitCode, 1) << "no shortcuts: nothing imported";
    EXPECT_EQ(run.Out, "");
    TestEnv::WriteFile(favorites + "Sub/Site.url", "[InternetShortcut]\r\nURL=http://site/\r\n");
    run = RunCli({"import-favorites"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Your Favorites were successfully imported into \"Favorites-1\" sub-folder\n");
    EXPECT_TRUE(FileSystem::FileExists(Store + "Favorites-1/Sub/Site.html"));
}

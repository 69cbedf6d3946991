// quillbox-cli search, run as the built program over a store of its own.
#include "CliRunner.h"
#include "store/NoteFile.h"

#include <gtest/gtest.h>

namespace {

class CliSearch : public testing::Test {
protected:
    void SetUp() override {
        Store = UseFreshStore();
        TestEnv::WriteFile(Store + "Cook/Pasta.html", "<p>Pasta with garlic</p>");
        TestEnv::WriteFile(Store + "Cook/Bread.html", "<p>garlic\tbread, and\nmore</p>");
        ASSERT_TRUE(ReportUtils::SaveNodeToXML(Store + "Cook/Pasta.html", "Pasta", "Pasta page", "http://x/", 46000, ""));
    }
    std::string Store;
};

}  // namespace

TEST_F(CliSearch, PrintsOneLinePerNoteBestFirst) {
    const TCliRun run = RunCli({"search", "title:pasta"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "N\tCook/Pasta\tPasta\tPasta with garlic\n");
    const TCliRun both = RunCli({"search", "garlic", "bread"});
    EXPECT_EQ(both.Out, "N\tCook/Bread\tBread\tgarlic bread, and more\n");
}

TEST_F(CliSearch, LimitsAndCountsAndFailsWhenNothingMatches) {
    EXPECT_EQ(RunCli({"search", "garlic"}).Out.size(), RunCli({"search", "--limit", "5", "garlic"}).Out.size());
    const TCliRun one = RunCli({"search", "--limit", "1", "garlic"});
    EXPECT_EQ(std::count(one.Out.begin(), one.Out.end(), '\n'), 1);
    const TCliRun none = RunCli({"search", "saffron"});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_EQ(none.Out, "");
    const TCliRun rebuilt = RunCli({"search", "--rebuild"});
    EXPECT_EQ(rebuilt.ExitCode, 0) << rebuilt.Err;
    EXPECT_EQ(rebuilt.Out, "2\n");
}

TEST_F(CliSearch, RefusesBadArguments) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"search"}, {"search", "--limit"}, {"search", "--limit", "x", "garlic"}, {"search", "--limit", "0", "garlic"},
             {"search", "--limit", "3"}})
        EXPECT_EQ(RunCli(args).ExitCode, 2) << args.size();
}

// quillbox-cli report, run as the built program over a store of its own, with the shipped
// template the program installs at start.
#include "CliRunner.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "settings/Options.h"
#include "store/NoteFile.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> Command(const std::vector<std::string>& args) {
    std::vector<std::string> argv{QB_CLI_PATH, "report"};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

class CliReport : public testing::Test {
protected:
    void SetUp() override {
        Store = UseFreshStore();
        TRegistry reg;
        reg.OpenKey(TOptions::RegistryKey, true);
        reg.WriteString("SimpleReportDefTemplate", "Simple");
        reg.CloseKey();
        FileSystem::RemoveTree(Folders::PrivateTempFolder() + "/tmprep.html");
    }
    std::string Store;
};

TEST_F(CliReport, PrintsTheReportFile) {
    const std::string note = Store + "Trips/Italy/Rome.html";
    TestEnv::WriteFile(note, "<html><body><p>The Colosseum</p></body></html>\r\n");
    ASSERT_TRUE(ReportUtils::SaveNodeToXML(note, "Rome", "Rome", "http://www.rome.it/", DateTimeUtils::Now(), ""));
    for (const char* path : {"Trips/Italy", "Trips/Italy/"}) {
        std::string out;
        EXPECT_TRUE(Shell::RunCapture(Command({path}), out)) << path;
        const std::string reportFile = Folders::PrivateTempFolder() + "/tmprep.html";
        EXPECT_EQ(out, reportFile + "\n");
        const std::string report = TestEnv::ReadFile(reportFile);
        EXPECT_EQ(report.rfind("<!DOCTYPE html>", 0), 0u) << "the shipped Simple template";
        EXPECT_NE(report.find("<title>Italy</title>"), std::string::npos);
        EXPECT_NE(report.find("<p>The Colosseum</p><A NAME=1000></A>"), std::string::npos);
    }
}

TEST_F(CliReport, ReportsAFolderOfImportedFavorites) {
    const std::string favorites = std::string(std::getenv("HOME")) + "/Favorites/";
    FileSystem::RemoveTree(favorites);
    TestEnv::WriteFile(favorites + "Debian.url", "[InternetShortcut]\r\nURL=https://www.debian.org/\r\n");
    ASSERT_EQ(Shell::RunWait({QB_CLI_PATH, "import-favorites"}), 0);
    std::vector<FileSystem::TSearchRec> folders;
    ASSERT_TRUE(FileSystem::ListFolder(Store, "*", FileSystem::faDirectory, folders));
    std::erase_if(folders, [](const FileSystem::TSearchRec& r) { return !(r.Attr & FileSystem::faDirectory); });
    ASSERT_EQ(folders.size(), 1u);
    std::string out;
    ASSERT_TRUE(Shell::RunCapture(Command({folders[0].Name}), out));
    const std::string report = TestEnv::ReadFile(out.substr(0, out.size() - 1));
    EXPECT_NE(report.find("https://www.debian.org/"), std::string::npos);
    EXPECT_NE(report.find(">debian.org</a>"), std::string::npos) << "the source list shows the short address";
}

TEST_F(CliReport, NoReportOrBadArguments) {
    FileSystem::ForceDirectories(Store + "F");
    struct Case { std::vector<std::string> args; int exitCode; };
    const Case cases[] = {
        {{"Missing"}, 1}, {{"F/x.html"}, 1}, {{"F//G"}, 2}, {{"F/../F"}, 2},
        {{"../F"}, 2}, {{"F/../.."}, 2}, {{"F/.."}, 2}, {{"/etc"}, 2}, {{""}, 2}, {{}, 2}, {{"F", "G"}, 2},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_FALSE(Shell::RunCapture(Command(c.args), out));
        EXPECT_EQ(out, "");
        EXPECT_EQ(Shell::RunWait(Command(c.args)), c.exitCode) << (c.args.empty() ? "(none)" : c.args[0]);
    }
    EXPECT_FALSE(FileSystem::PathExists(Folders::PrivateTempFolder() + "/tmprep.html"));
}

}  // namespace

// quillbox-cli rtf, run as the built program on the sample documents.
#include "CliRunner.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

namespace {

TCliRun Rtf(std::vector<std::string> args) {
    args.insert(args.begin(), "rtf");
    return RunCli(args);
}

std::string Sample(const std::string& name) { return std::string(QB_TEST_DATA_DIR) + "/rtf/" + name; }

TEST(CliRtf, PrintsTheNoteHtml) {
    const TCliRun run = Rtf({Sample("wordpad.rtf")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out.rfind("<STYLE> <!--\r\n  body { font-family: Times New Roman; font-size: 8pt }\r\n", 0), 0u);
    EXPECT_NE(run.Out.find("It’s a <B>bold</B> claim"), std::string::npos);
    EXPECT_EQ(run.Out.substr(run.Out.size() - 8), "</DIV>\r\n");
}

TEST(CliRtf, WritesPicturesIntoTheGivenFolder) {
    const std::string folder = TestEnv::MakeTempDir("cli-pictures") + "sub";  // no trailing "/", not there yet
    for (const auto& args : {std::vector<std::string>{Sample("pictures.rtf"), "--pictures", folder},
                             std::vector<std::string>{"--pictures", folder, Sample("pictures.rtf")}}) {
        const TCliRun run = Rtf(args);
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_NE(run.Out.find("<IMG src=\"nntmp0.png\" width=\"100\" height=\"60\">"), std::string::npos);
        for (const char* name : {"/nntmp0.png", "/nntmp1.png", "/nntmp2.jpg"})
            EXPECT_TRUE(FileSystem::FileExists(folder + name)) << name;
    }
}

TEST(CliRtf, PicturesGoToThePrivateTemporaryFolderByDefault) {
    const TCliRun run = Rtf({Sample("pictures.rtf")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(FileSystem::FileExists(std::string(std::getenv("XDG_RUNTIME_DIR")) + "/quillbox/nntmp1.png"));
    EXPECT_FALSE(FileSystem::FileExists(std::string(std::getenv("TMPDIR")) + "/nntmp1.png"));
}

TEST(CliRtf, ExitCodes) {
    const std::string dir = TestEnv::MakeTempDir("cli-rtf");
    TestEnv::WriteFile(dir + "nofonts.rtf", "{\\rtf1 text without a font table}");
    TestEnv::WriteFile(dir + "blocker", "a file where the picture folder should be");
    TestEnv::WriteFile(dir + "empty.rtf", "");
    struct Case {
        std::vector<std::string> Args;
        int ExitCode;
    };
    const Case cases[] = {
        {{dir + "missing.rtf"}, 2},
        {{dir}, 2},  // a folder is no file
        {{}, 2},
        {{Sample("wordpad.rtf"), Sample("textedit.rtf")}, 2},
        {{Sample("wordpad.rtf"), "--pictures"}, 2},
        {{dir + "nofonts.rtf"}, 0},
        {{Sample("pictures.rtf"), "--pictures", dir + "blocker"}, 1},  // the pictures cannot be written
        {{dir + "empty.rtf"}, 0},
    };
    for (const Case& c : cases) {
        const TCliRun run = Rtf(c.Args);
        EXPECT_EQ(run.ExitCode, c.ExitCode) << (c.Args.empty() ? "" : c.Args[0]);
        if (c.ExitCode != 0) {
            EXPECT_EQ(run.Out, "");
        }
    }
}

}  // namespace

#include "TestEnvironment.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/DebugM.h"
#include "settings/Options.h"
#include "settings/Trap.h"

#include <gtest/gtest.h>
#include <regex>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class DebugLogTest : public testing::Test {
protected:
    void TearDown() override {
        TestEnv::EnableDebugLog(false);
        ::unlink(DebugM::LogFileName().c_str());
    }
};

TEST_F(DebugLogTest, OffWritesNothingAndCreatesTheFlag) {
    TRegistry clean;
    clean.DeleteKey(TOptions::RegistryKey);
    DebugM::Initialize();
    EXPECT_FALSE(DebugM::DebugMode());
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(TOptions::RegistryKey));
    EXPECT_EQ(reg.ReadInteger("DebugMode"), 0);  // created when missing

    EXPECT_EQ(Trap("Test.Failing", 7, []() -> int { throw std::runtime_error("boom"); }), 7);
    DebugM::LogMessage("hello");
    EXPECT_FALSE(FileSystem::FileExists(DebugM::LogFileName()));
}

TEST_F(DebugLogTest, OnAppendsErrorAndMessageLines) {
    TestEnv::EnableDebugLog(true);
    EXPECT_EQ(Trap("TfrmMain.AddNote", 5, []() -> int { throw EConvertError("bad date"); }), 5);
    EXPECT_FALSE(TrapVoid("TfrmMain.AddNote.1", [] { throw std::runtime_error(""); }));
    DebugM::LogError("no exception here");
    const std::vector<std::string> lines = [] {
        std::vector<std::string> out;
        const std::string text = TestEnv::ReadFile(DebugM::LogFileName());
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        size_t start = 0;
        for (size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
            out.push_back(text.substr(start, p - start));
        return out;
    }();
    ASSERT_EQ(lines.size(), 3u);
    const std::string stamp = R"(\[\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d\.\d\d\d\])";
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(stamp + R"(,Info: TfrmMain\.AddNote,Msg: bad date,ExptAdrs: \$[0-9A-F]{8})")))
        << lines[0];
    // An empty message leaves ",Msg: " right before the address.
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(stamp + R"(,Info: TfrmMain\.AddNote\.1,Msg: ,ExptAdrs: \$[0-9A-F]{8})")))
        << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(stamp + R"( \d+: no exception here)"))) << lines[2];
}

// An exception that escapes everything is reported as a message line before the program ends.
TEST_F(DebugLogTest, SystemErrorIsAMessageLine) {
    TestEnv::EnableDebugLog(true);
    const pid_t pid = ::fork();
    if (pid == 0) {
        DebugM::Initialize();
        try {
            throw EConvertError("escaped");
        } catch (...) {
            std::terminate();
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status));
    const std::string text = TestEnv::ReadFile(DebugM::LogFileName());
    const std::string stamp = R"(\[\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d\.\d\d\d\])";
    EXPECT_TRUE(std::regex_match(text, std::regex(stamp + R"( \d+: System Error on EConvertError\r\n)"))) << text;
}

TEST(DebugLogFormat, TimeStampIsDayMonthYearWithMilliseconds) {
    const double t = DateTimeUtils::EncodeDateTime({2026, 12, 7, 14, 3, 59, 120});
    EXPECT_EQ(DebugM::FormatTimeStamp(t), "[07.12.26 14:03:59.120]");
}

}  // namespace

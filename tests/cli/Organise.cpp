// quillbox-cli mkdir, rename, move and delete, run as the built program over a store of its
// own: output, exit codes, the questions on a terminal, and a move failing half-way.
#include "CliRunner.h"
#include "Unprivileged.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/Options.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>

using FileSystem::DirectoryExists;
using FileSystem::FileExists;

namespace {

class CliOrganise : public testing::Test {
protected:
    void SetUp() override { Store = UseFreshStore(); }
    void Note(const std::string& path) {
        TestEnv::WriteFile(Store + path + ".html", "<p>" + path + "</p>");
        TestEnv::WriteFile(Store + path + ".files/pic.png", "png of " + path);
    }
    static void Setting(const char* name, bool value) {
        TRegistry reg;
        reg.OpenKey(TOptions::RegistryKey, true);
        reg.WriteBool(name, value);
    }
    std::string Store;
};

struct TCase {
    std::vector<std::string> args;
    int exitCode;
    const char* out;  // standard output, or (exit code not 0) a piece of standard error
};

void Expect(const TCase& c) {
    const TCliRun run = RunCli(c.args);
    std::string what;
    for (const auto& a : c.args) what += "[" + a + "]";
    EXPECT_EQ(run.ExitCode, c.exitCode) << what << run.Err;
    if (c.exitCode == 0)
        EXPECT_EQ(run.Out, c.out) << what;
    else
        EXPECT_NE(run.Err.find(c.out), std::string::npos) << what << run.Err;
}

// quillbox-cli on a terminal that the answer is typed on; what the terminal showed goes to shown.
int RunCliOnTerminal(std::vector<std::string> args, const std::string& answer, std::string& shown) {
    args.insert(args.begin(), QB_CLI_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::execv(argv[0], argv.data());
        _exit(127);
    }
    if (!answer.empty() && ::write(terminal, answer.data(), answer.size()) < 0) return -2;
    char buffer[4096];
    for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, static_cast<size_t>(n));
    ::close(terminal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST_F(CliOrganise, Mkdir) {
    FileSystem::ForceDirectories(Store + "Trips");
    TestEnv::WriteFile(Store + "Blocked", "a file");
    for (const TCase& c : {TCase{{"mkdir", "Trips/Italy/Rome"}, 0, "Trips/Italy/Rome\n"},
                           TCase{{"mkdir", "Trips/"}, 0, "Trips\n"},
                           TCase{{"mkdir", "a?b"}, 2, "not a valid folder path"},
                           TCase{{"mkdir", "Trips/Pics.files"}, 2, "not a valid folder path"},
                           TCase{{"mkdir", ".hidden"}, 2, "not a valid folder path"},
                           TCase{{"mkdir", "../outside"}, 2, "not a valid folder path"},
                           TCase{{"mkdir", "Blocked/Sub"}, 1, "cannot make"}, TCase{{"mkdir"}, 2, "usage"}})
        Expect(c);
    EXPECT_TRUE(DirectoryExists(Store + "Trips/Italy/Rome"));
    EXPECT_FALSE(FileSystem::PathExists(Store + "a"));
    EXPECT_FALSE(FileSystem::PathExists(Store + "../outside"));
}

TEST_F(CliOrganise, Rename) {
    Note("Travel/Rome");
    FileSystem::ForceDirectories(Store + "Trips");
    for (const TCase& c : {TCase{{"rename", "Travel", "Trips"}, 0, "Trips-1\n"},
                           TCase{{"rename", "Trips-1", "Trips-1 "}, 0, "Trips-1\n"},
                           TCase{{"rename", "Trips-1", "???"}, 0, "-1\n"},
                           TCase{{"rename", "-1", "Pics.files"}, 1, "hide"},
                           TCase{{"rename", "-1/Rome", "X"}, 2, "not a folder"},
                           TCase{{"rename", "Gone", "X"}, 2, "not a folder"}})
        Expect(c);
    EXPECT_EQ(TestEnv::ReadFile(Store + "-1/Rome.files/pic.png"), "png of Travel/Rome");
}

TEST_F(CliOrganise, Move) {
    Note("A/Idea");
    Note("B/Idea");
    Note("Trips/Italy/Rome");
    FileSystem::ForceDirectories(Store + "Old/Trips");
    FileSystem::ForceDirectories(Store + "Old/Same");
    TestEnv::WriteFile(Store + "Old/Same.html", "a note beside a folder of its name");
    for (const TCase& c : {TCase{{"move", "A/Idea", "B"}, 0, "B/Idea-1\n"},
                           TCase{{"move", "B/Idea-1", ""}, 1, "store root"},
                           TCase{{"move", "B/Idea-1", "B"}, 1, "already"},
                           TCase{{"move", "Trips", "Trips/Italy"}, 1, "itself"},
                           TCase{{"move", "Old/Trips", ""}, 0, "Trips-1\n"},
                           TCase{{"move", "Old/Same", "Trips"}, 0, "Trips/Same\n"},  // the folder is meant
                           TCase{{"move", "Trips", "Nowhere"}, 2, "not a folder"},
                           TCase{{"move", "A/Ghost", "B"}, 2, "not a folder or note"},
                           TCase{{"move", "B/Idea.files", "A"}, 2, "not a folder or note"}})
        Expect(c);
    EXPECT_EQ(TestEnv::ReadFile(Store + "B/Idea-1.files/pic.png"), "png of A/Idea");
    EXPECT_FALSE(FileSystem::PathExists(Store + "A/Idea.files"));
    EXPECT_TRUE(FileExists(Store + "Old/Same.html"));
    EXPECT_TRUE(DirectoryExists(Store + "Trips/Same"));
}

TEST_F(CliOrganise, DeleteAsksOnATerminal) {
    struct Case { const char* path; const char* answer; bool deleted; const char* question; };
    for (auto [path, answer, deleted, question] :
         {Case{"F/Idea", "n\n", false, "delete note \r\n\"Idea\"?"}, Case{"F/Idea", "\n", false, "\"Idea\""},
          Case{"F/Idea", "y\n", true, "\"Idea\""}, Case{"F", "no\n", false, "delete folder\r\n\"F\"\r\nand all it's content?"},
          Case{"F", "yes\n", true, "\"F\""}}) {
        if (!FileExists(Store + "F/Idea.html")) Note("F/Idea");
        std::string shown;
        const int exitCode = RunCliOnTerminal({"delete", path}, answer, shown);
        EXPECT_EQ(exitCode, deleted ? 0 : 1) << path << answer << shown;
        EXPECT_NE(shown.find(question), std::string::npos) << shown;
        EXPECT_EQ(FileSystem::PathExists(Store + path + (std::string(path) == "F" ? "" : ".html")), !deleted) << path;
        EXPECT_EQ(DirectoryExists(Store + "F/Idea.files"), !deleted) << path;
    }
}

TEST_F(CliOrganise, DeleteWithoutATerminal) {
    Note("F/Idea");
    Note("F/Other");
    Note("G/Note");
    for (const TCase& c : {TCase{{"delete", "F/Idea"}, 1, "--yes"}, TCase{{"delete", "F"}, 1, "--yes"},
                           TCase{{"delete", "F/Idea", "--yes"}, 0, ""}, TCase{{"delete", "F/Idea", "--yes"}, 2, "not a"},
                           TCase{{"delete", "--yes"}, 2, "usage"}})
        Expect(c);
    EXPECT_FALSE(FileSystem::PathExists(Store + "F/Idea.files"));
    EXPECT_TRUE(FileExists(Store + "F/Other.files/pic.png"));
    // With the questions turned off nothing is asked.
    Setting("ConfirmDelNote", false);
    Setting("ConfirmDelFolder", false);
    Expect({{"delete", "F/Other"}, 0, ""});
    Expect({{"delete", "G"}, 0, ""});
    EXPECT_FALSE(FileSystem::PathExists(Store + "F/Other.html"));
    EXPECT_FALSE(FileSystem::PathExists(Store + "G"));
}

// A folder without write permission cannot move to another folder, nor can anything move
// into a read-only folder: both moves fail and leave every file where it was. The program
// runs as "nobody" when the tests run as root, for whom permissions are no obstacle.
TEST_F(CliOrganise, MoveFailingHalfWayLeavesNothingApart) {
    Note("A/Idea");
    Note("A/Other");
    FileSystem::ForceDirectories(Store + "B");
    FileSystem::ForceDirectories(Store + "Locked");
    ::chmod(TestEnv::Root().c_str(), 0755);
    Unprivileged::GiveAway(TestEnv::Root());
    ::chmod((Store + "A/Idea.files").c_str(), 0555);
    ::chmod((Store + "Locked").c_str(), 0555);
    struct Case { const char* note; const char* target; const char* reason; };
    for (auto [note, target, reason] : {Case{"A/Idea", "B", "nothing was moved"}, Case{"A/Other", "Locked", "cannot move"}}) {
        EXPECT_EQ(Unprivileged::Run([&] { return RunCli({"move", note, target}).ExitCode; }), 1) << note;
        const std::string err = TestEnv::ReadFile(TestEnv::Root() + "cli.err");
        EXPECT_NE(err.find(reason), std::string::npos) << err;
        EXPECT_TRUE(FileExists(Store + note + ".html")) << note;
        EXPECT_EQ(TestEnv::ReadFile(Store + note + ".files/pic.png"), std::string("png of ") + note);
    }
    EXPECT_FALSE(FileSystem::PathExists(Store + "B/Idea.html"));
    EXPECT_FALSE(FileSystem::PathExists(Store + "Locked/Other.html"));
}

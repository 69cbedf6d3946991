#include "TestEnvironment.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::string> Names(const std::string& folder, const std::string& mask, int attr) {
    std::vector<FileSystem::TSearchRec> entries;
    EXPECT_TRUE(FileSystem::ListFolder(folder, mask, attr, entries));
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.Name);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ListFolder, AttributeMaskDecidesWhatShows) {
    const std::string dir = TestEnv::MakeTempDir("list");
    TestEnv::WriteFile(dir + "a.html", "a");
    TestEnv::WriteFile(dir + "b.txt", "b");
    TestEnv::WriteFile(dir + ".hidden.html", "h");
    FileSystem::ForceDirectories(dir + "sub");
    FileSystem::ForceDirectories(dir + ".git");
    ::mkfifo((dir + "pipe.html").c_str(), 0600);

    using V = std::vector<std::string>;
    EXPECT_EQ(Names(dir, "*.html", 39 & ~FileSystem::faHidden & ~FileSystem::faSysFile), (V{"a.html"}));
    EXPECT_EQ(Names(dir, "*.html", FileSystem::faAnyFile), (V{".hidden.html", "a.html", "pipe.html"}));
    EXPECT_EQ(Names(dir, "*", FileSystem::faDirectory), (V{"a.html", "b.txt", "sub"}));  // plain files always match
    EXPECT_EQ(Names(dir, "*.*", FileSystem::faAnyFile).size(), 6u);
    std::vector<FileSystem::TSearchRec> none;
    EXPECT_FALSE(FileSystem::ListFolder(dir + "missing", "*", FileSystem::faAnyFile, none));
}

TEST(ReadFile, RefusesWhatIsNotARegularFileAndHonoursTheCap) {
    const std::string dir = TestEnv::MakeTempDir("read");
    ::mkfifo((dir + "fifo").c_str(), 0600);
    std::string bytes;
    EXPECT_FALSE(FileSystem::TryReadFile(dir + "fifo", bytes));  // must not block on a FIFO
    EXPECT_FALSE(FileSystem::TryReadFile(dir, bytes));
    TestEnv::WriteFile(dir + "f", "0123456789");
    ASSERT_TRUE(FileSystem::TryReadFile(dir + "f", bytes, 4));
    EXPECT_EQ(bytes, "0123");
    EXPECT_THROW(FileSystem::ReadFile(dir + "missing"), EInOutError);
}

TEST(WriteFileAtomic, AFailedWriteKeepsTheOldContentAndLeavesNoTemporary) {
    const std::string dir = TestEnv::MakeTempDir("atomic");
    const std::string file = dir + "note.html";
    FileSystem::WriteFileAtomic(file, "old note");
    ::chmod(file.c_str(), 0640);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(FileSystem::WriteFileAtomic(file, std::string(1000, 'n')), EInOutError);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(TestEnv::ReadFile(file), "old note");
    EXPECT_EQ(Names(dir, "*", FileSystem::faAnyFile), std::vector<std::string>{"note.html"});

    FileSystem::WriteFileAtomic(file, "new note");
    EXPECT_EQ(TestEnv::ReadFile(file), "new note");
    struct stat st {};
    ::stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // a replaced file keeps its permissions
}

TEST(Paths, SplitAndJoin) {
    EXPECT_EQ(FileSystem::ExtractFilePath("/a/b/c.html"), "/a/b/");
    EXPECT_EQ(FileSystem::ExtractFileName("/a/b/c.html"), "c.html");
    EXPECT_EQ(FileSystem::ExtractFileExt("/a.b/c"), "");
    EXPECT_EQ(FileSystem::ExtractFileExt("/a/c.tar.gz"), ".gz");
    EXPECT_EQ(FileSystem::ChangeFileExt("/a.b/c", ".html"), "/a.b/c.html");
    EXPECT_EQ(FileSystem::ChangeFileExt("/a/x.url", ".html"), "/a/x.html");
    EXPECT_EQ(FileSystem::IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(FileSystem::ExcludeTrailingPathDelimiter("/a/"), "/a");
    EXPECT_EQ(FileSystem::ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(ForceDirectories, MakesEveryMissingParent) {
    const std::string dir = TestEnv::MakeTempDir("force");
    EXPECT_TRUE(FileSystem::ForceDirectories(dir + "a/b/c/"));
    EXPECT_TRUE(FileSystem::DirectoryExists(dir + "a/b/c"));
    TestEnv::WriteFile(dir + "file", "x");
    EXPECT_FALSE(FileSystem::ForceDirectories(dir + "file/sub"));
    EXPECT_TRUE(FileSystem::RemoveTree(dir + "a"));
    EXPECT_FALSE(FileSystem::PathExists(dir + "a"));
}

TEST(RemoveTree, ReadOnlyFilesByRuleAndLinksAsLinks) {
    const std::string base = TestEnv::MakeTempDir("removetree");
    TestEnv::WriteFile(base + "outside/keep.txt", "keep");
    for (const auto rule : {FileSystem::TReadOnlyFiles::Keep, FileSystem::TReadOnlyFiles::Remove}) {
        const std::string dir = base + "tree";
        TestEnv::WriteFile(dir + "/sub/locked.txt", "locked");
        TestEnv::WriteFile(dir + "/free.txt", "free");
        ::chmod((dir + "/sub/locked.txt").c_str(), 0444);
        ASSERT_EQ(::symlink((base + "outside").c_str(), (dir + "/sub/to-folder").c_str()), 0);
        ASSERT_EQ(::symlink((base + "gone").c_str(), (dir + "/dangling").c_str()), 0);
        const bool keep = rule == FileSystem::TReadOnlyFiles::Keep;
        EXPECT_EQ(FileSystem::RemoveTree(dir + "/", rule), !keep);
        EXPECT_EQ(FileSystem::FileExists(dir + "/sub/locked.txt"), keep);
        EXPECT_FALSE(FileSystem::PathExists(dir + "/free.txt"));
        EXPECT_FALSE(FileSystem::PathExists(dir + "/sub/to-folder"));
        if (keep) ::chmod((dir + "/sub/locked.txt").c_str(), 0644);
        FileSystem::RemoveTree(dir);
    }
    // A link given as the tree, with or without its "/", goes as a link.
    ASSERT_EQ(::symlink((base + "outside").c_str(), (base + "linked").c_str()), 0);
    EXPECT_TRUE(FileSystem::RemoveTree(base + "linked/"));
    EXPECT_FALSE(FileSystem::PathExists(base + "linked"));
    EXPECT_EQ(TestEnv::ReadFile(base + "outside/keep.txt"), "keep");
}

TEST(TAtomicFile, TheTargetChangesOnlyOnCommitAndNoTemporaryStays) {
    const std::string dir = TestEnv::MakeTempDir("stream");
    const std::string file = dir + "report.html";
    FileSystem::WriteFileAtomic(file, "old report");
    TestEnv::WriteFile(dir + "part", std::string(100000, 'p'));
    {
        FileSystem::TAtomicFile out(file);
        out.Write("head ");
        const int fd = ::open((dir + "part").c_str(), O_RDONLY);
        out.WriteFrom(fd);
        ::close(fd);
        out.Write(std::string(300000, 't'));  // more than one buffer's worth
        EXPECT_EQ(TestEnv::ReadFile(file), "old report") << "nothing shows before the commit";
        out.Commit(file);
    }
    EXPECT_EQ(TestEnv::ReadFile(file), "head " + std::string(100000, 'p') + std::string(300000, 't'));
    {
        FileSystem::TAtomicFile dropped(file);
        dropped.Write(std::string(300000, 'x'));
    }  // a cancelled report: no commit
    EXPECT_EQ(TestEnv::ReadFile(file).substr(0, 5), "head ");
    EXPECT_EQ(Names(dir, "*", FileSystem::faAnyFile), (std::vector<std::string>{"part", "report.html"}));

    // A name that cannot be replaced (a folder holds it) leaves the bytes for another name.
    FileSystem::ForceDirectories(dir + "busy.html/x");
    FileSystem::TAtomicFile out(dir + "busy.html");
    out.Write("moved on");
    EXPECT_THROW(out.Commit(dir + "busy.html"), EInOutError);
    out.Commit(dir + "free.html");
    EXPECT_EQ(TestEnv::ReadFile(dir + "free.html"), "moved on");
}

// The temporary file of an atomic write has a short name of its own: a target whose name is
// as long as a name may be is written like any other, and nothing stays beside it.
TEST(WriteFileAtomic, TargetsWithTheLongestNames) {
    const std::string dir = TestEnv::MakeTempDir("atomiclong");
    for (const size_t length : {size_t(1), size_t(247), size_t(248), size_t(255)}) {
        const std::string file = dir + std::string(length, 'a');
        FileSystem::WriteFileAtomic(file, "first");
        FileSystem::WriteFileAtomic(file, "second");
        EXPECT_EQ(TestEnv::ReadFile(file), "second") << length;
    }
    std::vector<FileSystem::TSearchRec> entries;
    ASSERT_TRUE(FileSystem::ListFolder(dir, "*", FileSystem::faAnyFile, entries));
    EXPECT_EQ(entries.size(), 4u);
}

}  // namespace

// Store listing: file lists, sub-folder names in tree order, counts, and the children of a
// folder as the notes tree reads them.
#include "TestEnvironment.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"

#include <algorithm>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace ReportUtils;

namespace {

TStringList Sorted(TStringList list) {
    std::sort(list.begin(), list.end());
    return list;
}

// The names of the entries matching the mask, in the order the file system lists them.
TStringList DirectoryOrder(const std::string& dir, const std::string& mask) {
    std::vector<FileSystem::TSearchRec> entries;
    FileSystem::ListFolder(dir, mask, FileSystem::faAnyFile, entries);
    TStringList names;
    for (const auto& e : entries) names.push_back(FileSystem::ChangeFileExt(e.Name, ""));
    return names;
}

}  // namespace

TEST(MyAdvBuildFileList, FilesFoldersAndRecursion) {
    const std::string d = TestEnv::MakeTempDir("list");
    TestEnv::WriteFile(d + "a.html", "");
    TestEnv::WriteFile(d + "b.txt", "");
    TestEnv::WriteFile(d + ".h.html", "");
    TestEnv::WriteFile(d + "s/c.html", "");
    TestEnv::WriteFile(d + "s/t/e.html", "");
    TestEnv::WriteFile(d + ".hid/f.html", "");

    TStringList list = {"kept"};
    EXPECT_TRUE(MyAdvBuildFileList(d + "*.html", FileSystem::faAnyFile, list, false, false, false));
    EXPECT_EQ(Sorted(list), Sorted({"kept", d + "a.html", d + ".h.html"})) << "appended; any file is no folder";

    list.clear();
    MyAdvBuildFileList(d + "*.html", FileSystem::faAnyFile, list, true, false, false);
    EXPECT_EQ(Sorted(list), Sorted({d + "a.html", d + ".h.html", d + "s/c.html", d + "s/t/e.html", d + ".hid/f.html"}));

    list.clear();
    MyAdvBuildFileList(d + "*.*", FileSystem::faDirectory, list, true, true, true);
    EXPECT_EQ(Sorted(list), Sorted({d + "s/", d + "s/t/", d + ".hid/"})) << "each folder once, the start folder left out";

    list.clear();
    MyAdvBuildFileList(d + "*", FileSystem::faDirectory, list, false, false, false);
    EXPECT_EQ(Sorted(list), Sorted({d + "a.html", d + "b.txt"})) << "folders only when asked for; no hidden entries";
}

TEST(GetCurFOlders, SortedWithoutCompanionOrHiddenFolders) {
    const std::string d = TestEnv::MakeTempDir("folders");
    for (const char* name : {"Berlin", "Berlin.files", "Rome.FILES", ".files", ".git", "zed", "Alpha", "b2", "B1", "x.filesy"})
        FileSystem::ForceDirectories(d + name);
    TestEnv::WriteFile(d + "note.html", "");
    EXPECT_EQ(GetCurFOlders(d, true), "Alpha\r\nB1\r\nb2\r\nBerlin\r\nx.filesy\r\nzed\r\n");
    EXPECT_EQ(Sorted(GetCurFOldersList(d, false)), Sorted({"Alpha", "B1", "b2", "Berlin", "x.filesy", "zed"}));
    EXPECT_EQ(GetCurFOlders(d + "missing/", true), "");
}

TEST(GetFileCountInDir, MinusOneWhenNothingMatches) {
    const std::string d = TestEnv::MakeTempDir("count");
    EXPECT_EQ(GetFileCountInDir(d, "*.html"), -1) << "an empty folder";
    TestEnv::WriteFile(d + "readme.txt", "");
    EXPECT_EQ(GetFileCountInDir(d, "*.html"), -1);
    EXPECT_EQ(GetFileCountInDir(d + "missing/", "*"), -1);
    TestEnv::WriteFile(d + "x.html", "");
    TestEnv::WriteFile(d + ".y.html", "");
    FileSystem::ForceDirectories(d + "dir.html");
    EXPECT_EQ(GetFileCountInDir(d, "*.html"), 3) << "any attribute: hidden files and folders count";
    EXPECT_TRUE(IsDirectory(d + "dir.html"));
    EXPECT_FALSE(IsDirectory(d + "x.html"));
    EXPECT_FALSE(IsDirectory(d + "missing"));
}

TEST(LoadFolderNodes, TreeOrderFoldersThenNotes) {
    const std::string root = TestEnv::MakeTempDir("tree");
    TestEnv::WriteFile(root + "a.html", "<p>note at the top level</p>");
    FileSystem::ForceDirectories(root + "b");
    FileSystem::ForceDirectories(root + "A2");
    std::vector<std::string> names;
    for (const auto& n : LoadFolderNodes(root, false)) names.push_back(n.Name);
    EXPECT_EQ(names, (TStringList{"A2", "b"})) << "the root shows folders only";

    const std::string dir = root + "b/";
    for (const char* name : {"Zed", "alpha", "x.files"}) FileSystem::ForceDirectories(dir + name);
    for (const char* name : {"y.html", "x.html", "w.html", "readme.txt"}) TestEnv::WriteFile(dir + name, "<p>plain</p>\r\n");
    const auto nodes = LoadFolderNodes(dir, true);
    names.clear();
    for (const auto& n : nodes) names.push_back(n.Name);
    TStringList expected = {"alpha", "Zed"};
    for (const std::string& note : DirectoryOrder(dir, "*.html")) expected.push_back(note);
    EXPECT_EQ(names, expected);
    ASSERT_EQ(nodes.size(), 5u);
    EXPECT_TRUE(nodes[0].IsFolder);
    EXPECT_FALSE(nodes[2].IsFolder);
    EXPECT_EQ(nodes[2].OriginalTitle, u"Unknown site") << "a note without a block is repaired";
    EXPECT_TRUE(Strings::StartsWith(TestEnv::ReadFile(dir + "x.html"), NoteWarningLine));
}

TEST(LoadFolderNodes, EntryTypesFromTheDirectoryAndThroughLinks) {
    const std::string dir = TestEnv::MakeTempDir("types");
    FileSystem::ForceDirectories(dir + "sub");
    FileSystem::ForceDirectories(dir + "dir.html");  // a folder, whatever its name
    FileSystem::ForceDirectories(dir + ".git");
    FileSystem::ForceDirectories(dir + "n.files");
    TestEnv::WriteFile(dir + "readme.txt", "");
    TestEnv::WriteFile(dir + ".h.html", "<p>hidden note</p>");
    TestEnv::WriteFile(dir + "n.html", "<p>n</p>");
    ASSERT_TRUE(SaveNodeToXML(dir + "n.html", "n", "Page", "http://example.com/n", 45000.5, ""));
    ASSERT_EQ(::symlink("sub", (dir + "linkdir").c_str()), 0);
    ASSERT_EQ(::symlink("n.html", (dir + "alias.html").c_str()), 0);
    ASSERT_EQ(::symlink("missing.html", (dir + "gone.html").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir + "pipe.html").c_str(), 0600), 0);  // must be refused, not waited on
    const timeval times[2] = {{1700000000, 0}, {1700000000, 0}};
    ASSERT_EQ(::utimes((dir + "sub").c_str(), times), 0);

    const std::vector<TNoteInfo> nodes = LoadFolderNodes(dir, true);
    TStringList folders, notes;
    for (const TNoteInfo& node : nodes) (node.IsFolder ? folders : notes).push_back(node.Name);
    EXPECT_EQ(folders, (TStringList{"dir.html", "linkdir", "sub"}));
    EXPECT_EQ(Sorted(notes), (TStringList{".h", "alias", "n"}));
    ASSERT_EQ(nodes.size(), 6u);
    const TDateTime subWritten = DateTimeUtils::FromTimeT(1700000000);
    EXPECT_EQ(nodes[1].Created, subWritten) << "a linked folder has its target's date";
    EXPECT_EQ(nodes[2].Created, subWritten);
    for (const TNoteInfo& node : nodes)
        if (node.Name == "alias") EXPECT_EQ(node.OriginalURL, u"http://example.com/n") << "read through the link";
    EXPECT_EQ(GetFileCountInDir(dir, "*.html"), 5) << "any kind counts, a dangling link does not";
}

// Organising the store: renaming folders, deleting notes and moving notes and folders with
// the numbering rules, the refusals and the roll-back of a move that fails half-way.
#include "TestEnvironment.h"
#include "Unprivileged.h"
#include "platform/FileSystem.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "store/NoteWriter.h"
#include "store/StoreOperations.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace StoreOperations;
using FileSystem::DirectoryExists;
using FileSystem::FileExists;

namespace {

class StoreOps : public testing::Test {
protected:
    void SetUp() override { Root = TestEnv::MakeTempDir("store"); }
    // A note file with a companion folder holding one picture (withPictures).
    void Note(const std::string& path, bool withPictures = true) {
        TestEnv::WriteFile(Root + path + ".html", "<img src=\"pic.png\">" + path);
        if (withPictures) TestEnv::WriteFile(Root + path + ".files/pic.png", "png of " + path);
    }
    void Folder(const std::string& path) { FileSystem::ForceDirectories(Root + path); }
    std::string Root;
};

}  // namespace

TEST(NodePaths, ValidNamesAndParts) {
    // made: names the store makes; shown: names the tree shows, made by other programs too.
    struct Case { const char* path; bool made; bool shown; };
    for (auto [path, made, shown] :
         {Case{"Trips", true, true}, Case{"Trips/Italy", true, true}, Case{"A B", true, true}, Case{"", false, false},
          Case{"a?b", false, true}, Case{"Q&A/R&D", false, true}, Case{" lead", false, true},
          Case{"Trips//Italy", false, false}, Case{".hidden", false, false}, Case{"Trips/Pics.files", false, false},
          Case{".files", false, false}, Case{"x.files2", true, true}, Case{"Trips/..", false, false},
          Case{"a/../b", false, false}, Case{"../b", false, false}, Case{"./b", false, false},
          Case{"/etc", false, false}, Case{"Trips/", false, false}}) {
        EXPECT_EQ(IsValidNodePath(path), made) << path;
        EXPECT_EQ(IsValidNodePath(path, TNames::Shown), shown) << path;
    }
    EXPECT_EQ(ParentPath("Trips/Italy/Rome"), "Trips/Italy");
    EXPECT_EQ(ParentPath("Trips"), "");
    EXPECT_EQ(LastName("Trips/Italy"), "Italy");
    EXPECT_EQ(JoinPath("", "Trips"), "Trips");
    EXPECT_EQ(FolderDir("/s/", ""), "/s/");
    EXPECT_EQ(FolderDir("/s/", "a/b"), "/s/a/b/");
    EXPECT_EQ(NoteDeleteQuestion("Idea"), "Are you sure to delete note \n\"Idea\"?");
}

// Every operation refuses a node path that leaves the store or is not one the tree shows,
// though each of these would lead to the existing folder b, its notes and its folders.
TEST_F(StoreOps, EveryOperationRefusesBadNodePaths) {
    Note("b/Idea");
    Folder("b/Sub");
    Note("a/Other");
    Folder("a/Deep");
    const std::string store = FileSystem::ExtractFileName(FileSystem::ExcludeTrailingPathDelimiter(Root));
    const std::vector<std::string> badPaths = {"a/../b", "../" + store + "/b", "./b", "b/.", "/b", "b/"};
    for (const std::string& bad : badPaths) {
        std::vector<ReportUtils::TNoteInfo> nodes;
        EXPECT_FALSE(ListNodes(Root, bad, nodes)) << bad;
        EXPECT_TRUE(nodes.empty()) << bad;
        EXPECT_FALSE(MakeFolder(Root, bad + "/New").Done) << bad;
        EXPECT_FALSE(RenameFolder(Root, bad, "Sub", "Renamed").Done) << bad;
        EXPECT_FALSE(DeleteNote(Root, bad, "Idea").Done) << bad;
        EXPECT_FALSE(MoveNote(Root, bad, "Idea", "a").Done) << bad;
        EXPECT_FALSE(MoveNote(Root, "a", "Other", bad).Done) << bad;
        EXPECT_FALSE(MoveFolder(Root, bad + "/Sub", "a").Done) << bad;
        EXPECT_FALSE(MoveFolder(Root, "a/Deep", bad).Done) << bad;
        EXPECT_FALSE(IsStoreFolder(Root, bad)) << bad;
        TNoteWriter writer;
        writer.StoreRoot = Root;
        writer.Folder = CodePage::AnsiToWide(bad);
        writer.Title = u"Written";
        EXPECT_THROW(writer.Write(false), EInOutError) << bad;
    }
    EXPECT_EQ(TestEnv::ReadFile(Root + "b/Idea.html"), "<img src=\"pic.png\">b/Idea");
    EXPECT_TRUE(FileExists(Root + "b/Idea.files/pic.png"));
    EXPECT_TRUE(FileExists(Root + "a/Other.html"));
    for (const char* kept : {"b/Sub", "a/Deep"}) EXPECT_TRUE(DirectoryExists(Root + kept)) << kept;
    for (const char* made : {"b/New", "b/Renamed", "a/Idea.html", "b/Other.html", "a/Sub", "b/Deep", "b/Written.html"})
        EXPECT_FALSE(FileSystem::PathExists(Root + made)) << made;
}

// The tree lists every "*.html" file, so notes whose names it would refuse for a folder are
// still moved and deleted; "." and ".." never name a note.
TEST_F(StoreOps, NotesOfAnyShownNameAreMovedAndDeleted) {
    for (const char* name : {".hidden", "x.files"}) {
        Note(std::string("a/") + name);
        Folder("b");
        EXPECT_TRUE(MoveNote(Root, "a", name, "b").Done) << name;
        EXPECT_TRUE(FileExists(Root + "b/" + name + ".html")) << name;
        EXPECT_TRUE(DeleteNote(Root, "b", name).Done) << name;
        EXPECT_FALSE(FileSystem::PathExists(Root + "b/" + name + ".html")) << name;
    }
    Note("a/x");
    for (const char* bad : {".", "..", "", "../a/x"}) {
        EXPECT_FALSE(DeleteNote(Root, "a", bad).Done) << bad;
        EXPECT_FALSE(MoveNote(Root, "a", bad, "b").Done) << bad;
    }
    EXPECT_TRUE(FileExists(Root + "a/x.html"));
}

// Names other programs gave folders and notes are worked on; the store makes valid names only.
TEST_F(StoreOps, ShownNamesAreWorkedOnAndMadeNamesAreValid) {
    Note("Q&A/Idea");
    Folder("R&D");
    std::vector<ReportUtils::TNoteInfo> nodes;
    ASSERT_TRUE(ListNodes(Root, "Q&A", nodes));
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].Name, "Idea");
    ASSERT_TRUE(ListNodes(Root, "", nodes));
    EXPECT_EQ(nodes.size(), 2u) << "the root shows its folders";
    EXPECT_TRUE(MoveNote(Root, "Q&A", "Idea", "R&D").Done);
    EXPECT_TRUE(MoveFolder(Root, "R&D", "Q&A").Done);
    EXPECT_TRUE(FileExists(Root + "Q&A/R&D/Idea.html"));
    EXPECT_FALSE(MakeFolder(Root, "Q&A/S&T").Done);
    EXPECT_FALSE(MakeFolder(Root, "T&U/New").Done);
    EXPECT_FALSE(DirectoryExists(Root + "T&U"));
    EXPECT_TRUE(MakeFolder(Root, "Q&A/New").Done) << "inside a folder of another program's name";
    EXPECT_FALSE(MakeFolder(Root, "").Done) << "the root is there already";
    const TResult made = MakeFolder(Root, "Trips/Italy");
    EXPECT_TRUE(made.Done) << made.Reason;
    EXPECT_EQ(made.Name, "Italy");
    EXPECT_TRUE(DirectoryExists(Root + "Trips/Italy"));
    EXPECT_TRUE(MakeFolder(Root, "Trips/Italy").Done) << "a folder that exists is there";
}

TEST_F(StoreOps, RenameFolderCleansAndNumbers) {
    struct Case { const char* existing; const char* text; bool done; const char* name; };
    for (auto [existing, text, done, name] :
         {Case{"", "Trips", true, "Trips"}, Case{"Trips", "Trips", true, "Trips-1"},
          Case{"Trips,Trips-1", "Trips", true, "Trips-2"}, Case{"", "A:B//C", true, "A B C"},
          Case{"", "???", true, "-1"}, Case{"-1", "???", true, "-2"},
          Case{"", "Travel", false, "Travel"}, Case{"", "  Travel ", false, "Travel"},
          Case{"", ".secret", false, "Travel"}, Case{"", "Pics.files", false, "Travel"}}) {
        Root = TestEnv::MakeTempDir(std::string("rename") + text + existing);
        Note("Box/Travel/Rome");
        for (size_t start = 0; *existing && start <= std::string(existing).size();) {
            const std::string list = existing;
            const size_t end = std::min(list.find(',', start), list.size());
            Folder("Box/" + list.substr(start, end - start));
            start = end + 1;
        }
        const TResult result = RenameFolder(Root, "Box", "Travel", text);
        EXPECT_EQ(result.Done, done) << text;
        EXPECT_EQ(result.Name, name) << text;
        EXPECT_EQ(result.Reason.empty(), done) << text;
        // The folder is under its one name, its content with it.
        EXPECT_TRUE(FileExists(Root + "Box/" + name + "/Rome.html")) << text;
        EXPECT_TRUE(FileExists(Root + "Box/" + name + "/Rome.files/pic.png")) << text;
        if (done) EXPECT_FALSE(DirectoryExists(Root + "Box/Travel")) << text;
    }
}

TEST_F(StoreOps, RenameOfAMissingFolderChangesNothing) {
    Folder("Box");
    const TResult result = RenameFolder(Root, "Box", "Gone", "New");
    EXPECT_FALSE(result.Done);
    EXPECT_FALSE(DirectoryExists(Root + "Box/New"));
}

TEST_F(StoreOps, DeleteNoteTakesItsPicturesFirst) {
    Note("F/Idea");
    Note("F/Other");
    const TResult result = DeleteNote(Root, "F", "Idea");
    EXPECT_TRUE(result.Done) << result.Reason;
    EXPECT_FALSE(FileExists(Root + "F/Idea.html"));
    EXPECT_FALSE(DirectoryExists(Root + "F/Idea.files"));
    EXPECT_TRUE(FileExists(Root + "F/Other.html"));
    EXPECT_TRUE(FileExists(Root + "F/Other.files/pic.png"));
}

TEST_F(StoreOps, DeleteNoteWithoutItsFileLeavesThePicturesAlone) {
    Note("F/Idea");
    ::unlink((Root + "F/Idea.html").c_str());
    EXPECT_FALSE(DeleteNote(Root, "F", "Idea").Done);
    EXPECT_TRUE(FileExists(Root + "F/Idea.files/pic.png"));
}

TEST_F(StoreOps, DeleteNoteKeepsTheNoteWhenAPictureCannotGo) {
    Note("F/Idea");
    TestEnv::WriteFile(Root + "F/Idea.files/locked.png", "x");
    ::chmod((Root + "F/Idea.files/locked.png").c_str(), 0444);  // read-only: protected from deletion
    const TResult result = DeleteNote(Root, "F", "Idea");
    EXPECT_FALSE(result.Done);
    EXPECT_NE(result.Reason.find("kept"), std::string::npos) << result.Reason;
    EXPECT_TRUE(FileExists(Root + "F/Idea.html"));
    EXPECT_TRUE(FileExists(Root + "F/Idea.files/locked.png"));
}

TEST_F(StoreOps, MoveNoteNumbersFileAndPicturesTogether) {
    struct Case { const char* inTarget; const char* name; };
    for (auto [inTarget, name] : {Case{"", "Idea"}, Case{"Idea.html", "Idea-1"}, Case{"Idea.files", "Idea-1"},
                                  Case{"Idea.html,Idea-1.files", "Idea-2"}, Case{"Idea.html,Idea-1.html", "Idea-2"}}) {
        Root = TestEnv::MakeTempDir(std::string("move") + inTarget);
        Note("A/Idea");
        Folder("B");
        for (size_t start = 0; *inTarget && start <= std::string(inTarget).size();) {
            const std::string list = inTarget;
            const size_t end = std::min(list.find(',', start), list.size());
            const std::string entry = list.substr(start, end - start);
            if (entry.size() > 6 && entry.substr(entry.size() - 6) == ".files")
                Folder("B/" + entry);
            else
                TestEnv::WriteFile(Root + "B/" + entry, "already there");
            start = end + 1;
        }
        const TResult result = MoveNote(Root, "A", "Idea", "B");
        EXPECT_TRUE(result.Done) << inTarget << ": " << result.Reason;
        EXPECT_EQ(result.Name, name) << inTarget;
        EXPECT_EQ(TestEnv::ReadFile(Root + "B/" + name + ".html"), "<img src=\"pic.png\">A/Idea") << inTarget;
        EXPECT_EQ(TestEnv::ReadFile(Root + "B/" + name + ".files/pic.png"), "png of A/Idea") << inTarget;
        EXPECT_FALSE(FileExists(Root + "A/Idea.html")) << inTarget;
        EXPECT_FALSE(DirectoryExists(Root + "A/Idea.files")) << inTarget;
    }
}

TEST_F(StoreOps, MoveNoteWithoutPictures) {
    Note("A/Idea", false);
    Folder("B");
    EXPECT_TRUE(MoveNote(Root, "A", "Idea", "B").Done);
    EXPECT_TRUE(FileExists(Root + "B/Idea.html"));
    EXPECT_FALSE(DirectoryExists(Root + "B/Idea.files"));
}

TEST_F(StoreOps, MoveNoteRefusals) {
    Note("A/Idea");
    struct Case { const char* folder; const char* name; const char* target; const char* reason; };
    for (auto [folder, name, target, reason] : {Case{"A", "Idea", "", "store root"}, Case{"A", "Idea", "A", "already"},
                                                Case{"A", "Idea", "Missing", "does not exist"},
                                                Case{"A", "Ghost", "A", "already"}, Case{"A", "Ghost", "B", "does not exist"}}) {
        if (std::string(target) == "B") Folder("B");
        const TResult result = MoveNote(Root, folder, name, target);
        EXPECT_FALSE(result.Done) << name << " to " << target;
        EXPECT_NE(result.Reason.find(reason), std::string::npos) << result.Reason;
    }
    EXPECT_TRUE(FileExists(Root + "A/Idea.html"));
    EXPECT_TRUE(FileExists(Root + "A/Idea.files/pic.png"));
}

TEST_F(StoreOps, MoveFolderNumbersAndRefuses) {
    Note("Trips/Italy/Rome");
    Folder("Other/Trips");
    Folder("Trip");
    // A top-level name taken: numbered.
    TResult result = MoveFolder(Root, "Other/Trips", "");
    EXPECT_TRUE(result.Done) << result.Reason;
    EXPECT_EQ(result.Name, "Trips-1");
    EXPECT_TRUE(DirectoryExists(Root + "Trips-1"));
    EXPECT_FALSE(DirectoryExists(Root + "Other/Trips"));
    // A folder whose name begins like another's may go into it.
    result = MoveFolder(Root, "Trip", "Trips");
    EXPECT_TRUE(result.Done) << result.Reason;
    EXPECT_TRUE(DirectoryExists(Root + "Trips/Trip"));
    // Refusals leave everything in place.
    struct Case { const char* path; const char* target; const char* reason; };
    for (auto [path, target, reason] : {Case{"Trips", "", "already"}, Case{"Trips/Italy", "Trips", "already"},
                                        Case{"Trips", "Trips", "itself"}, Case{"Trips", "Trips/Italy", "itself"},
                                        Case{"Trips", "Missing", "does not exist"}, Case{"Gone", "Trips", "does not exist"}}) {
        result = MoveFolder(Root, path, target);
        EXPECT_FALSE(result.Done) << path << " to " << target;
        EXPECT_NE(result.Reason.find(reason), std::string::npos) << result.Reason;
    }
    EXPECT_TRUE(FileExists(Root + "Trips/Italy/Rome.files/pic.png"));
}

TEST_F(StoreOps, MovePathNeverReplaces) {
    TestEnv::WriteFile(Root + "a", "a");
    TestEnv::WriteFile(Root + "b", "b");
    Folder("d1/x");
    Folder("d2");
    std::string error;
    EXPECT_FALSE(MovePath(Root + "a", Root + "b", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(MovePath(Root + "d2", Root + "d1"));  // an empty folder is not replaced either
    EXPECT_EQ(TestEnv::ReadFile(Root + "a"), "a");
    EXPECT_EQ(TestEnv::ReadFile(Root + "b"), "b");
    EXPECT_TRUE(DirectoryExists(Root + "d2"));
    EXPECT_TRUE(MovePath(Root + "a", Root + "c"));
}

// A second step that fails puts the first one back: the note never ends up apart from its
// pictures. A folder without write permission cannot be moved to another folder (its ".."
// would change), and a read-only target takes nothing.
TEST_F(StoreOps, MoveNoteFailingHalfWayPutsTheFileBack) {
    const std::string dir = TestEnv::MakeTempDir("unprivileged");
    ::chmod(TestEnv::Root().c_str(), 0755);
    ::chmod(dir.c_str(), 0755);
    Root = dir + "store/";
    Note("A/Idea");
    Note("A/Other");
    Folder("B");
    Folder("Locked");
    Unprivileged::GiveAway(dir);
    ::chmod((Root + "A/Idea.files").c_str(), 0555);
    ::chmod((Root + "Locked").c_str(), 0555);
    EXPECT_EQ(Unprivileged::Run([&] {
                  const TResult result = MoveNote(Root, "A", "Idea", "B");
                  return result.Done || result.Apart || result.Reason.find("nothing was moved") == std::string::npos;
              }),
              0);
    EXPECT_TRUE(FileExists(Root + "A/Idea.html"));
    EXPECT_TRUE(FileExists(Root + "A/Idea.files/pic.png"));
    EXPECT_FALSE(FileExists(Root + "B/Idea.html"));
    EXPECT_EQ(Unprivileged::Run([&] { return MoveNote(Root, "A", "Other", "Locked").Done ? 1 : 0; }), 0);
    EXPECT_TRUE(FileExists(Root + "A/Other.html"));
    EXPECT_TRUE(FileExists(Root + "A/Other.files/pic.png"));
}

TEST_F(StoreOps, CarryCompanionFolder) {
    // No new folder yet: the old one is renamed.
    TestEnv::WriteFile(Root + "Old.files/a.png", "a");
    EXPECT_TRUE(CarryCompanionFolder(Root + "Old.files", Root + "New.files"));
    EXPECT_EQ(TestEnv::ReadFile(Root + "New.files/a.png"), "a");
    EXPECT_FALSE(DirectoryExists(Root + "Old.files"));
    // A new folder with copies: the rest joins it, the copies' originals go.
    TestEnv::WriteFile(Root + "Old2.files/a.png", "original");
    TestEnv::WriteFile(Root + "Old2.files/extra.css", "extra");
    TestEnv::WriteFile(Root + "Old2.files/sub/b.png", "b");
    TestEnv::WriteFile(Root + "New2.files/a.png", "copy");
    EXPECT_TRUE(CarryCompanionFolder(Root + "Old2.files", Root + "New2.files"));
    EXPECT_EQ(TestEnv::ReadFile(Root + "New2.files/a.png"), "copy");
    EXPECT_EQ(TestEnv::ReadFile(Root + "New2.files/extra.css"), "extra");
    EXPECT_EQ(TestEnv::ReadFile(Root + "New2.files/sub/b.png"), "b");
    EXPECT_FALSE(DirectoryExists(Root + "Old2.files"));
    // Nothing to carry; and a file in the new folder's place keeps the old folder.
    EXPECT_TRUE(CarryCompanionFolder(Root + "None.files", Root + "Any.files"));
    TestEnv::WriteFile(Root + "Old3.files/a.png", "a");
    TestEnv::WriteFile(Root + "New3.files", "a file");
    EXPECT_FALSE(CarryCompanionFolder(Root + "Old3.files", Root + "New3.files"));
    EXPECT_EQ(TestEnv::ReadFile(Root + "Old3.files/a.png"), "a");
}

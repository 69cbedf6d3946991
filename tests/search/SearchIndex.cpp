// The search index over a real store on disk: the query syntax end to end, ranking, accents,
// changes made behind the program's back, damaged index files, odd notes, and searches while
// another connection updates the index.
#include "TestEnvironment.h"
#include "platform/FileSystem.h"
#include "search/SearchIndex.h"
#include "store/NoteFile.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using TPaths = std::vector<std::string>;

class SearchIndexTest : public testing::Test {
protected:
    void SetUp() override {
        Store = TestEnv::MakeTempDir("store");
        IndexFile = TestEnv::MakeTempDir("cache") + "index.sqlite";
    }

    // A note with its info block; node path "Folder/Name" without ".html".
    void WriteNote(const std::string& nodePath, const std::string& body, const std::string& url = "",
                   const std::string& comments = "", const std::string& originalTitle = "") {
        const std::string file = Store + nodePath + ".html";
        TestEnv::WriteFile(file, "<html><body>" + body + "</body></html>");
        const std::string name = FileSystem::ChangeFileExt(FileSystem::ExtractFileName(file), "");
        ASSERT_TRUE(ReportUtils::SaveNodeToXML(file, name, originalTitle, url, 46000, comments));
    }

    TPaths Find(const std::string& query, int limit = 100) {
        TPaths paths;
        for (const TSearchHit& hit : Index().Search(query, limit)) paths.push_back(hit.NodePath);
        return paths;
    }

    static TPaths Sorted(TPaths paths) {
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    TSearchIndex& Index() {
        if (!FIndex) FIndex = std::make_unique<TSearchIndex>(IndexFile, Store);
        return *FIndex;
    }

    void WriteTravelAndCooking() {
        WriteNote("Trips/Italy/Rome", "<p>The Caf&eacute; near the Colosseum serves espresso</p><script>secretscript()</script>",
                  "https://travel.example.com/rome", "visit in spring", "Roman holiday");
        WriteNote("Cook/Pasta", "<p>Pasta recipe with garlic and olive oil</p>", "https://food.example.org/pasta", "from grandma");
        WriteNote("Cook/Bread", "<p>Roma style garlic bread</p>");
    }

    std::string Store, IndexFile;
    std::unique_ptr<TSearchIndex> FIndex;
};

}  // namespace

TEST_F(SearchIndexTest, FindsNotesByEveryFormOfQuery) {
    WriteTravelAndCooking();
    struct Case { const char* query; TPaths found; };
    const Case cases[] = {
        {"garlic", {"Cook/Bread", "Cook/Pasta"}},
        {"garlic bread", {"Cook/Bread"}},
        {"garlic -bread", {"Cook/Pasta"}},
        {"garlic -\"olive oil\"", {"Cook/Bread"}},
        {"colo*", {"Trips/Italy/Rome"}},
        {"rom*", {"Cook/Bread", "Trips/Italy/Rome"}},
        {"\"near the colosseum\"", {"Trips/Italy/Rome"}},
        {"\"colosseum the near\"", {}},
        {"title:roman", {"Trips/Italy/Rome"}},
        {"title:pasta", {"Cook/Pasta"}},
        {"title:garlic", {}},
        {"url:food", {"Cook/Pasta"}},
        {"url:garlic", {}},
        {"comments:grandma", {"Cook/Pasta"}},
        {"grandma", {"Cook/Pasta"}},
        {"secretscript", {}},
        {"html", {}},
        {"-garlic", {}},
        {"nothing-like-this", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Sorted(Find(c.query)), c.found) << c.query;
}

TEST_F(SearchIndexTest, RanksATitleMatchAboveBodyMatches) {
    WriteNote("A/Garlic", "<p>A short note on a bulb.</p>");
    WriteNote("A/Recipes", "<p>garlic garlic garlic in every dish, garlic again</p>");
    WriteNote("A/Cloves", "<p>nothing about it</p>", "", "garlic");
    const TPaths found = Find("garlic");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0], "A/Garlic");
    EXPECT_EQ(found[1], "A/Cloves");
}

TEST_F(SearchIndexTest, MatchesWithoutAccentsOrCase) {
    WriteNote("Words/Menu", "<p>Caf&eacute; cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65 NA\xC3\x8FVE Zo\xC3\xAB</p>");
    for (const char* query : {"cafe", "CAFE", "caf\xC3\xA9", "CREME brulee", "naive zoe", "Na\xC3\xAFve", "zo*"})
        EXPECT_EQ(Find(query), TPaths{"Words/Menu"}) << query;
}

TEST_F(SearchIndexTest, GivesTheTitleAndAPassageAroundTheMatch) {
    std::string body = "<p>";
    for (int i = 0; i < 200; ++i) body += "filler" + std::to_string(i) + " ";
    body += "the unusualword sits here</p>";
    WriteNote("A/Long", body);
    const std::vector<TSearchHit> hits = Index().Search("unusualword", 10);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].Title, "Long");
    EXPECT_EQ(hits[0].FileName, Store + "A/Long.html");
    EXPECT_NE(hits[0].Passage.find("the unusualword sits here"), std::string::npos) << hits[0].Passage;
    EXPECT_EQ(hits[0].Passage.find("filler0 "), std::string::npos) << hits[0].Passage;
}

TEST_F(SearchIndexTest, FollowsChangesMadeBehindItsBack) {
    WriteTravelAndCooking();
    ASSERT_EQ(Find("garlic").size(), 2u);
    // Changed, with a new size.
    WriteNote("Cook/Pasta", "<p>Pasta with basil now</p>");
    EXPECT_EQ(Find("basil"), TPaths{"Cook/Pasta"});
    EXPECT_EQ(Find("garlic"), TPaths{"Cook/Bread"});
    // Changed with the same size: only the modification time tells.
    const std::string bread = TestEnv::ReadFile(Store + "Cook/Bread.html");
    std::string same = bread;
    same.replace(same.find("garlic"), 6, "fennel");
    TestEnv::WriteFile(Store + "Cook/Bread.html", same);
    const timespec times[2] = {{0, UTIME_OMIT}, {2000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (Store + "Cook/Bread.html").c_str(), times, 0), 0);
    EXPECT_EQ(Find("fennel"), TPaths{"Cook/Bread"});
    // Added, moved, deleted.
    WriteNote("Cook/Soup", "<p>fennel soup</p>");
    EXPECT_EQ(Sorted(Find("fennel")), (TPaths{"Cook/Bread", "Cook/Soup"}));
    FileSystem::ForceDirectories(Store + "Baking");
    ASSERT_EQ(::rename((Store + "Cook/Bread.html").c_str(), (Store + "Baking/Bread.html").c_str()), 0);
    EXPECT_EQ(Sorted(Find("fennel")), (TPaths{"Baking/Bread", "Cook/Soup"}));
    ASSERT_TRUE(FileSystem::RemoveTree(Store + "Cook"));
    EXPECT_EQ(Find("fennel"), TPaths{"Baking/Bread"});
    EXPECT_EQ(Index().NoteCount(), 2);
}

TEST_F(SearchIndexTest, IndexesOnlyTheNotesTheTreeShows) {
    WriteNote("Cook/Pasta", "<p>pasta</p>");
    TestEnv::WriteFile(Store + "AtTheRoot.html", "<p>pasta</p>");
    TestEnv::WriteFile(Store + "Cook/Pasta.files/frame.html", "<p>pasta</p>");
    TestEnv::WriteFile(Store + ".hidden/Note.html", "<p>pasta</p>");
    TestEnv::WriteFile(Store + "Cook/notes.txt", "pasta");
    FileSystem::ForceDirectories(Store + "Cook/Folder.html");
    // A pipe is never read (it would block); a link to a note is a note, a link to a folder
    // is not followed.
    ASSERT_EQ(::mkfifo((Store + "Cook/Pipe.html").c_str(), 0600), 0);
    ASSERT_EQ(::symlink((Store + "Cook/Pasta.html").c_str(), (Store + "Cook/Link.html").c_str()), 0);
    ASSERT_EQ(::symlink((Store + "Cook").c_str(), (Store + "Linked").c_str()), 0);
    EXPECT_EQ(Sorted(Find("pasta")), (TPaths{"Cook/Link", "Cook/Pasta"}));
}

TEST_F(SearchIndexTest, KeepsNotesThatAreNoHTMLSearchableByName) {
    std::string binary;
    for (int i = 0; i < 10000; ++i) binary += static_cast<char>((i * 31) & 0xFF);
    TestEnv::WriteFile(Store + "Odd/Binary blob.html", binary);
    TestEnv::WriteFile(Store + "Odd/Plain.html", "just plain words, no markup");
    TestEnv::WriteFile(Store + "Odd/Empty.html", "");
    EXPECT_EQ(Find("blob"), TPaths{"Odd/Binary blob"});
    EXPECT_EQ(Find("plain words"), TPaths{"Odd/Plain"});
    EXPECT_EQ(Find("empty"), TPaths{"Odd/Empty"});
    // Read without being repaired: the index never writes into the store.
    EXPECT_EQ(TestEnv::ReadFile(Store + "Odd/Plain.html"), "just plain words, no markup");
}

TEST_F(SearchIndexTest, RebuildsADamagedOrForeignIndexFile) {
    WriteTravelAndCooking();
    ASSERT_EQ(Find("garlic").size(), 2u);
    const std::string good = TestEnv::ReadFile(IndexFile);
    struct Case { const char* name; std::string bytes; };
    const Case cases[] = {
        {"garbage", std::string(8192, '\x5A')},
        {"empty", ""},
        {"cut short", good.substr(0, good.size() / 2)},
        {"header only", good.substr(0, 100)},
    };
    for (const Case& c : cases) {
        FIndex.reset();
        for (const char* suffix : {"-wal", "-shm"}) ::unlink((IndexFile + suffix).c_str());
        TestEnv::WriteFile(IndexFile, c.bytes);
        EXPECT_EQ(Sorted(Find("garlic")), (TPaths{"Cook/Bread", "Cook/Pasta"})) << c.name;
    }
    // An index of another schema version.
    FIndex.reset();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(IndexFile.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(Sorted(Find("garlic")), (TPaths{"Cook/Bread", "Cook/Pasta"}));
}

TEST_F(SearchIndexTest, IndexOfAnotherStoreStartsAfresh) {
    WriteTravelAndCooking();
    ASSERT_EQ(Find("garlic").size(), 2u);
    const std::string other = TestEnv::MakeTempDir("other");
    TSearchIndex otherIndex(IndexFile, other);
    EXPECT_TRUE(otherIndex.Search("garlic", 10).empty());
    EXPECT_EQ(otherIndex.NoteCount(), 0);
}

TEST_F(SearchIndexTest, RebuildAndLimit) {
    for (int i = 0; i < 30; ++i) WriteNote("Many/Note " + std::to_string(i), "<p>common word</p>");
    EXPECT_EQ(Find("common", 7).size(), 7u);
    EXPECT_TRUE(Find("common", 0).empty());
    EXPECT_TRUE(Index().Rebuild());
    EXPECT_EQ(Index().NoteCount(), 30);
    EXPECT_EQ(Find("common").size(), 30u);
}

TEST_F(SearchIndexTest, SearchesWhileAnotherConnectionUpdates) {
    WriteNote("Old/Anchor", "<p>steadfast</p>");
    ASSERT_EQ(Find("steadfast").size(), 1u);
    std::string page = "<p>";
    for (int w = 0; w < 2000; ++w) page += "generated text " + std::to_string(w) + " ";
    for (int i = 0; i < 300; ++i) WriteNote("New/Note " + std::to_string(i), page + "</p>");
    std::atomic<bool> done{false};
    bool updated = false;
    std::thread writer([&] {
        TSearchIndex other(IndexFile, Store);
        updated = other.Update();
        done = true;
    });
    int searches = 0, wrong = 0;
    while (!done || searches == 0) {
        ++searches;
        if (Find("steadfast") != TPaths{"Old/Anchor"}) ++wrong;
    }
    writer.join();
    EXPECT_TRUE(updated);
    EXPECT_EQ(wrong, 0) << searches << " searches";
    EXPECT_EQ(Find("generated", 1000).size(), 300u);
}

TEST_F(SearchIndexTest, StoppedUpdatesWriteNothingMoreAndTheNextIndexCatchesUp) {
    for (int i = 0; i < 20; ++i) WriteNote("Many/Note " + std::to_string(i), "<p>common word</p>");
    Index().Stop();
    EXPECT_TRUE(Index().Update());
    EXPECT_EQ(Index().NoteCount(), 0);
    FIndex.reset();
    EXPECT_EQ(Find("common").size(), 20u);
}

TEST_F(SearchIndexTest, FollowsAnIndexFileMadeAgainByAnotherConnection) {
    WriteTravelAndCooking();
    ASSERT_EQ(Find("garlic").size(), 2u);
    TSearchIndex other(IndexFile, Store);
    ASSERT_TRUE(other.Rebuild());
    WriteNote("Cook/Soup", "<p>garlic soup</p>");
    EXPECT_EQ(Find("garlic").size(), 3u);
    EXPECT_EQ(other.Query("soup", 10).size(), 1u);
}

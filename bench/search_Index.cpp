// The search index on a store of 10,000 notes of 50 KB in 100 folders: the first indexing,
// the up-to-date check when nothing changed (beside the store listings it is compared with),
// and queries for the top 50 notes.
#include "BenchEnvironment.h"
#include "platform/FileSystem.h"
#include "search/SearchIndex.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace ReportUtils;

namespace {

constexpr int FolderCount = 100;
constexpr int NotesPerFolder = 100;
constexpr size_t NoteSize = 50 * 1024;

// A made-up vocabulary, so the index holds many distinct words as real pages do.
std::vector<std::string> Vocabulary() {
    std::vector<std::string> words;
    std::mt19937 random(7);
    const std::string letters = "abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 20000; ++i) {
        std::string word;
        const int length = 3 + static_cast<int>(random() % 8);
        for (int k = 0; k < length; ++k) word += letters[random() % letters.size()];
        words.push_back(word);
    }
    return words;
}

// Made once: a note is its block and paragraphs of words drawn with a skewed distribution.
const std::string& Store() {
    static const std::string store = [] {
        const std::string root = BenchEnv::MakeTempDir("store");
        const std::vector<std::string> words = Vocabulary();
        std::mt19937 random(11);
        std::geometric_distribution<size_t> pick(0.002);
        for (int f = 0; f < FolderCount; ++f) {
            const std::string folder = root + "Folder " + std::to_string(f) + "/";
            FileSystem::ForceDirectories(folder);
            for (int n = 0; n < NotesPerFolder; ++n) {
                const std::string name = "Note " + std::to_string(f * NotesPerFolder + n);
                std::string bytes = std::string(NoteWarningLine) + "\r\n" + NoteBeginMarker + "\r\n" +
                                    WideStringToURF8(GenerateNodeXML(name, "Page " + name, "https://example.com/" + name,
                                                                     46000, "comments on " + name)) +
                                    "\r\n" + NoteEndMarker + "\r\n<html><head><style>p{margin:0}</style></head><body>\r\n";
                while (bytes.size() < NoteSize - 200) {
                    bytes += "<p class=\"text\">";
                    for (int w = 0; w < 12; ++w) bytes += words[pick(random) % words.size()] + " ";
                    bytes += "<a href=\"https://example.com/\">link</a></p>\r\n";
                }
                bytes += "</body></html>\r\n";
                std::ofstream(folder + name + ".html", std::ios::binary) << bytes;
            }
        }
        return root;
    }();
    return store;
}

std::string IndexFile() { return BenchEnv::Root() + "cache/index.sqlite"; }

// The index the first indexing leaves, made here when that benchmark did not run.
TSearchIndex& Built() {
    static TSearchIndex index(IndexFile(), Store());
    static const bool built = index.Update();
    (void)built;
    return index;
}

void BM_FirstIndexing(benchmark::State& state) {
    const std::string store = Store();
    const std::string file = IndexFile();
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* suffix : {"", "-wal", "-shm"}) ::unlink((file + suffix).c_str());
        state.ResumeTiming();
        TSearchIndex index(file, store);
        if (!index.Update() || index.NoteCount() != FolderCount * NotesPerFolder) state.SkipWithError("indexing failed");
    }
    state.SetItemsProcessed(state.iterations() * FolderCount * NotesPerFolder);
}
BENCHMARK(BM_FirstIndexing)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime();

void BM_UpToDateCheck(benchmark::State& state) {
    TSearchIndex& index = Built();
    for (auto _ : state)
        if (!index.Update()) state.SkipWithError("update failed");
}
BENCHMARK(BM_UpToDateCheck)->Unit(benchmark::kMillisecond)->MinTime(2);

// For comparison: the listing of every note file of the store.
void BM_StoreFileListing(benchmark::State& state) {
    for (auto _ : state) {
        TStringList files;
        MyAdvBuildFileList(Store() + "*.html", FileSystem::faAnyFile, files, true, false, false);
        if (files.size() != FolderCount * NotesPerFolder) state.SkipWithError("the listing missed notes");
    }
}
BENCHMARK(BM_StoreFileListing)->Unit(benchmark::kMillisecond)->MinTime(2);

// For comparison: the listing as the notes tree reads it, every folder expanded.
void BM_StoreTreeListing(benchmark::State& state) {
    for (auto _ : state) {
        size_t count = 0;
        for (const TNoteInfo& folder : LoadFolderNodes(Store(), false))
            count += LoadFolderNodes(Store() + folder.Name + "/", true).size();
        if (count != FolderCount * NotesPerFolder) state.SkipWithError("the listing missed notes");
    }
}
BENCHMARK(BM_StoreTreeListing)->Unit(benchmark::kMillisecond)->MinTime(2);

// Queries for the best 50 notes: as the user makes them (the up-to-date check first, second
// argument 1) and on an index known to be up to date (0).
void BM_SearchTop50(benchmark::State& state) {
    TSearchIndex& index = Built();
    const std::vector<std::string> words = Vocabulary();
    const std::string queries[] = {words[0], words[3] + " " + words[5], words[1].substr(0, 2) + "*",
                                   "\"" + words[0] + " " + words[1] + "\""};
    const std::string& query = queries[state.range(0)];
    const bool update = state.range(1) != 0;
    size_t found = 0;
    for (auto _ : state) found = update ? index.Search(query, 50).size() : index.Query(query, 50).size();
    state.SetLabel(query + ": " + std::to_string(found) + " hits");
}
BENCHMARK(BM_SearchTop50)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

// The store's read paths at scale: the metadata of 10,000 notes of 50 KB each, and the
// listing of that folder as the notes tree reads it (folders, then every note's block),
// measured against its floor: reading the folder and each note's first 4 KB, no more.
#include "BenchEnvironment.h"
#include "RatioToFloor.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

using namespace ReportUtils;

namespace {

constexpr int NoteCount = 10000;
constexpr size_t NoteSize = 50 * 1024;

// A folder of generated notes, each a block and an HTML body up to NoteSize, made once.
const std::string& NotesFolder() {
    static const std::string folder = [] {
        const std::string dir = BenchEnv::MakeTempDir("notes");
        const std::string line = "<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod.</p>\r\n";
        for (int i = 0; i < NoteCount; ++i) {
            const std::string name = "Note " + std::to_string(i);
            std::string bytes = std::string(NoteWarningLine) + "\r\n" + NoteBeginMarker + "\r\n" +
                                WideStringToURF8(GenerateNodeXML(name, "Page " + std::to_string(i), "http://example.com/" + name,
                                                                 DateTimeUtils::Now(), "Some comments on the page")) +
                                "\r\n" + NoteEndMarker + "\r\n<html><body>\r\n";
            while (bytes.size() + line.size() < NoteSize) bytes += line;
            bytes.resize(NoteSize, ' ');
            std::ofstream(dir + name + ".html", std::ios::binary) << bytes;
        }
        return dir;
    }();
    return folder;
}

TStringList NoteFiles() {
    TStringList files;
    MyAdvBuildFileList(NotesFolder() + "*.html", FileSystem::faAnyFile, files, false, false, false);
    return files;
}

void BM_NoteMetadataRead(benchmark::State& state) {
    const TStringList files = NoteFiles();
    for (auto _ : state) {
        for (const std::string& file : files) {
            TNoteInfo info;
            if (!LoadNodeFromFile(file, info)) state.SkipWithError("a note did not read");
            benchmark::DoNotOptimize(info);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(files.size()));
}
BENCHMARK(BM_NoteMetadataRead)->Unit(benchmark::kMillisecond)->MinTime(2);

// For comparison: reading every note whole as lines (no parsing), as a whole-file reader would.
void BM_WholeFileLinesBaseline(benchmark::State& state) {
    const TStringList files = NoteFiles();
    for (auto _ : state)
        for (const std::string& file : files) benchmark::DoNotOptimize(Strings::SplitLines(FileSystem::ReadFile(file)));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(files.size()));
}
BENCHMARK(BM_WholeFileLinesBaseline)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ListFolderOfNotes(benchmark::State& state) {
    const std::string dir = NotesFolder();
    for (auto _ : state) {
        const std::vector<TNoteInfo> nodes = LoadFolderNodes(dir, true);
        if (nodes.size() != NoteCount) state.SkipWithError("the listing missed notes");
        benchmark::DoNotOptimize(nodes);
    }
    state.SetItemsProcessed(state.iterations() * NoteCount);
}
BENCHMARK(BM_ListFolderOfNotes)->Unit(benchmark::kMillisecond)->MinTime(2);

// The least any listing of the folder must do: read the directory, then open each note, read
// its first 4 KB and close it.
size_t ListingFloor(const std::string& dir) {
    size_t bytes = 0;
    DIR* handle = ::opendir(dir.c_str());
    if (!handle) return 0;
    char head[4096];
    while (const dirent* entry = ::readdir(handle)) {
        if (entry->d_name[0] == '.') continue;
        const int fd = ::openat(::dirfd(handle), entry->d_name, O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        const ssize_t n = ::read(fd, head, sizeof head);
        bytes += n > 0 ? static_cast<size_t>(n) : 0;
        ::close(fd);
    }
    ::closedir(handle);
    return bytes;
}

void BM_ListFloor(benchmark::State& state) {
    const std::string dir = NotesFolder();
    for (auto _ : state) benchmark::DoNotOptimize(ListingFloor(dir));
    state.SetItemsProcessed(state.iterations() * NoteCount);
}
BENCHMARK(BM_ListFloor)->Unit(benchmark::kMillisecond)->MinTime(2);

// The listing and its floor run in turns, so both see the same machine; the counters give
// the listing's time over the floor's.
void BM_ListRatioToFloor(benchmark::State& state) {
    const std::string dir = NotesFolder();
    RatioToFloor::Run(
        state, [&] { benchmark::DoNotOptimize(ListingFloor(dir)); },
        [&] {
            const std::vector<TNoteInfo> nodes = LoadFolderNodes(dir, true);
            if (nodes.size() != NoteCount) state.SkipWithError("the listing missed notes");
        });
}
BENCHMARK(BM_ListRatioToFloor)->Unit(benchmark::kMillisecond)->MinTime(4)->UseManualTime();

}  // namespace

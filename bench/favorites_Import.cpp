// The favorites import of 5,000 shortcuts in 50 folders, each written as a note file.
#include "BenchEnvironment.h"
#include "favorites/ImportExport.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "store/UserPrompt.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fstream>

namespace {

constexpr int ShortcutCount = 5000;

class TSilentPrompt : public TUserPrompt {
public:
    TAnswer Ask(const std::string&, const std::string&, TButtons, TIcon) override { return TAnswer::OK; }
};

void MakeFavorites() {
    const std::string favorites = std::string(std::getenv("HOME")) + "/Favorites/";
    for (int i = 0; i < ShortcutCount; ++i) {
        const std::string folder = favorites + "Folder " + std::to_string(i % 50) + "/";
        FileSystem::ForceDirectories(folder);
        std::ofstream(folder + "Site " + std::to_string(i) + ".url")
            << "[DEFAULT]\r\nBASEURL=http://site" << i << ".example/\r\n[InternetShortcut]\r\nURL=http://site" << i
            << ".example/page?id=" << i << "\r\nIconIndex=0\r\n";
    }
}

void BM_ImportFavorites(benchmark::State& state) {
    static const bool made = (MakeFavorites(), true);
    benchmark::DoNotOptimize(made);
    TSilentPrompt prompt;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string store = BenchEnv::MakeTempDir("store");
        state.ResumeTiming();
        std::string imported;
        ImportExport::ImportFavouritesToNotes(CodePage::AnsiToWide(store), imported, prompt);
        if (imported.empty()) state.SkipWithError("nothing was imported");
    }
    state.SetItemsProcessed(state.iterations() * ShortcutCount);
}
BENCHMARK(BM_ImportFavorites)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

// The notes tree on large stores, offscreen: rebuilding the tree of a store with 1,000
// top-level folders, and the first expansion of a folder holding 10,000 notes.
#include "BenchEnvironment.h"
#include "pane/frmMain.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "store/ReportUtils.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_pane";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Never destroyed: at exit Qt's own statics made after it are gone before it would be.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// The bytes of one note file with its info block.
std::string NoteBytes(const std::string& dir) {
    const std::string file = dir + "sample.tmp";
    FileSystem::WriteFileAtomic(file, "<html><body><p>Some captured text.</p></body></html>\r\n");
    ReportUtils::SaveNodeToXML(file, "sample", "A page", "https://example.org/page", DateTimeUtils::Now(), "a comment");
    const std::string bytes = FileSystem::ReadFile(file);
    FileSystem::RemoveTree(file);
    return bytes;
}

void UseStore(const std::string& store) {
    Options = std::make_unique<TOptions>();
    Options->FolderToStore = store;
    Options->AppPath = BenchEnv::MakeTempDir("app");
    Options->DefFolder.clear();
}

// Lets the shown tree lay itself out, as it would before the user sees it.
void Settle(TfrmMain& pane) {
    pane.treeNotes()->doItemsLayout();
    QCoreApplication::processEvents();
}

void BM_LoadTree_1000TopLevelFolders(benchmark::State& state) {
    App();
    const std::string store = BenchEnv::MakeTempDir("store1000");
    const std::string note = NoteBytes(store);
    for (int i = 0; i < 1000; ++i) {
        const std::string dir = store + "Folder " + std::to_string(i) + "/";
        FileSystem::ForceDirectories(dir);
        for (int n = 0; n < 3; ++n) FileSystem::WriteFileAtomic(dir + "note" + std::to_string(n) + ".html", note);
    }
    UseStore(store);
    TfrmMain pane;
    pane.resize(300, 800);
    pane.show();
    for (auto _ : state) {
        pane.LoadTree(false);
        Settle(pane);
    }
    state.counters["folders"] = static_cast<double>(pane.Model()->rowCount());
    // Folders whose has-children mark was worked out: those the view has shown.
    int initialized = 0;
    for (const auto& node : pane.Model()->Root()->Children) initialized += node->Initialized ? 1 : 0;
    state.counters["initialized"] = initialized;
}
BENCHMARK(BM_LoadTree_1000TopLevelFolders)->Unit(benchmark::kMillisecond);

void BM_ExpandFolder_10000Notes(benchmark::State& state) {
    App();
    const std::string store = BenchEnv::MakeTempDir("store10000");
    const std::string note = NoteBytes(store);
    const std::string dir = store + "Big/";
    FileSystem::ForceDirectories(dir);
    for (int n = 0; n < 10000; ++n) FileSystem::WriteFileAtomic(dir + "note " + std::to_string(n) + ".html", note);
    UseStore(store);
    TfrmMain pane;
    pane.resize(300, 800);
    pane.show();
    for (auto _ : state) {
        state.PauseTiming();
        pane.LoadTree(false);
        Settle(pane);
        TNode* big = pane.Model()->Root()->Children.front().get();
        state.ResumeTiming();
        pane.ExpandNode(big);
        Settle(pane);
    }
    state.counters["notes"] = static_cast<double>(pane.Model()->Root()->Children.front()->Children.size());
}
BENCHMARK(BM_ExpandFolder_10000Notes)->Unit(benchmark::kMillisecond);

}  // namespace

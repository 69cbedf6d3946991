// The notes tree on large stores, offscreen: rebuilding the tree of a store with 1,000
// top-level folders, the first expansion of a folder holding 10,000 notes, and moving,
// renaming and deleting such a folder with the tree brought up to date. None of the last
// three reads a note: a move or rename is one file-system step, a deletion works from the
// folder's listing.
#include "BenchEnvironment.h"
#include "pane/frmMain.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "store/NoteFile.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <unistd.h>

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

// Writes the folder dir with 10,000 notes.
void MakeBigFolder(const std::string& dir, const std::string& note) {
    FileSystem::ForceDirectories(dir);
    for (int n = 0; n < 10000; ++n) FileSystem::WriteFileAtomic(dir + "note " + std::to_string(n) + ".html", note);
    ::sync();  // the writes' own disk traffic is not the operation's
}

// A pane on a store with the top-level folders "Box A" and "Box B", the first holding Big
// with 10,000 notes, shown with Big expanded (its notes read before any timing).
struct TBigStore {
    explicit TBigStore(const char* name) {
        App();
        const std::string store = BenchEnv::MakeTempDir(name);
        Note = NoteBytes(store);
        FileSystem::ForceDirectories(store + "Box B");
        MakeBigFolder(store + "Box A/Big/", Note);
        UseStore(store);
        Options->DefFolder = "Box A/Big";
        Options->ConfirmDelFolder = false;
        Pane = std::make_unique<TfrmMain>();
        Pane->resize(300, 800);
        Pane->show();
        Pane->ExpandNode(Big());
        Settle(*Pane);
    }
    TNode* Big() { return Pane->FocusedNode(); }
    std::string Note;
    std::unique_ptr<TfrmMain> Pane;
};

void BM_MoveFolder_10000Notes(benchmark::State& state) {
    TBigStore store("moveBig");
    TNotesTreeModel* model = store.Pane->Model();
    for (auto _ : state) {
        TNode* big = store.Big();
        TNode* otherBox = big->Parent->Index == 0 ? model->Root()->Children[1].get() : model->Root()->Children[0].get();
        std::unique_ptr<QMimeData> data(model->mimeData({model->IndexOf(big)}));
        if (!model->dropMimeData(data.get(), Qt::MoveAction, -1, 0, model->IndexOf(otherBox)))
            state.SkipWithError("the folder did not move");
        Settle(*store.Pane);
    }
    state.counters["notes"] = static_cast<double>(store.Big()->Children.size());
}
BENCHMARK(BM_MoveFolder_10000Notes)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_RenameFolder_10000Notes(benchmark::State& state) {
    TBigStore store("renameBig");
    TNotesTreeModel* model = store.Pane->Model();
    for (auto _ : state) {
        TNode* big = store.Big();
        const QString name = big->Data->Name == "Big" ? "Large" : "Big";
        model->setData(model->IndexOf(big), name, Qt::EditRole);
        if (big->Data->Name != name) state.SkipWithError("the folder was not renamed");
        Settle(*store.Pane);
    }
    state.counters["notes"] = static_cast<double>(store.Big()->Children.size());
}
BENCHMARK(BM_RenameFolder_10000Notes)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_DeleteFolder_10000Notes(benchmark::State& state) {
    TBigStore store("deleteBig");
    const std::string dir = Options->FolderToStore + "Box A/Big/";
    for (auto _ : state) {
        state.PauseTiming();
        if (!FileSystem::DirectoryExists(dir)) {
            MakeBigFolder(dir, store.Note);
            Options->DefFolder = "Box A/Big";  // the last deletion selected another folder
            store.Pane->LoadTree(true);
            Settle(*store.Pane);
        }
        state.ResumeTiming();
        store.Pane->actDeleteExecute();
        Settle(*store.Pane);
        if (FileSystem::DirectoryExists(dir)) state.SkipWithError("the folder was not deleted");
    }
}
BENCHMARK(BM_DeleteFolder_10000Notes)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

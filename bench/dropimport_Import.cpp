// quillbox-cli import, as the command runs it: 1,000 e-mail messages of about 50 KB with an
// HTML body each, and 1,000 HTML pages with two local pictures each, imported into a fresh
// store folder per round, with the one flush at the end. Reports notes per second.
#include "BenchEnvironment.h"
#include "dropimport/FileImport.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int FileCount = 1000;

std::string Message(int i) {
    std::string html = "<html><body>\r\n";
    for (int p = 0; html.size() < 50 * 1024; ++p)
        html += "<p>Paragraph " + std::to_string(p) + " of message " + std::to_string(i) +
                " with <b>bold</b> text and a <a href=\"https://example.com/" + std::to_string(p) + "\">link</a>.</p>\r\n";
    return "From: \"Anna Berg\" <anna@example.org>\r\nTo: bob@example.net, carl@example.net\r\nSubject: Message " +
           std::to_string(i) + "\r\nDate: Tue, 6 Mar 2001 10:20:30 +0200\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/html; charset=\"utf-8\"\r\n\r\n" + html + "</body></html>\r\n";
}

std::string Page(int i) {
    std::string body;
    for (int p = 0; p < 40; ++p) body += "<p>Text of page " + std::to_string(i) + ", paragraph " + std::to_string(p) + ".</p>\n";
    return "<html><head><title>Page " + std::to_string(i) + "</title></head><body>\n" + body +
           "<img src=\"pics/one.png\"><img src=\"pics/two.png\">\n</body></html>\n";
}

const std::string Png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(4000, 'x');

std::vector<std::string> WriteInputs(bool messages) {
    const std::string dir = BenchEnv::MakeTempDir(messages ? "eml" : "html");
    FileSystem::SetSyncEachWrite(false);
    if (!messages) {
        FileSystem::ForceDirectories(dir + "pics");
        FileSystem::WriteFileAtomic(dir + "pics/one.png", Png);
        FileSystem::WriteFileAtomic(dir + "pics/two.png", Png);
    }
    std::vector<std::string> files;
    for (int i = 0; i < FileCount; ++i) {
        files.push_back(dir + (messages ? "m" : "p") + std::to_string(i) + (messages ? ".eml" : ".html"));
        FileSystem::WriteFileAtomic(files.back(), messages ? Message(i) : Page(i));
    }
    FileSystem::SyncAll();
    return files;
}

void Import(benchmark::State& state, bool messages) {
    const std::vector<std::string> files = WriteInputs(messages);
    Options = std::make_unique<TOptions>();
    Options->FolderToStore = BenchEnv::MakeTempDir("store");
    int round = 0;
    for (auto _ : state) {
        const std::string folder = "Round" + std::to_string(round++);
        FileSystem::SetSyncEachWrite(false);
        for (const std::string& file : files) {
            const FileImport::TImportResult result = FileImport::ImportFile(file, folder);
            if (result.Status != FileImport::TImportStatus::Imported) state.SkipWithError("a file made no note");
        }
        FileSystem::SyncAll();
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
    state.counters["notes/s"] = benchmark::Counter(static_cast<double>(state.iterations() * FileCount), benchmark::Counter::kIsRate);
}

void BM_ImportMessages(benchmark::State& state) { Import(state, true); }
void BM_ImportPagesWithPictures(benchmark::State& state) { Import(state, false); }

}  // namespace

BENCHMARK(BM_ImportMessages)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportPagesWithPictures)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Hostile HTML: pages of nothing but nested elements, from 25 KB to 10 MB, through the two
// places a page is parsed: the capture's picture-reference rewrite and the report loader.
// Each case reports the process's peak resident memory so far (peak_rss_MB); run one case per
// process for its own figure:
//   build/bench/bench_reports --benchmark_filter='BM_Hostile.*/2097152$'
#include "BenchEnvironment.h"
#include "platform/FileSystem.h"
#include "reports/GumboDocumentLoader.h"
#include "store/NoteImages.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/resource.h>
#include <thread>

namespace {

// A page of the given size: a picture at the top, then <div>s opened and never closed, with
// another picture at the bottom.
std::string NestedDivs(size_t bytes) {
    std::string html = "<html><body><p><img src=\"http://example.com/top.png\"></p>";
    const std::string tail = "deep<img src=\"http://example.com/deep.png\"></body></html>";
    while (html.size() + tail.size() + 5 <= bytes) html += "<div>";
    return html + tail;
}

void ReportPeakRss(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The capture's rewrite: the pictures found and pointed elsewhere (none is fetched).
void BM_HostileCaptureRewrite(benchmark::State& state) {
    const std::string html = NestedDivs(static_cast<size_t>(state.range(0)));
    const std::string folder = BenchEnv::MakeTempDir("capture");
    for (auto _ : state) {
        TNoteImageSaver saver(folder + "Note.files/", "Note.files", "http://example.com/", nullptr);
        benchmark::DoNotOptimize(saver.Process(html).size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(html.size()));
    ReportPeakRss(state);
}

// The report loader reading the page as a note file.
void LoadAsNote(benchmark::State& state, const std::string& html) {
    const std::string file = BenchEnv::MakeTempDir("report") + "Note.html";
    FileSystem::WriteFileAtomic(file, html);
    for (auto _ : state) {
        const auto document = GumboDocumentLoader::Create()->Load(file, {});
        benchmark::DoNotOptimize(document ? document->ChildCount() : 0);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(html.size()));
    ReportPeakRss(state);
}

void BM_HostileReportLoad(benchmark::State& state) { LoadAsNote(state, NestedDivs(static_cast<size_t>(state.range(0)))); }

// Other 10 MB pages that cost the parser most: markup as dense as it gets, nesting just
// inside the limit opened and closed again, text deep inside a formatting element, and tags
// full of attributes.
std::string WorstCase(int kind) {
    constexpr size_t Bytes = 10 << 20;
    std::string unit;
    switch (kind) {
        case 0: unit = "a<br>"; break;
        case 1: unit = "<b></b>"; break;
        case 2:
            for (int i = 0; i < 500; ++i) unit += "<div>";
            for (int i = 0; i < 500; ++i) unit += "</div>";
            break;
        case 3: unit = "x"; break;
        default:
            unit = "<p";
            for (int i = 0; i < 200; ++i) unit += " a" + std::to_string(i) + "=1";
            unit += ">";
    }
    std::string html;
    if (kind == 3) {
        for (int i = 0; i < 500; ++i) html += "<div>";
        html += "<b>";
    }
    while (html.size() + unit.size() <= Bytes) html += unit;
    return html;
}

void BM_HostileWorstCaseLoad(benchmark::State& state) { LoadAsNote(state, WorstCase(static_cast<int>(state.range(0)))); }

// A loader let go while its workers read large hostile notes ahead: the time until its
// workers have stopped and it is gone.
void BM_HostileLoaderLetGo(benchmark::State& state) {
    const std::string folder = BenchEnv::MakeTempDir("letgo");
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i) {
        files.push_back(folder + "n" + std::to_string(i) + ".html");
        FileSystem::WriteFileAtomic(files.back(), i % 2 ? WorstCase(2) : NestedDivs(10 << 20));
    }
    for (auto _ : state) {
        auto loader = GumboDocumentLoader::Create();
        loader->Prefetch(files);
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the workers are parsing
        state.ResumeTiming();
        loader.reset();
    }
    ReportPeakRss(state);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (const int64_t size : {25 << 10, 100 << 10, 500 << 10, 2 << 20, 10 << 20}) b->Arg(size);
}

}  // namespace

BENCHMARK(BM_HostileCaptureRewrite)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HostileReportLoad)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
// 0: "a<br>", 1: "<b></b>", 2: 500 levels opened and closed, 3: text in <b> 500 levels deep,
// 4: tags of 200 attributes.
BENCHMARK(BM_HostileWorstCaseLoad)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HostileLoaderLetGo)->Unit(benchmark::kMillisecond)->UseRealTime();

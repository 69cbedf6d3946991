// Reports over a folder of 1,000 notes of about 50 KB each, clipped from article-like pages:
// the whole run (note info blocks read, every note parsed once, the report written), the
// generator alone, and parsing one note in memory. The whole run is also measured against its
// floor: one thread reading and parsing each note once, nothing else.
#include "BenchEnvironment.h"
#include "RatioToFloor.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "reports/GumboDocumentLoader.h"
#include "reports/RepGenerator.h"
#include "reports/ReportRun.h"
#include "settings/Options.h"
#include "store/NoteFile.h"

#include <benchmark/benchmark.h>
#include <gumbo.h>
#include <random>

namespace {

constexpr int NoteCount = 1000;
constexpr size_t NoteBytes = 50 * 1024;

const char* const Words[] = {"the", "report", "garden", "Stra\xC3\x9F" "e", "caf\xC3\xA9", "river", "design", "of",
                             "and", "library", "market", "history", "north", "winter", "bridge", "a", "in", "museum",
                             "painting", "letters", "season", "festival", "&amp;", "harbour", "&nbsp;", "to"};

std::string Sentence(std::mt19937& rng, int words) {
    std::string s;
    for (int i = 0; i < words; ++i) {
        if (i) s += ' ';
        const std::string word = Words[rng() % std::size(Words)];
        switch (rng() % 14) {
            case 0: s += "<b>" + word + "</b>"; break;
            case 1: s += "<em>" + word + "</em>"; break;
            case 2: s += "<a href=\"https://www.example" + std::to_string(rng() % 40) + ".org/" + word + "?id=" +
                         std::to_string(rng() % 1000) + "&amp;ref=clip\" title=\"" + word + "\">" + word + "</a>"; break;
            default: s += word;
        }
    }
    return s + ".";
}

// A clipped article: headings, paragraphs with links and emphasis, lists, a table, images in
// the companion folder, quotes and code, until it reaches the size.
std::string Article(int seed, const std::string& name) {
    std::mt19937 rng(seed);
    std::string html = "<html><head><meta charset=\"utf-8\"><title>" + name + "</title>"
                       "<style>p{margin:0 0 1em}</style></head>\r\n<body>\r\n<h1>" + Sentence(rng, 6) + "</h1>\r\n";
    for (int block = 0; html.size() < NoteBytes; ++block) {
        switch (block % 9) {
            case 2:
                html += "<ul>";
                for (int i = 0; i < 5; ++i) html += "<li>" + Sentence(rng, 8) + "</li>";
                html += "</ul>\r\n";
                break;
            case 4:
                html += "<table class=\"data\"><tr><th>Year</th><th>Place</th><th>Note</th></tr>";
                for (int i = 0; i < 4; ++i)
                    html += "<tr><td>" + std::to_string(1900 + rng() % 120) + "</td><td>" + Sentence(rng, 2) + "</td><td>" +
                            Sentence(rng, 5) + "</td></tr>";
                html += "</table>\r\n";
                break;
            case 5:
                html += "<p><img src=\"" + name + ".files/image" + std::to_string(block) + ".jpg\" width=\"480\" height=\"320\" alt=\"" +
                        Sentence(rng, 3) + "\"></p>\r\n";
                break;
            case 7:
                html += "<blockquote><p>" + Sentence(rng, 25) + "</p></blockquote>\r\n<pre><code>if (a &lt; b) { return a &amp;&amp; b; }</code></pre>\r\n";
                break;
            default:
                html += "<div class=\"para\"><p>" + Sentence(rng, 30) + " " + Sentence(rng, 25) + "<br>" + Sentence(rng, 20) + "</p></div>\r\n";
        }
    }
    return html + "</body></html>\r\n";
}

struct TStore {
    std::string Folder;
    std::vector<std::string> Files;
    int64_t Bytes = 0;
};

const TStore& Store() {
    static const TStore store = [] {
        TStore s;
        Options = std::make_unique<TOptions>();
        Options->FolderToStore = BenchEnv::MakeTempDir("store");
        Folders::InstallShippedFiles();
        Options->AppPath = Folders::ProgramDataFolder();
        s.Folder = Options->FolderToStore + "Clippings/";
        for (int i = 0; i < NoteCount; ++i) {
            const std::string name = "Clip " + std::to_string(i);
            const std::string file = s.Folder + name + ".html";
            FileSystem::ForceDirectories(s.Folder + name + ".files");
            FileSystem::WriteFileAtomic(file, Article(i, name));
            ReportUtils::SaveNodeToXML(file, name, "Page " + std::to_string(i),
                                       "https://www.site" + std::to_string(i % 50) + ".com/articles/" + std::to_string(i),
                                       45000.5 + i, "Clipped for the benchmark");
            FileSystem::TSearchRec rec;
            FileSystem::GetSearchRec(file, rec);
            s.Bytes += rec.Size;
            s.Files.push_back(file);
        }
        return s;
    }();
    return store;
}

void Count(benchmark::State& state, int notes, int64_t bytes) {
    state.SetItemsProcessed(state.iterations() * notes);  // shown as notes/s
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_MakeReport(benchmark::State& state) {
    const TStore& store = Store();
    for (auto _ : state) {
        std::string reportFile;
        ReportRun::MakeReport(u"Clippings", u"Clippings", false, reportFile);
        if (reportFile.empty()) state.SkipWithError("no report");
    }
    Count(state, NoteCount, store.Bytes);
}

// The generator fed note by note without read-ahead: one parse at a time.
void BM_GeneratorSequential(benchmark::State& state) {
    const TStore& store = Store();
    const std::string templateFile = Options->AppPath + "Templates/Simple.html";
    for (auto _ : state) {
        TRepGenerator generator;
        generator.Initialize(templateFile, "Clippings", "", "", "", "", "", "d", "t");
        for (const std::string& file : store.Files)
            generator.AddNote(file, "Title", "", "https://www.example.com/a", "comments", "d", "t");
        TRepGenerator::TStringList lines;
        generator.FinalizeToStrings(lines);
        benchmark::DoNotOptimize(lines.data());
    }
    Count(state, NoteCount, store.Bytes);
}

void BM_ParseOneNote(benchmark::State& state) {
    const std::string html = Article(7, "Clip 7");
    for (auto _ : state) {
        const auto document = GumboDocumentLoader::ParseHTMLDocument(html, "file:///n.html");
        size_t size = 0;
        for (size_t i = 0; i < document->ChildCount(); ++i) size += document->ChildOuterHTML(i).size();
        benchmark::DoNotOptimize(size);
    }
    Count(state, 1, static_cast<int64_t>(html.size()));
}

// The floor of a report run: each note read and parsed by gumbo once, on one thread, with
// the parser settings the loader uses (no parse errors recorded), the tree freed.
void ParseEveryNoteOnce(const TStore& store) {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    for (const std::string& file : store.Files) {
        const std::string html = FileSystem::ReadFile(file);
        GumboOutput* output = gumbo_parse_with_options(&options, html.data(), html.size());
        benchmark::DoNotOptimize(output->root);
        gumbo_destroy_output(&options, output);
    }
}

void BM_ReportFloor(benchmark::State& state) {
    const TStore& store = Store();
    for (auto _ : state) ParseEveryNoteOnce(store);
    Count(state, NoteCount, store.Bytes);
}

// The run and its floor in turns; wall_ratio is the run's wall-clock time over the floor's.
void BM_ReportRatioToFloor(benchmark::State& state) {
    const TStore& store = Store();
    RatioToFloor::Run(
        state, [&] { ParseEveryNoteOnce(store); },
        [&] {
            std::string reportFile;
            ReportRun::MakeReport(u"Clippings", u"Clippings", false, reportFile);
            if (reportFile.empty()) state.SkipWithError("no report");
        });
    Count(state, NoteCount, store.Bytes);
}

}  // namespace

// The notes are parsed on worker threads: wall-clock time is what the user waits.
BENCHMARK(BM_MakeReport)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_GeneratorSequential)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_ParseOneNote)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReportFloor)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_ReportRatioToFloor)->Unit(benchmark::kMillisecond)->MinTime(6)->UseManualTime();

// The connector's native host through the binary: one clip of a 1 MB page with ten pictures
// (100 KB each, in base64), from the frame on the host's standard input to the note and its
// pictures on disk; the time includes starting quillbox-cli, as a browser starts it per clip.
#include "BenchEnvironment.h"
#include "dropimport/MailCodecs.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/Options.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ClipFrame(int round) {
    std::string html;
    for (int p = 0; html.size() < 1024 * 1024; ++p)
        html += "<p>Paragraph " + std::to_string(p) + " with <b>bold</b> text and a <a href=\"/l/" + std::to_string(p) + "\">link</a>.</p>\n";
    nlohmann::json pictures = nlohmann::json::array();
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(100 * 1024, 'x');
    for (int i = 0; i < 10; ++i) {
        html += "<img src=\"https://pics.example.org/p" + std::to_string(i) + ".png\">";
        pictures.push_back({{"url", "https://pics.example.org/p" + std::to_string(i) + ".png"},
                            {"data", MailCodecs::EncodeBase64(png)}});
    }
    // EncodeBase64 breaks lines for mail; the host takes one line.
    for (auto& p : pictures) {
        std::string data = p["data"];
        std::erase_if(data, [](char c) { return c == '\r' || c == '\n'; });
        p["data"] = data;
    }
    const nlohmann::json clip = {{"type", "clip"}, {"kind", "page"}, {"url", "https://site" + std::to_string(round) + ".example.org/"},
                                 {"pageTitle", "Page"}, {"html", html}, {"folder", "Web"}, {"pictures", pictures}};
    const std::string body = clip.dump();
    const std::uint32_t length = static_cast<std::uint32_t>(body.size());
    std::string frame(4, '\0');
    std::memcpy(frame.data(), &length, 4);
    return frame + body;
}

void RunHost(const std::string& input) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(input.c_str(), O_RDONLY), 0);
        ::dup2(::open("/dev/null", O_WRONLY), 1);
        ::execl(QB_CLI_PATH, QB_CLI_PATH, "native-host", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
}

void BM_NativeHostClip(benchmark::State& state) {
    const std::string store = BenchEnv::MakeTempDir("store");
    FileSystem::ForceDirectories(store + "Web");
    TRegistry reg;
    reg.OpenKey(TOptions::RegistryKey, true);
    reg.WriteString("FolderToStore", store);
    reg.WriteBool("ConfirmAddNote", false);
    reg.CloseKey();
    const std::string input = BenchEnv::Root() + "clip.frame";
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FileSystem::WriteFileAtomic(input, ClipFrame(round++));
        state.ResumeTiming();
        RunHost(input);
    }
    if (!FileSystem::FileExists(store + "Web/Page.files/p9.png")) state.SkipWithError("the note's pictures were not written");
}
BENCHMARK(BM_NativeHostClip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace

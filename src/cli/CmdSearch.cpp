// quillbox-cli search: the notes holding some words, best first, from the store's search
// index (brought up to date first), and the index made again from scratch.
#include "cli/Commands.h"

#include "platform/CodePage.h"
#include "search/SearchIndex.h"
#include "settings/Options.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int DefaultLimit = 50;

std::string Utf8ToAnsi(const std::string& text) {
    return CodePage::IsUtf8() ? text : CodePage::WideToAnsi(CodePage::Utf8ToUtf16(text));
}

bool ParseLimit(const std::string& text, int& limit) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 1 || value > 100000) return false;
    limit = static_cast<int>(value);
    return true;
}

}  // namespace

int CmdSearch(const TArgs& args) {
    TSearchIndex index(TSearchIndex::DefaultIndexFile(), Options->FolderToStore);
    if (args.size() == 1 && args[0] == "--rebuild") {
        if (!index.Rebuild()) {
            std::fputs("quillbox-cli search: the index could not be made\n", stderr);
            return 1;
        }
        std::printf("%d\n", index.NoteCount());
        return 0;
    }
    int limit = DefaultLimit;
    std::string query;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--limit") {
            if (i + 1 >= args.size() || !ParseLimit(args[i + 1], limit)) return Usage();
            ++i;
        } else {
            query += (query.empty() ? "" : " ") + args[i];
        }
    }
    if (query.empty()) return Usage();
    const std::vector<TSearchHit> hits = index.Search(CodePage::IsUtf8() ? query : CodePage::Utf16ToUtf8(CodePage::AnsiToWide(query)), limit);
    for (const TSearchHit& hit : hits) {
        const std::string line = "N\t" + Field(hit.NodePath) + "\t" + Field(Utf8ToAnsi(hit.Title)) + "\t" +
                                 Field(Utf8ToAnsi(hit.Passage)) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return hits.empty() ? 1 : 0;
}

// quillbox-cli report: the report of one folder of the store, made as the notes pane makes it
// (the settings' template, "tmprep.html" in the temporary folder), without a window.
#include "cli/Commands.h"

#include "platform/CodePage.h"
#include "reports/ReportRun.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace {

// A folder's node path as the report takes it: names joined by "/", a trailing "/" allowed.
// No empty name, "." or "..", so the run never reads (or writes info blocks into) files
// outside the store.
bool StoreFolderPath(std::string text, std::string& folderPath) {
    if (!text.empty() && text.back() == '/') text.pop_back();
    for (size_t from = 0; from <= text.size();) {
        const size_t slash = std::min(text.find('/', from), text.size());
        const std::string_view name = std::string_view(text).substr(from, slash - from);
        if (name.empty() || name == "." || name == "..") return false;
        from = slash + 1;
    }
    folderPath = text;
    return true;
}

}  // namespace

int CmdReport(const TArgs& args) {
    if (args.size() != 1) return Usage();
    std::string folderPath;
    if (!StoreFolderPath(args[0], folderPath)) {
        std::fprintf(stderr, "quillbox-cli report: \"%s\" is not a node path (folder names joined by \"/\")\n", args[0].c_str());
        return 2;
    }
    std::string reportFile;
    const std::u16string path = CodePage::AnsiToWide(folderPath);
    ReportRun::MakeReport(path, path, false, reportFile);
    if (reportFile.empty()) return 1;
    std::printf("%s\n", reportFile.c_str());
    return 0;
}

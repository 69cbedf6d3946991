// quillbox-cli report: the report of one folder of the store, made as the notes pane makes it
// (the settings' template, "tmprep.html" in the temporary folder), without a window.
#include "cli/Commands.h"

#include "platform/CodePage.h"
#include "reports/ReportRun.h"

#include <cstdio>
#include <filesystem>

namespace {

// A folder's node path as the report takes it: names joined by "/", read without touching the
// disk. It must name a folder below the store root, never the root itself or anything above
// it, so the run never reads (or writes info blocks into) files outside the store.
bool StoreFolderPath(const std::string& text, std::string& folderPath) {
    const std::filesystem::path path = std::filesystem::path(text).lexically_normal();
    if (path.empty() || path.is_absolute() || path == "." || *path.begin() == "..") return false;
    folderPath = path.generic_string();
    if (folderPath.back() == '/') folderPath.pop_back();
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

// quillbox-cli report: the report of one folder of the store, made as the notes pane makes it
// (the settings' template, "tmprep.html" in the temporary folder), without a window.
#include "cli/Commands.h"

#include "platform/CodePage.h"
#include "reports/ReportRun.h"
#include "store/StoreOperations.h"

#include <cstdio>

int CmdReport(const TArgs& args) {
    if (args.size() != 1) return Usage();
    // The run refuses a path leading out of the store too; asking first tells a bad argument
    // (exit 2) from a folder without a report.
    const std::string folderPath = NodePathArg(args[0]);
    if (!StoreOperations::IsValidNodePath(folderPath, StoreOperations::TNames::Shown)) {
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

#pragma once
// The report run: one folder of the notes store becomes one report file in the temporary
// folder ("tmprep.html"), through a TRepGenerator and the template the settings name. This
// is the notes pane's operation MakeReport, kept below the user interface: the pane hands in
// its progress window and, for an opened report, its browser.
#include "reports/ReportProgress.h"

#include <memory>
#include <string>

// The browser a finished report is shown in.
class TReportBrowser {
public:
    virtual ~TReportBrowser() = default;
    // Navigates to the file: in a new browser window, or in place of the current page.
    virtual void Navigate(const std::string& fileName, bool newWindow) = 0;
};

namespace ReportRun {

// Makes the report of the folder whose node path (relative to the store root, names joined
// by "/") is folderPath. The folder's own name on disk is the report's title, so folderTitle
// is only the caller's idea of it. reportFile receives the report's full file name, or ""
// when no report was made (folderPath is not a valid node path, the store root's empty one
// too; the folder or the template is missing; the user cancelled; something failed). The run shows and frees the progress window (none: nothing is shown
// and nobody cancels). With open, a made report is shown in the browser (navigating to a new
// window unless the setting ShowSnippetInBrowserWindow is on), or without one with the
// desktop's handler.
void MakeReport(const std::u16string& folderTitle, const std::u16string& folderPath, bool open, std::string& reportFile,
                std::unique_ptr<TReportProgress> progress = nullptr, TReportBrowser* browser = nullptr);

// The file name a report is written to: the temporary folder + "/tmprep.html".
std::string ReportFileName();

}  // namespace ReportRun

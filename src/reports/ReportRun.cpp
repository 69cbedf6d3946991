#include "reports/ReportRun.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Strings.h"
#include "reports/RepGenerator.h"
#include "settings/Options.h"
#include "settings/Trap.h"
#include "store/ReportUtils.h"

#include <algorithm>
#include <chrono>

namespace ReportRun {

namespace {

using TClock = std::chrono::steady_clock;

// While a note is being read the progress window is asked at most this often: asking lets
// the application handle its events, which costs more than reading a small element.
constexpr auto ReadingPollInterval = std::chrono::milliseconds(20);
// How many notes, from the next one on, the loader is offered to read ahead.
constexpr size_t ReadAheadNotes = 4;

class TReportRun {
public:
    explicit TReportRun(TReportProgress* progress) : FProgress(progress) {}

    // The report file, or "" when none was made.
    std::string Make(const std::string& folderPath) {
        if (!Options) return {};  // no settings, no store
        if (FProgress) FProgress->Show("Generating report...", "Generating report... \nPlease, wait....");
        TRepGenerator generator;
        generator.TocPosition = TRepGenerator::PositionBeforeNotes;
        generator.RefListPosition = TRepGenerator::PositionAfterNotes;
        generator.TocEnabled = true;
        generator.RefListEnabled = true;
        // Cancel reaches into the note being read, not only the gaps between notes.
        generator.OnQueryAbort = [this] { return CancelledWhileReading(); };

        const std::string folder = Options->FolderToStore + folderPath + "/";
        if (!Prepare(generator, folder) || !AddNotes(generator, folder)) return {};
        ReportUtils::TStringList lines;
        if (!generator.FinalizeToStrings(lines)) return {};
        const std::string reportFile = WriteReport(Strings::JoinLines(lines));
        StepIt();
        if (FProgress) FProgress->Finish();
        return reportFile;
    }

private:
    // Reads the folder (its name is the title, its last-write time the date) and the template.
    bool Prepare(TRepGenerator& generator, const std::string& folder) {
        ReportUtils::TNoteInfo folderInfo;
        if (!ReportUtils::LoadNodeFromFile(folder, folderInfo) || !folderInfo.IsFolder || Checkpoint()) return false;
        return generator.Initialize(TemplateFile(), folderInfo.Name, "", "", "", "", "",
                                    DateTimeUtils::FormatShortDate(folderInfo.Created),
                                    DateTimeUtils::FormatLongTime(folderInfo.Created)) &&
               !Checkpoint();
    }

    // Adds the folder's own notes in directory order; false when the user cancelled.
    bool AddNotes(TRepGenerator& generator, const std::string& folder) {
        ReportUtils::TStringList files;
        ReportUtils::MyAdvBuildFileList(folder + "*.html", FileSystem::faAnyFile, files, false, false, false);
        SetMax(static_cast<int>(files.size()) + 1);
        if (Checkpoint()) return false;
        for (size_t i = 0; i < files.size(); ++i) {
            // This note and the next ones are parsed side by side.
            generator.ReadAhead({files.begin() + i, files.begin() + std::min(files.size(), i + ReadAheadNotes)});
            // A note that cannot be read or added is left out; the notes after it are still
            // reported. (Reading a note without an info block writes one into it.)
            ReportUtils::TNoteInfo note;
            if (ReportUtils::LoadNodeFromFile(files[i], note)) {
                generator.AddNote(files[i], note.Name, CodePage::WideToAnsi(note.OriginalTitle),
                                  CodePage::WideToAnsi(note.OriginalURL), CodePage::WideToAnsi(note.Comments),
                                  DateTimeUtils::FormatShortDate(note.Created), DateTimeUtils::FormatLongTime(note.Created));
            }
            if (Checkpoint()) return false;
            StepIt();
        }
        return true;
    }

    // The window gets its events handled and is asked whether the user cancelled.
    bool Checkpoint() {
        FLastAsked = TClock::now();
        if (!FCancelled && FProgress) FCancelled = FProgress->Cancelled();
        return FCancelled;
    }

    bool CancelledWhileReading() {
        if (FCancelled || TClock::now() - FLastAsked < ReadingPollInterval) return FCancelled;
        return Checkpoint();
    }

    void SetMax(int max) {
        if (FProgress) FProgress->SetMax(max);
    }
    void StepIt() {
        if (FProgress) FProgress->StepIt();
    }

    // The template the settings name, else the shipped Simple.html.
    static std::string TemplateFile() {
        const std::string folder = Options->AppPath + "Templates/";
        const std::string named = folder + Options->SimpleReportDefTemplate + ".html";
        return FileSystem::FileExists(named) ? named : folder + "Simple.html";
    }

    // Written atomically: a report open in the browser is replaced whole, never seen
    // half-written. When tmprep.html cannot be replaced, the first free tmprepN.html is used.
    // Both live in the user's private folder; without one the report fails.
    static std::string WriteReport(const std::string& bytes) {
        const std::string folder = Folders::PrivateTempFolder();
        std::string file = folder + "/tmprep.html";
        try {
            FileSystem::WriteFileAtomic(file, bytes);
        } catch (const EInOutError&) {
            file = ReportUtils::FindUnusedFileName(folder + "/tmprep", "html", "");
            FileSystem::WriteFileAtomic(file, bytes);
        }
        return file;
    }

    TReportProgress* FProgress;
    bool FCancelled = false;
    TClock::time_point FLastAsked = TClock::now();
};

void ShowReport(const std::string& reportFile, TReportBrowser* browser) {
    if (!browser) {
        ReportUtils::FireURL(reportFile);
        return;
    }
    browser->Navigate(reportFile, !Options->ShowSnippetInBrowserWindow);
}

}  // namespace

void MakeReport(const std::u16string& folderTitle, const std::u16string& folderPath, bool open, std::string& reportFile,
                std::unique_ptr<TReportProgress> progress, TReportBrowser* browser) {
    reportFile.clear();
    const bool ok = TrapVoid("TfrmMain.MakeReport", [&] {
        std::string made = TReportRun(progress.get()).Make(CodePage::WideToAnsi(folderPath));
        progress.reset();  // the window goes before the report is shown
        if (!made.empty() && open) ShowReport(made, browser);
        reportFile = std::move(made);
    });
    if (!ok) reportFile.clear();
}

std::string ReportFileName() { return ReportUtils::GetWindowsTempFolder() + "/tmprep.html"; }

}  // namespace ReportRun

#include "reports/ReportRun.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Strings.h"
#include "reports/RepGenerator.h"
#include "settings/Options.h"
#include "settings/Trap.h"
#include "store/FileOperations.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"
#include "store/StoreOperations.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace ReportRun {

namespace {

using TClock = std::chrono::steady_clock;

// While a note is being read the progress window is asked at most this often: asking lets
// the application handle its events, which costs more than reading a small element.
constexpr auto ReadingPollInterval = std::chrono::milliseconds(20);
// How many notes, from the next one on, have their info block read and are offered to the
// loader to parse ahead; the loader takes as many as keep its workers busy.
constexpr size_t ReadAheadNotes = 8;

// The note sections of a run wait here for the end, since the table of contents, which
// stands before them, is complete only then: an unnamed file in the temporary folder, so the
// report never sits whole in memory and nothing is left behind.
class TNotesSpool {
public:
    TNotesSpool() {
        const std::string folder = ReportUtils::GetWindowsTempFolder();
        if (folder.empty()) throw EInOutError("No temporary folder");
        int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) {  // a file system without unnamed files
            std::string name = folder + "/.tmprep-notes.XXXXXX";
            fd = ::mkstemp(name.data());
            if (fd >= 0) ::unlink(name.c_str());
        }
        if (fd < 0 || !(FFile = ::fdopen(fd, "w+"))) {
            if (fd >= 0) ::close(fd);
            throw EInOutError("Cannot create a file in \"" + folder + "\"");
        }
        std::setvbuf(FFile, nullptr, _IOFBF, 256 * 1024);
    }
    ~TNotesSpool() { std::fclose(FFile); }
    TNotesSpool(const TNotesSpool&) = delete;
    TNotesSpool& operator=(const TNotesSpool&) = delete;

    // A section that cannot be written (a full disk) fails the whole report, not only its note.
    void Add(const std::string& section) {
        if (std::fwrite(section.data(), 1, section.size(), FFile) != section.size() || std::fputs("\r\n", FFile) < 0) {
            FFailed = true;
            throw EInOutError("Cannot write the report's notes");
        }
    }
    void CopyTo(FileSystem::TAtomicFile& report) {
        if (FFailed || std::fflush(FFile) != 0 || ::lseek(::fileno(FFile), 0, SEEK_SET) != 0)
            throw EInOutError("Cannot write the report's notes");
        report.WriteFrom(::fileno(FFile));
    }

private:
    std::FILE* FFile = nullptr;
    bool FFailed = false;
};

class TReportRun {
public:
    explicit TReportRun(TReportProgress* progress) : FProgress(progress) {}

    // The report file, or "" when none was made.
    std::string Make(const std::string& folderPath) {
        if (!Options) return {};  // no settings, no store
        // Only a folder below the store root: the run reads, and writes info blocks into, its notes.
        if (!StoreOperations::IsValidNodePath(folderPath, StoreOperations::TNames::Shown)) return {};
        if (FProgress) FProgress->Show("Generating report...", "Generating report... \nPlease, wait....");
        TRepGenerator generator;
        generator.TocPosition = TRepGenerator::PositionBeforeNotes;
        generator.RefListPosition = TRepGenerator::PositionAfterNotes;
        generator.TocEnabled = true;
        generator.RefListEnabled = true;
        // Cancel reaches into the note being read, not only the gaps between notes.
        generator.OnQueryAbort = [this] { return CancelledWhileReading(); };

        // Each note's section goes to disk as soon as it is filled.
        TNotesSpool spool;
        generator.OnNoteSection = [&spool](const std::string& section) { spool.Add(section); };

        const std::string folder = Options->FolderToStore + folderPath + "/";
        if (!Prepare(generator, folder) || !AddNotes(generator, folder)) return {};
        const std::string reportFile = WriteReport(generator, spool);
        if (reportFile.empty()) return {};
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

    // Adds the folder's own notes in directory order; false when the user cancelled. A note
    // whose info block cannot be read is left out; the notes after it are still reported.
    bool AddNotes(TRepGenerator& generator, const std::string& folder) {
        ReportUtils::TStringList files;
        ReportUtils::MyAdvBuildFileList(folder + "*.html", FileSystem::faAnyFile, files, false, false, false);
        SetMax(static_cast<int>(files.size()) + 1);
        if (Checkpoint()) return false;
        // A note's info block is read (and a missing one written into it) before its parse is
        // started, so the body is parsed from the note as the report describes it.
        std::deque<std::pair<std::string, std::optional<ReportUtils::TNoteInfo>>> ahead;
        size_t next = 0;
        for (size_t i = 0; i < files.size(); ++i) {
            for (; next < std::min(files.size(), i + ReadAheadNotes); ++next) {
                ReportUtils::TNoteInfo note;
                const bool read = ReportUtils::LoadNodeFromFile(files[next], note);
                ahead.emplace_back(files[next], read ? std::optional(std::move(note)) : std::nullopt);
            }
            ReportUtils::TStringList upcoming;
            for (const auto& [file, note] : ahead)
                if (note) upcoming.push_back(file);
            generator.ReadAhead(upcoming);

            const auto [file, note] = std::move(ahead.front());
            ahead.pop_front();
            if (note) {
                generator.AddNote(file, note->Name, CodePage::WideToAnsi(note->OriginalTitle),
                                  CodePage::WideToAnsi(note->OriginalURL), CodePage::WideToAnsi(note->Comments),
                                  DateTimeUtils::FormatShortDate(note->Created), DateTimeUtils::FormatLongTime(note->Created));
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
    // "" when the report could not be put together.
    static std::string WriteReport(const TRepGenerator& generator, TNotesSpool& spool) {
        std::string file = ReportFileName();
        if (file.empty()) return {};
        FileSystem::TAtomicFile report(file);
        const auto writeLine = [&](const std::string& line) {
            report.Write(line);
            report.Write("\r\n");
        };
        if (!generator.FinalizeToWriter(writeLine, [&] { spool.CopyTo(report); })) return {};
        try {
            report.Commit(file);
        } catch (const EInOutError&) {
            file = ReportUtils::FindUnusedFileName(ReportUtils::GetWindowsTempFolder() + "/tmprep", "html", "");
            report.Commit(file);
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

std::string ReportFileName() {
    // Only the user's private folder holds reports; without one no report is made.
    const std::string folder = ReportUtils::GetWindowsTempFolder();
    return folder.empty() ? std::string() : folder + "/tmprep.html";
}

}  // namespace ReportRun

#include "settings/Options.h"

#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "settings/Trap.h"

std::unique_ptr<TOptions> Options;

namespace {

// One row of the settings table: the value's name and how it meets its field.
struct TField {
    const char* Name;
    enum { Bool, Int, Str } Kind;
    void* Field;
};

void Write(TRegistry& reg, const TField& f) {
    switch (f.Kind) {
        case TField::Bool: reg.WriteBool(f.Name, *static_cast<bool*>(f.Field)); break;
        case TField::Int: reg.WriteInteger(f.Name, *static_cast<int*>(f.Field)); break;
        case TField::Str: reg.WriteString(f.Name, *static_cast<std::string*>(f.Field)); break;
    }
}

// Reads the value into its field; a missing value is written with the field's content.
void LoadOrCreate(TRegistry& reg, const TField& f) {
    if (!reg.ValueExists(f.Name)) return Write(reg, f);
    switch (f.Kind) {
        case TField::Bool: *static_cast<bool*>(f.Field) = reg.ReadBool(f.Name); break;
        case TField::Int: *static_cast<int*>(f.Field) = reg.ReadInteger(f.Name); break;
        case TField::Str: *static_cast<std::string*>(f.Field) = reg.ReadString(f.Name); break;
    }
}

}  // namespace

TOptions::TOptions() {
    TrapVoid("TOptions.Create", [&] { SetDefaults(); });
}

void TOptions::SetDefaults() {
    AppPath = Folders::ProgramDataFolder();
    FolderToStore = Folders::PersonalFolder() + "/My Notes/";
}

bool TOptions::Load() {
    return Trap("TOptions.Load", false, [&] {
        const TField fields[] = {
            {"NoteAddToLast", TField::Bool, &NoteAddToLast},
            {"NewNoteOnNewSite", TField::Bool, &NewNoteOnNewSite},
            {"ConfirmAddNote", TField::Bool, &ConfirmAddNote},
            {"ConfirmDelFolder", TField::Bool, &ConfirmDelFolder},
            {"ConfirmDelNote", TField::Bool, &ConfirmDelNote},
            {"SaveImages", TField::Bool, &SaveImages},
            {"MarkSelection", TField::Bool, &MarkSelection},
            {"SendAsAttach", TField::Bool, &SendAsAttach},
            {"ShowHints", TField::Bool, &ShowHints},
            {"ShowSnippetOnClick", TField::Bool, &ShowSnippetOnClick},
            {"ShowSnippetInBrowserWindow", TField::Bool, &ShowSnippetInBrowserWindow},
            {"AutoEditOnAppend", TField::Bool, &AutoEditOnAppend},
            {"ForceNewNoteMode", TField::Int, &ForceNewNoteMode},
            {"AppendMode", TField::Int, &AppendMode},
            {"MarkColor", TField::Int, &MarkColor},
            {"MarkBgColor", TField::Int, &MarkBgColor},
            {"ExportWizardMode", TField::Int, &ExportWizardMode},
            {"FromEmail", TField::Str, &FromEmail},
            {"FromName", TField::Str, &FromName},
            {"PrevBaseURL", TField::Str, &PrevBaseURL},
            {"PrevTitle", TField::Str, &PrevTitle},
            {"PrevFolder", TField::Str, &PrevFolder},
            {"SimpleReportDefTemplate", TField::Str, &SimpleReportDefTemplate},
            {"DefFolder", TField::Str, &DefFolder},
            {"AppPath", TField::Str, &AppPath},
            {"FolderToStore", TField::Str, &FolderToStore},
            {"RunLocalScripts", TField::Bool, &RunLocalScripts},
            {"_NotesTreeWidth", TField::Int, &NotesTreeWidth},
        };
        TRegistry reg;
        if (!reg.OpenKey(RegistryKey, true)) throw ERegistryException("Cannot open the settings key");
        // The values written for missing entries land when the key closes, also when a later
        // value fails to read.
        struct TCloser {
            TRegistry& Reg;
            ~TCloser() {
                try { Reg.CloseKey(); } catch (...) {}
            }
        } closer{reg};
        for (const TField& f : fields) LoadOrCreate(reg, f);
        reg.CloseKey();
        if (!FileSystem::DirectoryExists(FolderToStore)) FileSystem::ForceDirectories(FolderToStore);
        return true;
    });
}

bool TOptions::Save() {
    return Trap("TOptions.Save", false, [&] {
        const TField fields[] = {
            {"NewNoteOnNewSite", TField::Bool, &NewNoteOnNewSite},
            {"NoteAddToLast", TField::Bool, &NoteAddToLast},
            {"ConfirmAddNote", TField::Bool, &ConfirmAddNote},
            {"ConfirmDelNote", TField::Bool, &ConfirmDelNote},
            {"ConfirmDelFolder", TField::Bool, &ConfirmDelFolder},
            {"SaveImages", TField::Bool, &SaveImages},
            {"UseTemplatesForReports", TField::Bool, &UseTemplatesForReports},
            {"MarkSelection", TField::Bool, &MarkSelection},
            {"SendAsAttach", TField::Bool, &SendAsAttach},
            {"ShowHints", TField::Bool, &ShowHints},
            {"ShowSnippetOnClick", TField::Bool, &ShowSnippetOnClick},
            {"ShowSnippetInBrowserWindow", TField::Bool, &ShowSnippetInBrowserWindow},
            {"AutoEditOnAppend", TField::Bool, &AutoEditOnAppend},
            {"RunLocalScripts", TField::Bool, &RunLocalScripts},
            {"MarkColor", TField::Int, &MarkColor},
            {"MarkBgColor", TField::Int, &MarkBgColor},
            {"ExportWizardMode", TField::Int, &ExportWizardMode},
            {"AppendMode", TField::Int, &AppendMode},
            {"ForceNewNoteMode", TField::Int, &ForceNewNoteMode},
            {"_NotesTreeWidth", TField::Int, &NotesTreeWidth},
            {"DefFolder", TField::Str, &DefFolder},
            {"FolderToStore", TField::Str, &FolderToStore},
            {"SimpleReportDefTemplate", TField::Str, &SimpleReportDefTemplate},
            {"PrevFolder", TField::Str, &PrevFolder},
            {"PrevTitle", TField::Str, &PrevTitle},
            {"PrevBaseURL", TField::Str, &PrevBaseURL},
            {"FromName", TField::Str, &FromName},
            {"FromEmail", TField::Str, &FromEmail},
        };
        UseTemplatesForReports = false;
        TRegistry reg;
        if (!reg.OpenKey(RegistryKey, true)) throw ERegistryException("Cannot open the settings key");
        for (const TField& f : fields) Write(reg, f);
        reg.CloseKey();
        return true;
    });
}

#include "settings/Options.h"

#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "settings/Trap.h"

#include <variant>

std::unique_ptr<TOptions> Options;

namespace {

// One row of the settings table: the registry value's name and the field it holds. Each
// field's default is its initial value in TOptions.
struct TSetting {
    const char* Name;
    std::variant<bool TOptions::*, int TOptions::*, std::string TOptions::*> Field;
    bool Loaded = true;  // false: written by Save, never read
};

// Load reads, and Save writes, in this order; a first run's Load writes the missing values
// in it too, so it is the order of a new settings key.
const TSetting Settings[] = {
    {"NoteAddToLast", &TOptions::NoteAddToLast},
    {"NewNoteOnNewSite", &TOptions::NewNoteOnNewSite},
    {"ConfirmAddNote", &TOptions::ConfirmAddNote},
    {"ConfirmDelFolder", &TOptions::ConfirmDelFolder},
    {"ConfirmDelNote", &TOptions::ConfirmDelNote},
    {"SaveImages", &TOptions::SaveImages},
    {"UseTemplatesForReports", &TOptions::UseTemplatesForReports, false},
    {"MarkSelection", &TOptions::MarkSelection},
    {"SendAsAttach", &TOptions::SendAsAttach},
    {"ShowHints", &TOptions::ShowHints},
    {"ShowSnippetOnClick", &TOptions::ShowSnippetOnClick},
    {"ShowSnippetInBrowserWindow", &TOptions::ShowSnippetInBrowserWindow},
    {"AutoEditOnAppend", &TOptions::AutoEditOnAppend},
    {"ForceNewNoteMode", &TOptions::ForceNewNoteMode},
    {"AppendMode", &TOptions::AppendMode},
    {"MarkColor", &TOptions::MarkColor},
    {"MarkBgColor", &TOptions::MarkBgColor},
    {"ExportWizardMode", &TOptions::ExportWizardMode},
    {"FromEmail", &TOptions::FromEmail},
    {"FromName", &TOptions::FromName},
    {"PrevBaseURL", &TOptions::PrevBaseURL},
    {"PrevTitle", &TOptions::PrevTitle},
    {"PrevFolder", &TOptions::PrevFolder},
    {"SimpleReportDefTemplate", &TOptions::SimpleReportDefTemplate},
    {"DefFolder", &TOptions::DefFolder},
    {"AppPath", &TOptions::AppPath},
    {"FolderToStore", &TOptions::FolderToStore},
    {"RunLocalScripts", &TOptions::RunLocalScripts},
    {"_NotesTreeWidth", &TOptions::NotesTreeWidth},
};

void WriteValue(TRegistry& reg, const char* name, bool value) { reg.WriteBool(name, value); }
void WriteValue(TRegistry& reg, const char* name, int value) { reg.WriteInteger(name, value); }
void WriteValue(TRegistry& reg, const char* name, const std::string& value) { reg.WriteString(name, value); }
void ReadValue(TRegistry& reg, const char* name, bool& value) { value = reg.ReadBool(name); }
void ReadValue(TRegistry& reg, const char* name, int& value) { value = reg.ReadInteger(name); }
void ReadValue(TRegistry& reg, const char* name, std::string& value) { value = reg.ReadString(name); }

void Write(TRegistry& reg, TOptions& options, const TSetting& s) {
    std::visit([&](auto field) { WriteValue(reg, s.Name, options.*field); }, s.Field);
}

// Reads the value into its field; a missing value is written with the field's content.
void LoadOrCreate(TRegistry& reg, TOptions& options, const TSetting& s) {
    if (!reg.ValueExists(s.Name)) return Write(reg, options, s);
    std::visit([&](auto field) { ReadValue(reg, s.Name, options.*field); }, s.Field);
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
        for (const TSetting& s : Settings)
            if (s.Loaded) LoadOrCreate(reg, *this, s);
        reg.CloseKey();
        if (!FileSystem::DirectoryExists(FolderToStore)) FileSystem::ForceDirectories(FolderToStore);
        return true;
    });
}

bool TOptions::Save() {
    return Trap("TOptions.Save", false, [&] {
        UseTemplatesForReports = false;
        TRegistry reg;
        if (!reg.OpenKey(RegistryKey, true)) throw ERegistryException("Cannot open the settings key");
        for (const TSetting& s : Settings) Write(reg, *this, s);
        reg.CloseKey();
        return true;
    });
}

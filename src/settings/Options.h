#pragma once
// The user's settings, kept as plain values under one key of the registry file. Booleans are
// stored as dword 0 or 1 and read back as true for anything but 0.
#include <memory>
#include <string>

class TOptions {
public:
    static constexpr const char* RegistryKey = "Software\\Brennock\\Quillbox";

    TOptions();  // Create: every field at its default
    // Reads every value in table order; a missing one is written with the field's current
    // content. Then creates the store folder. False (logged "TOptions.Load") on failure: the
    // fields read before the failing value keep what the registry said.
    bool Load();
    // Writes every value; false (logged "TOptions.Save") on failure.
    bool Save();

    bool NoteAddToLast = true;
    bool NewNoteOnNewSite = true;
    bool ConfirmAddNote = true;
    bool ConfirmDelFolder = true;
    bool ConfirmDelNote = true;
    bool SaveImages = true;
    bool MarkSelection = false;
    bool SendAsAttach = true;
    bool ShowHints = true;
    bool ShowSnippetOnClick = true;
    bool ShowSnippetInBrowserWindow = true;
    bool AutoEditOnAppend = true;
    bool UseTemplatesForReports = false;  // written by Save, never read
    bool RunLocalScripts = false;  // scripts of notes and other local pages run (browser options)
    int ForceNewNoteMode = 1;
    int AppendMode = 0;
    int MarkColor = 0;          // red in the lowest byte, then green, then blue
    int MarkBgColor = 65535;    // yellow
    int ExportWizardMode = 0;
    int NotesTreeWidth = 200;   // the browser window's notes panel, stored as "_NotesTreeWidth"
    std::string FromEmail;
    std::string FromName;
    std::string PrevBaseURL;
    std::string PrevTitle;
    std::string PrevFolder = "About music";
    std::string SimpleReportDefTemplate = "Simple";
    std::string DefFolder = "About music";
    std::string AppPath;        // the program's folder, ending with "/"
    std::string FolderToStore;  // the store root, ending with "/"

private:
    void SetDefaults();
};

// The one settings object of the program: created and loaded at start, saved at exit.
extern std::unique_ptr<TOptions> Options;

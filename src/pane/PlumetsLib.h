#pragma once
// The companion dialog component: the add-note, add-folder and preferences dialogs. The pane
// creates a dialog object through a factory, sets it up, shows it, reads its results and
// releases it; the real dialogs are Qt dialogs (PlumetDialogs.h), tests substitute scripted
// ones. Each property is one pair of calls as the pane uses it; the numbers are the
// component's own slot numbers, so a call sequence can be checked against its callers.
#include <QString>
#include <memory>

// Add note: writes the note file (a new note, or the capture appended to the last note) and
// its images. When Accepted, the file store root + Folder + "/" + Title + ".html" exists.
class IPlumetAddDlg {
public:
    virtual ~IPlumetAddDlg() = default;
    virtual void ShowModal() = 0;                          // 1
    virtual bool Accepted() = 0;                           // 2
    virtual void SetFlag(bool value) = 0;                  // 4, always false
    virtual QString URL() = 0;                             // 5
    virtual void SetURL(const QString& value) = 0;         // 6
    virtual QString Title() = 0;                           // 7, the note's name
    virtual void SetTitle(const QString& value) = 0;       // 8
    virtual void SetCharset(const QString& value) = 0;     // 10
    virtual void SetContentKind(int value) = 0;            // 12: 0 the content, 2 its images only
    virtual void SetContent(const QString& value) = 0;     // 14
    virtual QString Folder() = 0;                          // 15, relative to the store root
    virtual void SetFolder(const QString& value) = 0;      // 16
    virtual QString OriginalTitle() = 0;                   // 17
    virtual void SetOriginalTitle(const QString& value) = 0;  // 18
    virtual QString Comments() = 0;                        // 19
    virtual void SetComments(const QString& value) = 0;    // 20
    virtual void SetMarkColor(int value) = 0;              // 22
    virtual void SetMarkBgColor(int value) = 0;            // 23
    virtual void SetAutoEdit(bool value) = 0;              // 24
    virtual void SetSaveImages(bool value) = 0;            // 25
    virtual void SetStoreRoot(const QString& value) = 0;   // 26, FolderToStore
    virtual bool ConfirmAddNote() = 0;                     // 27
    virtual void SetConfirmAddNote(bool value) = 0;        // 28
    virtual void SetEditMode(int value) = 0;               // 29, the properties command only
    virtual bool NewNoteOnNewSite() = 0;                   // 30
    virtual void SetNewNoteOnNewSite(bool value) = 0;      // 31
    virtual bool NoteAddToLast() = 0;                      // 32
    virtual void SetNoteAddToLast(bool value) = 0;         // 33
    virtual QString PrevFolder() = 0;                      // 34
    virtual void SetPrevFolder(const QString& value) = 0;  // 35
    virtual QString PrevTitle() = 0;                       // 36
    virtual void SetPrevTitle(const QString& value) = 0;   // 37
    virtual QString PrevBaseURL() = 0;                     // 38
    virtual void SetPrevBaseURL(const QString& value) = 0;  // 39
    virtual int ForceNewNoteMode() = 0;                    // 40
    virtual void SetForceNewNoteMode(int value) = 0;       // 41
    virtual void SetEmptyNote(bool value) = 0;             // 43
};

// Add folder: creates the folder. When Accepted it exists and NewFolder is its node path.
class IPlumetsAddFolderDlg {
public:
    virtual ~IPlumetsAddFolderDlg() = default;
    virtual void ShowModal() = 0;                             // 1
    virtual bool Accepted() = 0;                              // 2
    virtual QString NewFolder() = 0;                          // 3
    virtual void SetSuggestedName(const QString& value) = 0;  // 4
    virtual void SetStoreRoot(const QString& value) = 0;      // 6
    virtual void SetUnderCurrent(bool value) = 0;             // 8
    virtual void SetCurrentFolder(const QString& value) = 0;  // 10, node path of the focused node
};

// Preferences: edits the settings' registry values directly.
class IPlumetsPrefs {
public:
    virtual ~IPlumetsPrefs() = default;
    // 0 from the preferences command; 4 puts the focus on the reply address.
    virtual void ShowModal(int page) = 0;  // 1
    virtual bool Accepted() = 0;           // 2
};

// Makes the dialog objects; each lives for one operation. A factory may throw when a
// dialog cannot be made; the pane's trap catches it.
class TDialogFactory {
public:
    virtual ~TDialogFactory() = default;
    virtual std::unique_ptr<IPlumetAddDlg> CreateAddDlg() = 0;
    virtual std::unique_ptr<IPlumetsAddFolderDlg> CreateAddFolderDlg() = 0;
    virtual std::unique_ptr<IPlumetsPrefs> CreatePrefs() = 0;
};

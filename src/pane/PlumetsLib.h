#pragma once
// The companion dialog component: the add-note, add-folder and preferences dialogs. The pane
// creates a dialog object through a factory, sets it up, shows it, reads its results and
// releases it; the real dialogs are Qt dialogs (PlumetDialogs.h), tests substitute scripted
// ones. Each property is a getter and a setter, or one of them where the pane uses only one.
#include <QString>
#include <memory>

// Add note: writes the note file (a new note, or the capture appended to the last note) and
// its images. When Accepted, the file store root + Folder + "/" + Title + ".html" exists.
class IPlumetAddDlg {
public:
    virtual ~IPlumetAddDlg() = default;
    virtual void ShowModal() = 0;
    virtual bool Accepted() = 0;
    virtual QString URL() = 0;
    virtual void SetURL(const QString& value) = 0;
    virtual QString Title() = 0;  // the note's name
    virtual void SetTitle(const QString& value) = 0;
    virtual void SetCharset(const QString& value) = 0;
    virtual void SetContentKind(int value) = 0;  // 0 the content, 2 its images only
    virtual void SetContent(const QString& value) = 0;
    virtual QString Folder() = 0;  // relative to the store root
    virtual void SetFolder(const QString& value) = 0;
    virtual QString OriginalTitle() = 0;
    virtual void SetOriginalTitle(const QString& value) = 0;
    virtual QString Comments() = 0;
    virtual void SetComments(const QString& value) = 0;
    virtual void SetAutoEdit(bool value) = 0;
    virtual void SetSaveImages(bool value) = 0;
    virtual void SetStoreRoot(const QString& value) = 0;  // FolderToStore
    virtual bool ConfirmAddNote() = 0;
    virtual void SetConfirmAddNote(bool value) = 0;
    virtual void SetEditMode(bool value) = 0;  // editing an existing note: the properties command
    virtual bool NewNoteOnNewSite() = 0;
    virtual void SetNewNoteOnNewSite(bool value) = 0;
    virtual bool NoteAddToLast() = 0;
    virtual void SetNoteAddToLast(bool value) = 0;
    virtual QString PrevFolder() = 0;
    virtual void SetPrevFolder(const QString& value) = 0;
    virtual QString PrevTitle() = 0;
    virtual void SetPrevTitle(const QString& value) = 0;
    virtual QString PrevBaseURL() = 0;
    virtual void SetPrevBaseURL(const QString& value) = 0;
    virtual int ForceNewNoteMode() = 0;
    virtual void SetForceNewNoteMode(int value) = 0;
    virtual void SetEmptyNote(bool value) = 0;
};

// Add folder: creates the folder. When Accepted it exists and NewFolder is its node path.
class IPlumetsAddFolderDlg {
public:
    virtual ~IPlumetsAddFolderDlg() = default;
    virtual void ShowModal() = 0;
    virtual bool Accepted() = 0;
    virtual QString NewFolder() = 0;
    virtual void SetSuggestedName(const QString& value) = 0;
    virtual void SetStoreRoot(const QString& value) = 0;
    virtual void SetUnderCurrent(bool value) = 0;
    virtual void SetCurrentFolder(const QString& value) = 0;  // node path of the focused node
};

// Preferences: edits the settings' registry values directly.
class IPlumetsPrefs {
public:
    virtual ~IPlumetsPrefs() = default;
    // 0 from the preferences command; 4 puts the focus on the reply address.
    virtual void ShowModal(int page) = 0;
    virtual bool Accepted() = 0;
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

#pragma once
// The add-note dialog of the companion component: shows the note's name, folder, source
// address and comments for the user to confirm or change, decides between a new note and
// appending to the last one, and writes the note file with its pictures. Without
// ConfirmAddNote it does the same work without showing itself.
#include "pane/PlumetsLib.h"

#include <QDialog>
#include <string>

class TUserPrompt;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QCheckBox;

// ForceNewNoteMode values.
enum : int {
    nmAppendWhenPossible = 0,  // append to the last note whatever site the page is from
    nmBySettings = 1,          // NewNoteOnNewSite decides about a change of site (the default)
    nmAlwaysNew = 2,           // every capture becomes a new note
};

// What decides between a new note and appending; see ChooseAppend.
struct TAppendInputs {
    bool EmptyNote = false;
    bool EditMode = false;
    bool NoteAddToLast = true;
    bool NewNoteOnNewSite = true;
    int ForceNewNoteMode = nmBySettings;
    QString Folder;
    QString PrevFolder;
    QString PrevTitle;
    QString PrevBaseURL;
    QString Site;  // the capture's site (GetShortURL of its address)
    bool LastNoteExists = false;
};
bool ChooseAppend(const TAppendInputs& in);

class TPlumetAddDlg : public IPlumetAddDlg {
public:
    // prompt answers the form's complaints about the name or folder; owner owns the form.
    TPlumetAddDlg(QWidget* owner, TUserPrompt& prompt);

    void ShowModal() override;
    bool Accepted() override { return FAccepted; }
    void SetFlag(bool) override {}
    QString URL() override { return FURL; }
    void SetURL(const QString& value) override { FURL = value; }
    QString Title() override { return FTitle; }
    void SetTitle(const QString& value) override { FTitle = value; }
    void SetCharset(const QString& value) override { FCharset = value; }
    void SetContentKind(int value) override { FContentKind = value; }
    void SetContent(const QString& value) override { FContent = value; }
    QString Folder() override { return FFolder; }
    void SetFolder(const QString& value) override { FFolder = value; }
    QString OriginalTitle() override { return FOriginalTitle; }
    void SetOriginalTitle(const QString& value) override { FOriginalTitle = value; }
    QString Comments() override { return FComments; }
    void SetComments(const QString& value) override { FComments = value; }
    void SetMarkColor(int) override {}
    void SetMarkBgColor(int) override {}
    void SetAutoEdit(bool value) override { FAutoEdit = value; }
    void SetSaveImages(bool value) override { FSaveImages = value; }
    void SetStoreRoot(const QString& value) override;
    bool ConfirmAddNote() override { return FConfirmAddNote; }
    void SetConfirmAddNote(bool value) override { FConfirmAddNote = value; }
    void SetEditMode(int) override;
    bool NewNoteOnNewSite() override { return FNewNoteOnNewSite; }
    void SetNewNoteOnNewSite(bool value) override { FNewNoteOnNewSite = value; }
    bool NoteAddToLast() override { return FNoteAddToLast; }
    void SetNoteAddToLast(bool value) override { FNoteAddToLast = value; }
    QString PrevFolder() override { return FPrevFolder; }
    void SetPrevFolder(const QString& value) override { FPrevFolder = value; }
    QString PrevTitle() override { return FPrevTitle; }
    void SetPrevTitle(const QString& value) override { FPrevTitle = value; }
    QString PrevBaseURL() override { return FPrevBaseURL; }
    void SetPrevBaseURL(const QString& value) override { FPrevBaseURL = value; }
    int ForceNewNoteMode() override { return FForceNewNoteMode; }
    void SetForceNewNoteMode(int value) override { FForceNewNoteMode = value; }
    void SetEmptyNote(bool value) override { FEmptyNote = value; }

    // Whether the capture would be appended to the last note (before the user's choice).
    bool WouldAppend() const;
    // How many pictures the last write saved.
    int SavedImages() const { return FSavedImages; }

private:
    friend class TAddNoteForm;
    bool LastNoteExists() const;
    QString DefaultName() const;
    // Makes the name valid and, for a new note, unused in the folder.
    QString FinalTitle(const QString& name, bool append) const;
    void WriteNote(bool append);
    void KeepLastNoteInfo(const std::string& file);
    std::string NoteDir(const QString& folder) const;

    QWidget* FOwner;
    TUserPrompt& FPrompt;
    bool FAccepted = false;
    QString FURL, FTitle, FCharset, FContent, FFolder, FOriginalTitle, FComments, FStoreRoot;
    QString FPrevFolder, FPrevTitle, FPrevBaseURL;
    int FContentKind = 0;
    int FForceNewNoteMode = nmBySettings;
    bool FAutoEdit = false, FSaveImages = true, FConfirmAddNote = true, FNewNoteOnNewSite = true;
    bool FNoteAddToLast = true, FEmptyNote = false, FEditMode = false;
    // The note being edited (properties command): its folder and name when the dialog opened.
    QString FEditFolder, FEditTitle;
    int FSavedImages = 0;
};

// The form the add-note dialog shows.
class TAddNoteForm : public QDialog {
    Q_OBJECT
public:
    TAddNoteForm(TPlumetAddDlg& dlg, bool append, QWidget* parent);
    bool Append() const;
    void accept() override;

private:
    void ModeChanged();

    TPlumetAddDlg& FDlg;
    QLineEdit* FName;
    QComboBox* FFolder;
    QLineEdit* FURL;
    QPlainTextEdit* FComments;
    QRadioButton* FNew;
    QRadioButton* FAppend;
    QCheckBox* FAddToLast;
    QCheckBox* FNewOnNewSite;
    QCheckBox* FConfirm;
    QPlainTextEdit* FContent = nullptr;
    QString FNewName, FNewFolder;  // what the fields held before switching to append
};

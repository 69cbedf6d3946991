#pragma once
// The add-note dialog of the companion component: shows the note's name, folder, source
// address and comments for the user to confirm or change, decides between a new note and
// appending to the last one, and writes the note file with its pictures. Without
// ConfirmAddNote it does the same work without showing itself.
#include "pane/PlumetsLib.h"
#include "pane/QtStrings.h"
#include "pane/QtPictureFetcher.h"
#include "store/NoteWriter.h"

#include <QDialog>
#include <string>

class TUserPrompt;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QCheckBox;

class TPlumetAddDlg : public IPlumetAddDlg {
public:
    // prompt answers the form's complaints about the name or folder; owner owns the form.
    TPlumetAddDlg(QWidget* owner, TUserPrompt& prompt);

    void ShowModal() override;
    bool Accepted() override { return FAccepted; }
    QString URL() override { return ToQ(FWriter.URL); }
    void SetURL(const QString& value) override { FWriter.URL = QToWide(value); }
    QString Title() override { return ToQ(FWriter.Title); }
    void SetTitle(const QString& value) override { FWriter.Title = QToWide(value); }
    void SetCharset(const QString& value) override { FCharset = value; }
    void SetContentKind(int value) override { FWriter.ContentKind = value; }
    void SetContent(const QString& value) override { FWriter.Content = QToWide(value); }
    QString Folder() override { return ToQ(FWriter.Folder); }
    void SetFolder(const QString& value) override { FWriter.Folder = QToWide(value); }
    QString OriginalTitle() override { return ToQ(FWriter.OriginalTitle); }
    void SetOriginalTitle(const QString& value) override { FWriter.OriginalTitle = QToWide(value); }
    QString Comments() override { return ToQ(FWriter.Comments); }
    void SetComments(const QString& value) override { FWriter.Comments = QToWide(value); }
    void SetAutoEdit(bool value) override { FAutoEdit = value; }
    void SetSaveImages(bool value) override { FWriter.SaveImages = value; }
    void SetStoreRoot(const QString& value) override;
    bool ConfirmAddNote() override { return FConfirmAddNote; }
    void SetConfirmAddNote(bool value) override { FConfirmAddNote = value; }
    // With true, the note named by the Folder and Title the dialog holds when it is shown
    // is being edited (the properties command).
    void SetEditMode(bool value) override { FWriter.EditMode = value; }
    bool NewNoteOnNewSite() override { return FWriter.NewNoteOnNewSite; }
    void SetNewNoteOnNewSite(bool value) override { FWriter.NewNoteOnNewSite = value; }
    bool NoteAddToLast() override { return FWriter.NoteAddToLast; }
    void SetNoteAddToLast(bool value) override { FWriter.NoteAddToLast = value; }
    QString PrevFolder() override { return ToQ(FWriter.PrevFolder); }
    void SetPrevFolder(const QString& value) override { FWriter.PrevFolder = QToWide(value); }
    QString PrevTitle() override { return ToQ(FWriter.PrevTitle); }
    void SetPrevTitle(const QString& value) override { FWriter.PrevTitle = QToWide(value); }
    QString PrevBaseURL() override { return ToQ(FWriter.PrevBaseURL); }
    void SetPrevBaseURL(const QString& value) override { FWriter.PrevBaseURL = QToWide(value); }
    int ForceNewNoteMode() override { return FWriter.ForceNewNoteMode; }
    void SetForceNewNoteMode(int value) override { FWriter.ForceNewNoteMode = value; }
    void SetEmptyNote(bool value) override { FWriter.EmptyNote = value; }

    // Whether the capture would be appended to the last note (before the user's choice).
    bool WouldAppend() const { return FWriter.WouldAppend(); }
    // How many pictures the last write saved.
    int SavedImages() const { return FWriter.SavedImages(); }

private:
    friend class TAddNoteForm;

    QWidget* FOwner;
    TUserPrompt& FPrompt;
    TQtPictureFetcher FFetcher;
    TNoteWriter FWriter{&FFetcher};  // the capture's values and the file work
    bool FAccepted = false;
    QString FCharset;
    bool FAutoEdit = false, FConfirmAddNote = true;
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

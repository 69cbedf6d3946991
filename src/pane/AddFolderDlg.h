#pragma once
// The add-folder dialog of the companion component: proposes the suggested name, creates the
// folder inside the current folder or beside it, refuses an invalid or taken name with a
// message, and gives back the new folder's node path.
#include "pane/PlumetsLib.h"

#include <QDialog>

class TUserPrompt;
class QLineEdit;
class QRadioButton;

class TPlumetsAddFolderDlg : public IPlumetsAddFolderDlg {
public:
    TPlumetsAddFolderDlg(QWidget* owner, TUserPrompt& prompt) : FOwner(owner), FPrompt(prompt) {}

    void ShowModal() override;
    bool Accepted() override { return FAccepted; }
    QString NewFolder() override { return FNewFolder; }
    void SetSuggestedName(const QString& value) override { FSuggestedName = value; }
    void SetStoreRoot(const QString& value) override;
    void SetUnderCurrent(bool value) override { FUnderCurrent = value; }
    void SetCurrentFolder(const QString& value) override { FCurrentFolder = value; }

    // The folder the current node stands for: the current folder itself, or the folder of
    // the note that is current ("" for the store root).
    QString CurrentFolderPath() const;
    // Where a new folder goes: inside the current folder, or beside it (in its parent).
    QString ParentFor(bool underCurrent) const;
    // Creates name inside parent; false with a message for the user when the name is not
    // valid or already taken, or the folder cannot be made.
    bool CreateFolder(const QString& parent, const QString& name, QString& error);

private:
    QWidget* FOwner;
    TUserPrompt& FPrompt;
    bool FAccepted = false;
    bool FUnderCurrent = false;
    QString FSuggestedName, FStoreRoot, FCurrentFolder, FNewFolder;
};

class TAddFolderForm : public QDialog {
    Q_OBJECT
public:
    TAddFolderForm(TPlumetsAddFolderDlg& dlg, const QString& name, bool underCurrent, TUserPrompt& prompt,
                   QWidget* parent);
    void accept() override;

private:
    TPlumetsAddFolderDlg& FDlg;
    TUserPrompt& FPrompt;
    QLineEdit* FName;
    QRadioButton* FUnder;
};

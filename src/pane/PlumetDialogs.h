#pragma once
// The companion dialogs as Qt dialogs, made by TQtDialogFactory, and the helpers they share.
#include "pane/PlumetsLib.h"

#include <QStringList>

class QWidget;
class TUserPrompt;

class TQtDialogFactory : public TDialogFactory {
public:
    // The dialogs are owned by owner's window; their complaints go to prompt (nullptr: a
    // message box of the dialog's own).
    explicit TQtDialogFactory(QWidget* owner, TUserPrompt* prompt = nullptr) : FOwner(owner), FPrompt(prompt) {}
    std::unique_ptr<IPlumetAddDlg> CreateAddDlg() override;
    std::unique_ptr<IPlumetsAddFolderDlg> CreateAddFolderDlg() override;
    std::unique_ptr<IPlumetsPrefs> CreatePrefs() override;

private:
    TUserPrompt& Prompt();

    QWidget* FOwner;
    TUserPrompt* FPrompt;
    std::unique_ptr<TUserPrompt> FOwnPrompt;
};

// The node paths of the store's folders below root (companion folders left out), sorted,
// at most limit of them.
QStringList StoreFolders(const QString& root, int limit = 5000);
// Whether a name can be one folder's name: not empty, not "." or "..", and valid for a file
// (MakeValidFileName leaves it as it is). error gets a sentence for the user otherwise.
bool ValidateFolderName(const QString& name, QString& error);
// Whether a node path ("Trips/Italy") names folders the store can hold: not empty, and each
// name valid for a file (MakeValidFileName leaves it as it is) and not "." or "..". error
// gets a sentence for the user otherwise.
bool ValidateNodePath(const QString& path, QString& error);

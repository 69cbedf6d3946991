#pragma once
// The companion dialogs as Qt dialogs, made by TQtDialogFactory, and the helpers they share.
#include "pane/PlumetsLib.h"

#include <QStringList>

class QBoxLayout;
class QDialog;
class QDialogButtonBox;
class QWidget;
#include "store/UserPrompt.h"

class TQtDialogFactory : public TDialogFactory {
public:
    // The dialogs are owned by owner's window; their complaints go to prompt (nullptr: a
    // message box of the dialog's own).
    explicit TQtDialogFactory(QWidget* owner, TUserPrompt* prompt = nullptr) : FOwner(owner), FPrompt(prompt) {}
    ~TQtDialogFactory() override;
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
// The store's rules (StoreOperations::IsValidFolderName, IsValidNodePath, for names the store
// makes) with a sentence for the user in error when a name or path breaks them.
bool ValidateFolderName(const QString& name, QString& error);
bool ValidateNodePath(const QString& path, QString& error);
// Adds the OK and Cancel buttons of a dialog form to its layout, wired to accept and reject.
QDialogButtonBox* AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout);
// A store root as the dialogs keep it: ending with "/" unless empty.
QString StoreRootPath(const QString& root);

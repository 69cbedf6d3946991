#include "pane/AddFolderDlg.h"

#include "pane/PlumetDialogs.h"
#include "pane/QtStrings.h"
#include "platform/FileSystem.h"
#include "store/StoreOperations.h"
#include "store/UserPrompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

void TPlumetsAddFolderDlg::SetStoreRoot(const QString& value) {
    FStoreRoot = StoreRootPath(value);
}

// The pane hands over the focused node's path, which ends in a note's name when a note is
// focused: a path that is no folder on disk stands for the folder the note is in.
QString TPlumetsAddFolderDlg::CurrentFolderPath() const {
    QString path = FCurrentFolder;
    while (path.endsWith('/')) path.chop(1);
    if (path.isEmpty() || FileSystem::DirectoryExists(QToAnsi(FStoreRoot + path))) return path;
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QString() : path.left(slash);
}

QString TPlumetsAddFolderDlg::ParentFor(bool underCurrent) const {
    const QString current = CurrentFolderPath();
    if (underCurrent) return current;
    const qsizetype slash = current.lastIndexOf('/');
    return slash < 0 ? QString() : current.left(slash);
}

bool TPlumetsAddFolderDlg::CreateFolder(const QString& parent, const QString& name, QString& error) {
    const QString trimmed = name.trimmed();
    const QString path = parent.isEmpty() ? trimmed : parent + "/" + trimmed;
    if (!ValidateFolderName(trimmed, error)) return false;
    const std::string dir = QToAnsi(FStoreRoot + path);
    if (FileSystem::PathExists(dir)) {
        error = QString("A folder named \"%1\" already exists there. Please choose another name.").arg(trimmed);
        return false;
    }
    if (FStoreRoot.isEmpty() || !StoreOperations::MakeFolder(QToAnsi(FStoreRoot), QToAnsi(path)).Done) {
        error = QString("The folder \"%1\" could not be created.").arg(path);
        return false;
    }
    FNewFolder = path;
    return true;
}

void TPlumetsAddFolderDlg::ShowModal() {
    FAccepted = false;
    TAddFolderForm form(*this, FSuggestedName, FUnderCurrent, FPrompt, FOwner);
    FAccepted = form.exec() == QDialog::Accepted;
}

TAddFolderForm::TAddFolderForm(TPlumetsAddFolderDlg& dlg, const QString& name, bool underCurrent,
                               TUserPrompt& prompt, QWidget* parent)
    : QDialog(parent), FDlg(dlg), FPrompt(prompt) {
    setObjectName("PlumetsAddFolderDlg");
    setWindowTitle("Add Folder");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FName = new QLineEdit(name, this);
    FName->setObjectName("edtName");
    FName->selectAll();
    form->addRow("Folder &name:", FName);
    layout->addLayout(form);

    const QString current = dlg.CurrentFolderPath();
    const QString parentOfCurrent = dlg.ParentFor(false);
    FUnder = new QRadioButton(QString("&Inside \"%1\"").arg(current), this);
    FUnder->setObjectName("rbUnder");
    auto* beside = new QRadioButton(
        parentOfCurrent.isEmpty() ? QString("At the &top level") : QString("&Beside it, in \"%1\"").arg(parentOfCurrent),
        this);
    beside->setObjectName("rbBeside");
    FUnder->setEnabled(!current.isEmpty());
    (underCurrent && !current.isEmpty() ? FUnder : beside)->setChecked(true);
    layout->addWidget(FUnder);
    layout->addWidget(beside);

    AddOkCancelButtons(this, layout);
}

void TAddFolderForm::accept() {
    QString error;
    if (!FDlg.CreateFolder(FDlg.ParentFor(FUnder->isChecked()), FName->text(), error)) {
        FPrompt.Ask(QToAnsi(error), "Add Folder", TButtons::OK, TIcon::Warning);
        return;
    }
    QDialog::accept();
}

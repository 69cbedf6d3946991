#include "pane/PlumetDialogs.h"

#include "pane/AddFolderDlg.h"
#include "pane/AddNoteDlg.h"
#include "pane/MessageBoxPrompt.h"
#include "pane/PrefsDlg.h"
#include "pane/QtStrings.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/StoreListing.h"
#include "store/StoreOperations.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <algorithm>

TQtDialogFactory::~TQtDialogFactory() = default;

TUserPrompt& TQtDialogFactory::Prompt() {
    if (FPrompt) return *FPrompt;
    if (!FOwnPrompt) FOwnPrompt = std::make_unique<TMessageBoxPrompt>(FOwner);
    return *FOwnPrompt;
}

std::unique_ptr<IPlumetAddDlg> TQtDialogFactory::CreateAddDlg() {
    return std::make_unique<TPlumetAddDlg>(FOwner, Prompt());
}

std::unique_ptr<IPlumetsAddFolderDlg> TQtDialogFactory::CreateAddFolderDlg() {
    return std::make_unique<TPlumetsAddFolderDlg>(FOwner, Prompt());
}

std::unique_ptr<IPlumetsPrefs> TQtDialogFactory::CreatePrefs() { return std::make_unique<TPlumetsPrefs>(FOwner); }

QStringList StoreFolders(const QString& root, int limit) {
    QStringList result;
    std::vector<QString> pending = {QString()};
    const std::string base = QToAnsi(root);
    while (!pending.empty() && result.size() < limit) {
        const QString path = pending.back();
        pending.pop_back();
        const std::string dir = base + QToAnsi(path) + (path.isEmpty() ? "" : "/");
        for (const std::string& name : ReportUtils::GetCurFOldersList(dir, true)) {
            const QString child = path.isEmpty() ? AnsiToQ(name) : path + "/" + AnsiToQ(name);
            result.append(child);
            pending.push_back(child);
        }
    }
    result.sort(Qt::CaseInsensitive);
    return result.mid(0, limit);
}

bool ValidateFolderName(const QString& name, QString& error) {
    if (StoreOperations::IsValidFolderName(QToAnsi(name))) return true;
    error = QString("\"%1\" cannot be a folder name. A name may not be empty, begin with \".\", end in \".files\", "
                    "begin or end with a blank, hold two blanks in a row, or hold any of / \\ : * ? \" < > | [ ] & $ %.")
                .arg(name);
    return false;
}

bool ValidateNodePath(const QString& path, QString& error) {
    if (path.isEmpty()) {
        error = "Please choose a folder.";
        return false;
    }
    for (const QString& name : path.split('/'))
        if (!ValidateFolderName(name, error)) return false;
    return true;
}

QDialogButtonBox* AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName("buttons");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return buttons;
}

QString StoreRootPath(const QString& root) { return root.isEmpty() || root.endsWith('/') ? root : root + '/'; }

#include "pane/AddNoteDlg.h"

#include "pane/PlumetDialogs.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "settings/Trap.h"
#include "store/FileOperations.h"
#include "store/UserPrompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

TPlumetAddDlg::TPlumetAddDlg(QWidget* owner, TUserPrompt& prompt) : FOwner(owner), FPrompt(prompt) {}

void TPlumetAddDlg::SetStoreRoot(const QString& value) { FWriter.StoreRoot = QToAnsi(StoreRootPath(value)); }

void TPlumetAddDlg::ShowModal() {
    FAccepted = false;
    FWriter.EditFolder = FWriter.Folder;
    FWriter.EditTitle = FWriter.Title;
    bool append = FWriter.WouldAppend();
    // Editing a note always shows the form: the user asked to change it.
    if (FConfirmAddNote || FWriter.EditMode) {
        TAddNoteForm form(*this, append, FOwner);
        if (form.exec() != QDialog::Accepted) return;
        append = form.Append();
    } else {
        FWriter.Title = FWriter.DefaultName();
    }
    FAccepted = TrapVoid("TPlumetAddDlg.WriteNote", [&] {
        const bool pictures = FWriter.SaveImages || FWriter.EditMode;
        if (pictures) QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            FWriter.Write(append);
        } catch (...) {
            if (pictures) QApplication::restoreOverrideCursor();
            throw;
        }
        if (pictures) QApplication::restoreOverrideCursor();
    });
}

// ---- The form ----

TAddNoteForm::TAddNoteForm(TPlumetAddDlg& dlg, bool append, QWidget* parent) : QDialog(parent), FDlg(dlg) {
    setObjectName("PlumetAddDlg");
    setWindowTitle(dlg.FWriter.EditMode ? "Edit Note" : "Add Note");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FName = new QLineEdit(ToQ(dlg.FWriter.DefaultName()), this);
    FName->setObjectName("edtName");
    FFolder = new QComboBox(this);
    FFolder->setObjectName("cbFolder");
    FFolder->setEditable(true);
    FFolder->addItems(StoreFolders(AnsiToQ(dlg.FWriter.StoreRoot)));
    FFolder->setCurrentText(ToQ(dlg.FWriter.Folder));
    FURL = new QLineEdit(ToQ(dlg.FWriter.URL), this);
    FURL->setObjectName("edtURL");
    FComments = new QPlainTextEdit(ToQ(dlg.FWriter.Comments), this);
    FComments->setObjectName("memComments");
    FComments->setTabChangesFocus(true);
    form->addRow("&Name:", FName);
    form->addRow("&Folder:", FFolder);
    form->addRow("Source &address:", FURL);
    form->addRow("&Comments:", FComments);
    if (dlg.FAutoEdit) {
        FContent = new QPlainTextEdit(ToQ(dlg.FWriter.Content), this);
        FContent->setObjectName("memContent");
        form->addRow("Con&tent (HTML):", FContent);
    }
    layout->addLayout(form);

    auto* mode = new QGroupBox("Save as", this);
    auto* modeLayout = new QVBoxLayout(mode);
    FNew = new QRadioButton("A ne&w note", mode);
    FNew->setObjectName("rbNew");
    FAppend = new QRadioButton(QString("Added to the &last note \"%1\"").arg(ToQ(dlg.FWriter.PrevTitle)), mode);
    FAppend->setObjectName("rbAppend");
    FAppend->setEnabled(!dlg.FWriter.EmptyNote && !dlg.FWriter.EditMode && dlg.FWriter.LastNoteExists());
    (append ? FAppend : FNew)->setChecked(true);
    modeLayout->addWidget(FNew);
    modeLayout->addWidget(FAppend);
    mode->setVisible(!dlg.FWriter.EditMode);
    layout->addWidget(mode);

    FAddToLast = new QCheckBox("Add captures to the last note", this);
    FAddToLast->setObjectName("chkAddToLast");
    FAddToLast->setChecked(dlg.FWriter.NoteAddToLast);
    FNewOnNewSite = new QCheckBox("Start a new note when the site changes", this);
    FNewOnNewSite->setObjectName("chkNewOnNewSite");
    FNewOnNewSite->setChecked(dlg.FWriter.NewNoteOnNewSite);
    FConfirm = new QCheckBox("&Show this dialog before saving a note", this);
    FConfirm->setObjectName("chkConfirm");
    FConfirm->setChecked(dlg.FConfirmAddNote);
    layout->addWidget(FAddToLast);
    layout->addWidget(FNewOnNewSite);
    layout->addWidget(FConfirm);

    AddOkCancelButtons(this, layout);
    connect(FAppend, &QRadioButton::toggled, this, &TAddNoteForm::ModeChanged);
    FNewName = FName->text();
    FNewFolder = FFolder->currentText();
    ModeChanged();
}

bool TAddNoteForm::Append() const { return FAppend->isChecked(); }

// Appending writes into the last note: its name and folder show and cannot be changed.
void TAddNoteForm::ModeChanged() {
    const bool append = Append();
    if (append) {
        FNewName = FName->text();
        FNewFolder = FFolder->currentText();
        FName->setText(ToQ(FDlg.FWriter.PrevTitle));
        FFolder->setCurrentText(ToQ(FDlg.FWriter.PrevFolder));
    } else if (!FName->isEnabled()) {
        FName->setText(FNewName);
        FFolder->setCurrentText(FNewFolder);
    }
    FName->setEnabled(!append);
    FFolder->setEnabled(!append);
}

void TAddNoteForm::accept() {
    const bool append = Append();
    const QString folder = FFolder->currentText().trimmed();
    QString error;
    if (!append) {
        if (AnsiToQ(ReportUtils::MakeValidFileName(QToAnsi(FName->text()))).isEmpty())
            error = "Please enter a name for the note.";
        else if (!ValidateNodePath(folder, error))
            ;
        else if (!FileSystem::DirectoryExists(FDlg.FWriter.StoreRoot + QToAnsi(folder)))
            error = QString("The folder \"%1\" does not exist.").arg(folder);
    }
    if (!error.isEmpty()) {
        FDlg.FPrompt.Ask(QToAnsi(error), "Add Note", TButtons::OK, TIcon::Warning);
        return;
    }
    TNoteWriter& writer = FDlg.FWriter;
    writer.Title = QToWide(FName->text().trimmed());
    writer.Folder = append ? writer.PrevFolder : QToWide(folder);
    writer.URL = QToWide(FURL->text().trimmed());
    writer.Comments = QToWide(FComments->toPlainText());
    if (FContent) writer.Content = QToWide(FContent->toPlainText());
    writer.NoteAddToLast = FAddToLast->isChecked();
    writer.NewNoteOnNewSite = FNewOnNewSite->isChecked();
    FDlg.FConfirmAddNote = FConfirm->isChecked();
    QDialog::accept();
}

#include "pane/PrefsDlg.h"

#include "pane/AddNoteDlg.h"
#include "pane/PlumetDialogs.h"
#include "pane/QtStrings.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "settings/Trap.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Settings colours hold red in the lowest byte, then green, then blue.
QColor ToQColor(int colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }
int FromQColor(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

void ShowColour(QPushButton* button, const QColor& colour) {
    button->setProperty("colour", colour);
    button->setText(colour.name().toUpper());
    button->setStyleSheet(QString("background-color: %1; color: %2").arg(colour.name(), colour.lightness() < 128 ? "white" : "black"));
}

}  // namespace

void TPlumetsPrefs::ShowModal(int page) {
    FAccepted = false;
    TOptions options;
    options.Load();  // the registry file as the pane saved it just before
    TPrefsForm form(options, page, FOwner);
    if (form.exec() != QDialog::Accepted) return;
    form.Apply(options);
    FAccepted = options.Save();
}

TPrefsForm::TPrefsForm(const TOptions& options, int page, QWidget* parent) : QDialog(parent) {
    setObjectName("PlumetsPrefs");
    setWindowTitle("Preferences");
    auto* layout = new QVBoxLayout(this);
    FTabs = new QTabWidget(this);
    FTabs->setObjectName("tabs");
    FTabs->addTab(GeneralPage(options), "General");
    FTabs->addTab(CapturePage(options), "Capture");
    FTabs->addTab(MarkingPage(options), "Marking");
    FTabs->addTab(ReportsPage(options), "Reports");
    FTabs->addTab(EmailPage(options), "E-mail");
    layout->addWidget(FTabs);
    AddOkCancelButtons(this, layout);
    FTabs->setCurrentIndex(page >= 0 && page < FTabs->count() ? page : pgGeneral);
    if (page == pgEmail) FFromEmail->setFocus();
}

QCheckBox* TPrefsForm::Check(const char* name, const QString& caption, bool value, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(value);
    return box;
}

QPushButton* TPrefsForm::ColourButton(const char* name, int colour, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    ShowColour(button, ToQColor(colour));
    connect(button, &QPushButton::clicked, this, [this, button] {
        const QColor chosen = QColorDialog::getColor(button->property("colour").value<QColor>(), this);
        if (chosen.isValid()) ShowColour(button, chosen);
    });
    return button;
}

QWidget* TPrefsForm::GeneralPage(const TOptions& options) {
    auto* page = new QWidget;
    auto* layout = new QFormLayout(page);
    auto* storeRow = new QHBoxLayout;
    FStore = new QLineEdit(AnsiToQ(options.FolderToStore), page);
    FStore->setObjectName("edtFolderToStore");
    auto* browse = new QPushButton("&Browse...", page);
    browse->setObjectName("btnBrowseStore");
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, "Notes folder", FStore->text());
        if (!dir.isEmpty()) FStore->setText(dir);
    });
    storeRow->addWidget(FStore, 1);
    storeRow->addWidget(browse);
    layout->addRow("&Notes folder:", storeRow);
    FShowHints = Check("chkShowHints", "Show &hints on the notes tree", options.ShowHints, page);
    FConfirmDelNote = Check("chkConfirmDelNote", "Ask before deleting a &note", options.ConfirmDelNote, page);
    FConfirmDelFolder = Check("chkConfirmDelFolder", "Ask before deleting a &folder", options.ConfirmDelFolder, page);
    FInBrowserWindow = Check("chkShowSnippetInBrowserWindow", "Open notes and reports in the &current browser window",
                             options.ShowSnippetInBrowserWindow, page);
    for (QCheckBox* box : {FShowHints, FConfirmDelNote, FConfirmDelFolder, FInBrowserWindow}) layout->addRow(box);
    return page;
}

QWidget* TPrefsForm::CapturePage(const TOptions& options) {
    auto* page = new QWidget;
    auto* layout = new QFormLayout(page);
    FConfirmAddNote = Check("chkConfirmAddNote", "&Show the save dialog before saving a note", options.ConfirmAddNote, page);
    FSaveImages = Check("chkSaveImages", "Save the page's &images with the note", options.SaveImages, page);
    FAutoEdit = Check("chkAutoEditOnAppend", "Let me &edit the note's content when saving", options.AutoEditOnAppend, page);
    FAddToLast = Check("chkNoteAddToLast", "&Add captures to the last note", options.NoteAddToLast, page);
    FNewOnNewSite = Check("chkNewNoteOnNewSite", "Start a new note when the &site changes", options.NewNoteOnNewSite, page);
    for (QCheckBox* box : {FConfirmAddNote, FSaveImages, FAutoEdit, FAddToLast, FNewOnNewSite}) layout->addRow(box);
    FNewNoteMode = new QComboBox(page);
    FNewNoteMode->setObjectName("cbForceNewNoteMode");
    FNewNoteMode->addItem("Append whenever the last note is in the same folder", int(nmAppendWhenPossible));
    FNewNoteMode->addItem("Decide by the two settings above", int(nmBySettings));
    FNewNoteMode->addItem("Always start a new note", int(nmAlwaysNew));
    const int index = FNewNoteMode->findData(options.ForceNewNoteMode);
    FNewNoteMode->setCurrentIndex(index >= 0 ? index : 1);
    layout->addRow("New note or &append:", FNewNoteMode);
    return page;
}

QWidget* TPrefsForm::MarkingPage(const TOptions& options) {
    auto* page = new QWidget;
    auto* layout = new QFormLayout(page);
    FMarkSelection = Check("chkMarkSelection", "&Mark the captured text in the page", options.MarkSelection, page);
    layout->addRow(FMarkSelection);
    FMarkColor = ColourButton("btnMarkColor", options.MarkColor, page);
    FMarkBgColor = ColourButton("btnMarkBgColor", options.MarkBgColor, page);
    layout->addRow("&Text colour:", FMarkColor);
    layout->addRow("&Background colour:", FMarkBgColor);
    return page;
}

QWidget* TPrefsForm::ReportsPage(const TOptions& options) {
    auto* page = new QWidget;
    auto* layout = new QFormLayout(page);
    FTemplate = new QComboBox(page);
    FTemplate->setObjectName("cbReportTemplate");
    FTemplate->setEditable(true);
    std::vector<FileSystem::TSearchRec> templates;
    FileSystem::ListFolder(options.AppPath + "Templates/", "*.html", FileSystem::faArchive | FileSystem::faReadOnly,
                           templates);
    for (const auto& rec : templates) FTemplate->addItem(AnsiToQ(FileSystem::ChangeFileExt(rec.Name, "")));
    FTemplate->model()->sort(0);
    FTemplate->setCurrentText(AnsiToQ(options.SimpleReportDefTemplate));
    layout->addRow("Report &template:", FTemplate);
    return page;
}

QWidget* TPrefsForm::EmailPage(const TOptions& options) {
    auto* page = new QWidget;
    auto* layout = new QFormLayout(page);
    FFromName = new QLineEdit(AnsiToQ(options.FromName), page);
    FFromName->setObjectName("edtFromName");
    FFromEmail = new QLineEdit(AnsiToQ(options.FromEmail), page);
    FFromEmail->setObjectName("edtFromEmail");
    FSendAsAttach = Check("chkSendAsAttach", "Describe the note in the mail's &body", options.SendAsAttach, page);
    layout->addRow("Your &name:", FFromName);
    layout->addRow("Your e-mail &address (for replies):", FFromEmail);
    layout->addRow(FSendAsAttach);
    return page;
}

void TPrefsForm::Apply(TOptions& options) const {
    std::string store = QToAnsi(FStore->text().trimmed());
    if (!store.empty()) options.FolderToStore = FileSystem::IncludeTrailingPathDelimiter(store);
    options.ShowHints = FShowHints->isChecked();
    options.ConfirmDelNote = FConfirmDelNote->isChecked();
    options.ConfirmDelFolder = FConfirmDelFolder->isChecked();
    options.ShowSnippetInBrowserWindow = FInBrowserWindow->isChecked();
    options.ConfirmAddNote = FConfirmAddNote->isChecked();
    options.SaveImages = FSaveImages->isChecked();
    options.AutoEditOnAppend = FAutoEdit->isChecked();
    options.NoteAddToLast = FAddToLast->isChecked();
    options.NewNoteOnNewSite = FNewOnNewSite->isChecked();
    options.ForceNewNoteMode = FNewNoteMode->currentData().toInt();
    options.MarkSelection = FMarkSelection->isChecked();
    options.MarkColor = FromQColor(FMarkColor->property("colour").value<QColor>());
    options.MarkBgColor = FromQColor(FMarkBgColor->property("colour").value<QColor>());
    const QString templateName = FTemplate->currentText().trimmed();
    if (!templateName.isEmpty()) options.SimpleReportDefTemplate = QToAnsi(templateName);
    options.FromName = QToAnsi(FFromName->text().trimmed());
    options.FromEmail = QToAnsi(FFromEmail->text().trimmed());
    options.SendAsAttach = FSendAsAttach->isChecked();
}

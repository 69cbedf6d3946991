#include "pane/AddNoteDlg.h"

#include "pane/HtmlImageRefs.h"
#include "pane/NoteImages.h"
#include "pane/PlumetDialogs.h"
#include "pane/QtStrings.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "settings/Trap.h"
#include "store/ReportUtils.h"
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
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

// Longest note name the dialog makes, in characters and in bytes of the file name, so that
// the name with ".files", a number and a picture's name still fits in a file name.
constexpr int MaxTitleLength = 100;
constexpr size_t MaxTitleBytes = 150;

// The note's HTML as the bytes of the file: the ANSI code page when it is UTF-8; otherwise
// ASCII with every other character as a numeric character reference, which any code page holds.
std::string EncodeHtml(const QString& html) {
    if (CodePage::IsUtf8()) return html.toStdString();
    std::string out;
    out.reserve(static_cast<size_t>(html.size()));
    for (const char32_t c : html.toUcs4()) {
        if (c < 0x80)
            out += static_cast<char>(c);
        else
            out += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
    }
    return out;
}

QString CharsetName() { return CodePage::IsUtf8() ? QString("UTF-8") : AnsiToQ(CodePage::AnsiCodeSet()); }

QString NewNoteDocument(const QString& title, const QString& body) {
    return "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + CharsetName() +
           "\">\r\n<title>" + title.toHtmlEscaped() + "</title>\r\n</head>\r\n<body>\r\n" + body +
           "\r\n</body>\r\n</html>\r\n";
}

// The part an appended capture adds: a rule, the page it came from, the content.
QString AppendedPart(const QString& url, const QString& originalTitle, const QString& body) {
    QString part = "\r\n<hr>\r\n";
    if (!url.isEmpty()) {
        const QString caption = originalTitle.isEmpty() ? url : originalTitle;
        part += "<p><small><a href=\"" + url.toHtmlEscaped() + "\">" + caption.toHtmlEscaped() + "</a></small></p>\r\n";
    }
    return part + body + "\r\n";
}

// Inserts the addition before the document's last "</body>", or at its end without one.
std::string InsertBeforeBodyEnd(const std::string& document, const std::string& addition) {
    const std::string lower = Strings::AsciiLower(document);
    const size_t at = lower.rfind("</body");
    if (at == std::string::npos) return document + addition;
    return document.substr(0, at) + addition + document.substr(at);
}

// In a note being edited, the warning line right above the info block: the block is written
// anew with its own warning line, so the old one would otherwise pile up below it.
QString DropOldWarningLine(const QString& text) {
    const QString warning = QString::fromLatin1(ReportUtils::NoteWarningLine);
    const qsizetype begin = text.indexOf(QString::fromLatin1(ReportUtils::NoteBeginMarker));
    if (begin < 0) return text;
    const qsizetype at = text.lastIndexOf(warning, begin);
    if (at < 0 || !text.mid(at + warning.size(), begin - at - warning.size()).trimmed().isEmpty()) return text;
    return text.left(at) + text.mid(begin);
}

}  // namespace

// The rule that decides between a new note and appending to the last one. A capture is
// appended to the last note only when all of these hold:
//   1. it is a capture with content: not an empty note, not the properties command;
//   2. NoteAddToLast is on and ForceNewNoteMode is not nmAlwaysNew;
//   3. the last note (PrevFolder / PrevTitle) still exists, and the capture goes to the
//      same folder (Folder equals PrevFolder exactly);
//   4. the site does not matter (ForceNewNoteMode nmAppendWhenPossible, or NewNoteOnNewSite
//      off), or the capture's site equals the last capture's site PrevBaseURL (ignoring case).
// Otherwise it becomes a new note. When the dialog is shown the user can still change it.
bool ChooseAppend(const TAppendInputs& in) {
    if (in.EmptyNote || in.EditMode) return false;
    if (!in.NoteAddToLast || in.ForceNewNoteMode == nmAlwaysNew) return false;
    if (!in.LastNoteExists || in.PrevTitle.isEmpty() || in.Folder != in.PrevFolder) return false;
    const bool siteMatters = in.ForceNewNoteMode != nmAppendWhenPossible && in.NewNoteOnNewSite;
    return !siteMatters || in.Site.compare(in.PrevBaseURL, Qt::CaseInsensitive) == 0;
}

TPlumetAddDlg::TPlumetAddDlg(QWidget* owner, TUserPrompt& prompt) : FOwner(owner), FPrompt(prompt) {}

void TPlumetAddDlg::SetStoreRoot(const QString& value) {
    FStoreRoot = StoreRootPath(value);
}

// The properties command calls this (before it sets Folder and Title): the note named by
// the Folder and Title the dialog holds when it is shown is being edited.
void TPlumetAddDlg::SetEditMode(int) { FEditMode = true; }

std::string TPlumetAddDlg::NoteDir(const QString& folder) const { return QToAnsi(FStoreRoot + folder) + "/"; }

bool TPlumetAddDlg::LastNoteExists() const {
    if (FPrevTitle.isEmpty() || FStoreRoot.isEmpty()) return false;
    return FileSystem::FileExists(NoteDir(FPrevFolder) + QToAnsi(FPrevTitle) + ".html");
}

bool TPlumetAddDlg::WouldAppend() const {
    TAppendInputs in;
    in.EmptyNote = FEmptyNote;
    in.EditMode = FEditMode;
    in.NoteAddToLast = FNoteAddToLast;
    in.NewNoteOnNewSite = FNewNoteOnNewSite;
    in.ForceNewNoteMode = FForceNewNoteMode;
    in.Folder = FFolder;
    in.PrevFolder = FPrevFolder;
    in.PrevTitle = FPrevTitle;
    in.PrevBaseURL = FPrevBaseURL;
    in.Site = AnsiToQ(ReportUtils::GetShortURL(QToAnsi(FURL)));
    in.LastNoteExists = LastNoteExists();
    return ChooseAppend(in);
}

QString TPlumetAddDlg::DefaultName() const {
    if (!FTitle.isEmpty()) return FTitle;
    if (!FOriginalTitle.isEmpty()) return FOriginalTitle;
    return FEmptyNote ? QString("New note") : QString("Note");
}

QString TPlumetAddDlg::FinalTitle(const QString& name, bool append) const {
    if (append) return FPrevTitle;
    QString cut = name.left(MaxTitleLength);
    while (QToAnsi(cut).size() > MaxTitleBytes) cut.chop(1);
    QString title = AnsiToQ(ReportUtils::MakeValidFileName(QToAnsi(cut)));
    if (title.isEmpty() || title.startsWith('.')) title = "Note" + title;
    const std::string dir = NoteDir(FFolder);
    // The note being edited keeps its own file name.
    if (FEditMode && FFolder == FEditFolder && title == FEditTitle) return title;
    const std::string path = ReportUtils::FindUnusedFileName(dir + QToAnsi(title), "html", "-");
    const std::string file = FileSystem::ExtractFileName(path);
    return AnsiToQ(file.substr(0, file.size() - 5));
}

void TPlumetAddDlg::ShowModal() {
    FAccepted = false;
    FSavedImages = 0;
    FEditFolder = FFolder;
    FEditTitle = FTitle;
    bool append = WouldAppend();
    // Editing a note always shows the form: the user asked to change it.
    if (FConfirmAddNote || FEditMode) {
        TAddNoteForm form(*this, append, FOwner);
        if (form.exec() != QDialog::Accepted) return;
        append = form.Append();
    } else {
        FTitle = DefaultName();
    }
    FAccepted = TrapVoid("TPlumetAddDlg.WriteNote", [&] { WriteNote(append); });
}

// Writes the note: a new document, the capture appended to the last note, or (properties
// command) the edited note's text under its possibly new name. Pictures go into the note's
// companion folder and the HTML points at them.
void TPlumetAddDlg::WriteNote(bool append) {
    if (append) FFolder = FPrevFolder;
    QString error;
    if (FStoreRoot.isEmpty() || !ValidateNodePath(FFolder, error)) throw EInOutError(QToAnsi(error));
    FTitle = FinalTitle(FTitle, append);
    const std::string dir = NoteDir(FFolder);
    if (!FileSystem::ForceDirectories(dir)) throw EInOutError("cannot create the folder " + dir);
    const std::string file = dir + QToAnsi(FTitle) + ".html";
    const QString site = AnsiToQ(ReportUtils::GetShortURL(QToAnsi(FURL)));

    QString body = FEditMode ? DropOldWarningLine(FContent) : FContent;
    if (FContentKind == 2) body = QString::fromStdString(HtmlImageRefs::ImagesOnly(body.toStdString()));
    QUrl base = QUrl(FURL);
    if (FEditMode) base = QUrl::fromLocalFile(AnsiToQ(NoteDir(FEditFolder)));
    TNoteImageSaver images(file.substr(0, file.size() - 5) + ".files/", FTitle + ".files", base);
    images.SetSaveForeign(FSaveImages);
    if (FEditMode) images.SetOwnFolder(NoteDir(FEditFolder) + QToAnsi(FEditTitle) + ".files/");
    if (FSaveImages || FEditMode) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        body = QString::fromStdString(images.Process(body.toStdString()));
        QApplication::restoreOverrideCursor();
        FSavedImages = images.SavedCount();
    }

    std::string bytes;
    if (FEditMode)
        bytes = EncodeHtml(body);
    else if (append)
        bytes = InsertBeforeBodyEnd(FileSystem::ReadFile(file), EncodeHtml(AppendedPart(FURL, FOriginalTitle, body)));
    else
        bytes = EncodeHtml(NewNoteDocument(FTitle, body));
    if (append) KeepLastNoteInfo(file);
    FileSystem::WriteFileAtomic(file, bytes);

    if (FEditMode) {
        // The last note renamed by this edit stays the last note.
        if (FPrevFolder == FEditFolder && FPrevTitle == FEditTitle) {
            FPrevFolder = FFolder;
            FPrevTitle = FTitle;
        }
        return;
    }
    FPrevFolder = FFolder;
    FPrevTitle = FTitle;
    FPrevBaseURL = site;
}

// The caller writes the info block from the dialog's values. For an appended capture those
// are the last note's own source and comments, with this capture's comment added below, so
// the note keeps the page it was started from (each appended part names its own source).
void TPlumetAddDlg::KeepLastNoteInfo(const std::string& file) {
    ReportUtils::TNoteInfo info;
    if (!ReportUtils::LoadNodeFromFile(file, info)) return;
    FURL = ToQ(info.OriginalURL);
    FOriginalTitle = ToQ(info.OriginalTitle);
    const QString added = FComments.trimmed();
    FComments = ToQ(info.Comments);
    if (!added.isEmpty()) FComments += (FComments.isEmpty() ? "" : "\n") + added;
}

// ---- The form ----

TAddNoteForm::TAddNoteForm(TPlumetAddDlg& dlg, bool append, QWidget* parent) : QDialog(parent), FDlg(dlg) {
    setObjectName("PlumetAddDlg");
    setWindowTitle(dlg.FEditMode ? "Edit Note" : "Add Note");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FName = new QLineEdit(dlg.DefaultName(), this);
    FName->setObjectName("edtName");
    FFolder = new QComboBox(this);
    FFolder->setObjectName("cbFolder");
    FFolder->setEditable(true);
    FFolder->addItems(StoreFolders(dlg.FStoreRoot));
    FFolder->setCurrentText(dlg.FFolder);
    FURL = new QLineEdit(dlg.FURL, this);
    FURL->setObjectName("edtURL");
    FComments = new QPlainTextEdit(dlg.FComments, this);
    FComments->setObjectName("memComments");
    FComments->setTabChangesFocus(true);
    form->addRow("&Name:", FName);
    form->addRow("&Folder:", FFolder);
    form->addRow("Source &address:", FURL);
    form->addRow("&Comments:", FComments);
    if (dlg.FAutoEdit) {
        FContent = new QPlainTextEdit(dlg.FContent, this);
        FContent->setObjectName("memContent");
        form->addRow("Con&tent (HTML):", FContent);
    }
    layout->addLayout(form);

    auto* mode = new QGroupBox("Save as", this);
    auto* modeLayout = new QVBoxLayout(mode);
    FNew = new QRadioButton("A ne&w note", mode);
    FNew->setObjectName("rbNew");
    FAppend = new QRadioButton(QString("Added to the &last note \"%1\"").arg(dlg.FPrevTitle), mode);
    FAppend->setObjectName("rbAppend");
    FAppend->setEnabled(!dlg.FEmptyNote && !dlg.FEditMode && dlg.LastNoteExists());
    (append ? FAppend : FNew)->setChecked(true);
    modeLayout->addWidget(FNew);
    modeLayout->addWidget(FAppend);
    mode->setVisible(!dlg.FEditMode);
    layout->addWidget(mode);

    FAddToLast = new QCheckBox("Add captures to the last note", this);
    FAddToLast->setObjectName("chkAddToLast");
    FAddToLast->setChecked(dlg.FNoteAddToLast);
    FNewOnNewSite = new QCheckBox("Start a new note when the site changes", this);
    FNewOnNewSite->setObjectName("chkNewOnNewSite");
    FNewOnNewSite->setChecked(dlg.FNewNoteOnNewSite);
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
        FName->setText(FDlg.FPrevTitle);
        FFolder->setCurrentText(FDlg.FPrevFolder);
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
        else if (!FileSystem::DirectoryExists(QToAnsi(FDlg.FStoreRoot + folder)))
            error = QString("The folder \"%1\" does not exist.").arg(folder);
    }
    if (!error.isEmpty()) {
        FDlg.FPrompt.Ask(QToAnsi(error), "Add Note", TButtons::OK, TIcon::Warning);
        return;
    }
    FDlg.FTitle = FName->text().trimmed();
    FDlg.FFolder = append ? FDlg.FPrevFolder : folder;
    FDlg.FURL = FURL->text().trimmed();
    FDlg.FComments = FComments->toPlainText();
    if (FContent) FDlg.FContent = FContent->toPlainText();
    FDlg.FNoteAddToLast = FAddToLast->isChecked();
    FDlg.FNewNoteOnNewSite = FNewOnNewSite->isChecked();
    FDlg.FConfirmAddNote = FConfirm->isChecked();
    QDialog::accept();
}

// The pane's capture: the five capture commands, AddNote with the add-note dialog, marking
// the captured text in the page, and the drops of foreign data and the clipboard, which are
// read by the drop target and become notes after the drop has returned.
#include "pane/frmMain.h"

#include "pane/QtDataObject.h"
#include "pane/QtStrings.h"
#include "platform/DateTime.h"
#include "settings/DebugM.h"
#include "settings/Options.h"
#include "settings/Trap.h"
#include "store/NoteFile.h"
#include "store/TextHelpers.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>

namespace {

enum : int { ckSelection = 10, ckEmpty = 20, ckClipboardTag = 30, ckAllImages = 50, ckPage = 60, ckDropped = 80 };

// The page's editing commands by their command numbers.
enum : int { cmdSelectAll = 31, cmdBackColor = 51, cmdForeColor = 55, cmdUnselect = 2007 };
enum : int { execDontPrompt = 2 };

}  // namespace

void TfrmMain::actAddSelectionExecute(int tag) {
    TrapVoid("TfrmMain.actAddSelectionExecute", [&] {
        if (tag != ckClipboardTag) {
            AddNote(tag, QString(), QString(), QString(), QString(), QString());
            return;
        }
        TQtDataObject clipboard(QGuiApplication::clipboard()->mimeData());
        if (FDropTarget->ClipbardCheckValidFormats(&clipboard) && FDropTarget->ClipboardGetData(&clipboard))
            AddNote(ckDropped, ToQ(FDropTarget->HTML), QString(), ToQ(FDropTarget->URL()), QString(), QString());
    });
}

void TfrmMain::AddNote(int kind, const QString& content, QString folder, QString url, QString title, QString charset) {
    TrapVoid("TfrmMain.AddNote", [&] {
        if (FModel->Root()->Children.empty()) {
            const TAnswer answer = FPrompt->Ask("There are no existing folders. \r\nWould you like to create a new one?",
                                                "Folders", TButtons::YesNo, TIcon::Question);
            if (answer != TAnswer::Yes) return;
            folder = GetDocTitle();
            if (!DoADdNewFolder(folder, false)) return;
            folder.clear();  // the new folder is now DefFolder
        }
        if (folder.isEmpty()) folder = AnsiToQ(Options->DefFolder);
        TWebDocument* doc = kind != ckDropped ? GetDoc() : nullptr;
        if (doc) {
            url = doc->Location();
            title = doc->Title();
            charset = doc->Charset();
        }
        QString body = content;
        int contentKind = 0;
        switch (kind) {
            case ckSelection:
                body.clear();
                if (doc && !doc->SelectionHtml(body)) {
                    body.clear();
                    DebugM::LogError("TfrmMain.AddNote.1");
                }
                break;
            case ckEmpty: body.clear(); break;
            case ckAllImages:
                title = "Images from " + title;
                if (doc) body = doc->BodyHtml();
                contentKind = 2;
                break;
            case ckPage:
                if (doc) {
                    body = doc->BodyHtml();
                    title = doc->Title();
                }
                break;
            default: break;
        }

        std::unique_ptr<IPlumetAddDlg> dlg = FDialogs->CreateAddDlg();
        dlg->SetURL(url);
        dlg->SetEmptyNote(kind == ckEmpty);
        dlg->SetFolder(folder);
        dlg->SetOriginalTitle(title);
        if (kind == ckAllImages || kind == ckPage || kind == ckDropped) dlg->SetTitle(title);
        dlg->SetContent(body);
        dlg->SetCharset(charset);
        dlg->SetContentKind(contentKind);
        dlg->SetAutoEdit(kind == ckEmpty ? true : (kind == ckAllImages || kind == ckPage) ? false : Options->AutoEditOnAppend);
        dlg->SetStoreRoot(AnsiToQ(Options->FolderToStore));
        dlg->SetSaveImages(Options->SaveImages);
        dlg->SetConfirmAddNote(Options->ConfirmAddNote);
        dlg->SetNoteAddToLast(Options->NoteAddToLast);
        dlg->SetNewNoteOnNewSite(Options->NewNoteOnNewSite);
        dlg->SetForceNewNoteMode(Options->ForceNewNoteMode);
        dlg->SetPrevBaseURL(AnsiToQ(Options->PrevBaseURL));
        dlg->SetPrevFolder(AnsiToQ(Options->PrevFolder));
        dlg->SetPrevTitle(AnsiToQ(Options->PrevTitle));
        dlg->ShowModal();

        if (dlg->Accepted()) {
            const QString fileName = AnsiToQ(Options->FolderToStore) + dlg->Folder() + "/" + dlg->Title() + ".html";
            UpdateNode(fileName, dlg->Title(), dlg->OriginalTitle(), dlg->URL(), dlg->Comments(), DateTimeUtils::Now());
            if (kind == ckPage || kind == ckAllImages) SelectAll();
            MarkSelection();
            Options->DefFolder = QToAnsi(dlg->Folder());
            Options->ConfirmAddNote = dlg->ConfirmAddNote();
            Options->PrevFolder = QToAnsi(dlg->PrevFolder());
            Options->PrevTitle = QToAnsi(dlg->PrevTitle());
            Options->PrevBaseURL = QToAnsi(dlg->PrevBaseURL());
            LoadTree(true);
        }
        Options->NewNoteOnNewSite = dlg->NewNoteOnNewSite();
        Options->NoteAddToLast = dlg->NoteAddToLast();
        Options->ForceNewNoteMode = dlg->ForceNewNoteMode();
        Options->Save();
    });
}

void TfrmMain::UpdateNode(const QString& fileName, const QString& title, const QString& originalTitle,
                          const QString& originalURL, const QString& comments, TDateTime created) {
    TrapVoid("TfrmMain.UpdateNode", [&] {
        ReportUtils::SaveNodeToXML(QToAnsi(fileName), QToAnsi(title), QToAnsi(originalTitle), QToAnsi(originalURL),
                                   created, QToAnsi(comments));
    });
}

void TfrmMain::MarkSelection() {
    TrapVoid("TfrmMain.MarkSelection", [&] {
        if (!Options->MarkSelection) return;
        const QString fore = AnsiToQ(ReportUtils::ColorToRGB(Options->MarkColor));
        const QString back = AnsiToQ(ReportUtils::ColorToRGB(Options->MarkBgColor));
        InvokeCMD(cmdForeColor, 0, fore);
        InvokeCMD(cmdBackColor, 0, back);
        InvokeCMD(cmdUnselect, 0, back);
    });
}

void TfrmMain::InvokeCMD(int command, int option, const QString& in, QString* out) {
    TrapVoid("TfrmMain.InvokeCMD", [&] {
        TWebBrowser* browser = GetWebBrowser();
        TWebDocument* doc = browser ? browser->Document() : nullptr;
        if (!doc) return;
        bool done = false;
        switch (command) {
            case cmdSelectAll: done = doc->ExecCommand("selectAll"); break;
            case cmdForeColor: done = doc->ExecCommand("foreColor", "#" + in); break;
            case cmdBackColor: done = doc->ExecCommand("backColor", "#" + in); break;
            case cmdUnselect: done = doc->ExecCommand("unselect"); break;
            default: break;
        }
        if (out) *out = done ? "1" : "0";
    });
}

void TfrmMain::SelectAll() { InvokeCMD(cmdSelectAll, execDontPrompt, QString()); }

// ---- Drops ----

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    TQtDataObject data(event->mimeData());
    if (!FDropTarget->HasValidFormats(data)) return;
    // Copy or link, never move: the source program keeps its data.
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (event->possibleActions() & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else
        return;
    event->accept();
}

void TfrmMain::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void TfrmMain::dropEvent(QDropEvent* event) {
    TQtDataObject data(event->mimeData());
    if (!FDropTarget->DoGetData(&data)) return;
    event->setDropAction(event->possibleActions() & Qt::CopyAction ? Qt::CopyAction : Qt::LinkAction);
    event->accept();
    OnDragDrop(QString());
}

bool TfrmMain::DropForeignData(const QMimeData* mime, TNode* node) {
    return Trap("TfrmMain.DropForeignData", false, [&] {
        TQtDataObject data(mime);
        if (!FDropTarget->CheckValidFormats(data) || !FDropTarget->GetDataFromDataObject(data)) return false;
        while (node && node->Data && !node->Data->IsFolder) node = node->Parent;
        OnDragDrop(node && node->Data ? GetNodePath(node) : QString());
        return true;
    });
}

void TfrmMain::OnDragDrop(const QString& folderPath) {
    TrapVoid("TfrmMai.OnDragDrop", [&] {
        QMetaObject::invokeMethod(this, [this, folderPath] { DoDrop(folderPath); }, Qt::QueuedConnection);
    });
}

void TfrmMain::DoDrop(const QString& folderPath) {
    TrapVoid("TfrmMain.DoDrop", [&] {
        AddNote(ckDropped, ToQ(FDropTarget->HTML), folderPath, ToQ(FDropTarget->URL()), ToQ(FDropTarget->Title), QString());
    });
}

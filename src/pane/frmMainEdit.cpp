// The pane's commands that organise the store: add a folder, rename one in place, delete a
// note or a folder, edit a note in the add-note dialog, and move nodes by dragging them
// inside the tree. The files change first (through StoreOperations); the tree follows only
// what was done on disk.
#include "pane/frmMain.h"

#include "store/HtmlImageRefs.h"
#include "pane/QtStrings.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "settings/Options.h"
#include "settings/Trap.h"
#include "store/FileOperations.h"
#include "store/NoteFile.h"
#include "store/TextHelpers.h"
#include "store/StoreOperations.h"

#include <QUrl>
#include <unistd.h>

namespace {

constexpr int MaxProposedLength = 30;
constexpr int MinCutPosition = 10;

std::string StoreRoot() { return Options->FolderToStore; }

// A folder renamed or moved from oldPath to newPath: DefFolder, when it lies in it, follows,
// so the next reload reopens the same folder.
void FollowDefFolder(const std::string& oldPath, const std::string& newPath) {
    std::string& def = Options->DefFolder;
    if (oldPath == newPath || !(def == oldPath || Strings::StartsWith(def, oldPath + "/"))) return;
    def = newPath + def.substr(oldPath.size());
    Options->Save();
}

// Points the note's picture references from its old companion folder to the new one. The
// old folder is found written plain or percent-encoded ("Idea.files/a.png"); the new one is
// written percent-encoded, as the add-note dialog writes it.
void PointPicturesAt(const std::string& file, const std::string& oldFolder, const std::string& newFolder) {
    const std::string html = FileSystem::ReadFile(file);
    const std::vector<HtmlImageRefs::TImageRef> refs = HtmlImageRefs::FindImageRefs(html);
    const std::string encodedOld = Strings::PercentEncode(oldFolder) + "/";
    const std::string encodedNew = Strings::PercentEncode(newFolder) + "/";
    std::vector<std::string> urls;
    bool any = false;
    for (const auto& ref : refs) {
        std::string url;
        for (const std::string& from : {oldFolder + "/", encodedOld})
            if (url.empty() && Strings::StartsWith(ref.Url, from)) url = encodedNew + ref.Url.substr(from.size());
        any = any || !url.empty();
        urls.push_back(url);
    }
    if (any) FileSystem::WriteFileAtomic(file, HtmlImageRefs::ReplaceImageRefs(html, refs, urls));
}

// The edited note now lives in newFile: its pictures go to the new companion folder, its
// references point there, and the old file goes. When the pictures cannot all follow, the
// old note stays with them and the message says where; returns that message ("" when done).
std::string RetireEditedNote(const std::string& oldFile, const std::string& newFile) {
    // The dialog wrote nothing under the new name: the old note is all there is.
    if (!FileSystem::FileExists(newFile)) return {};
    const std::string oldFolder = FileSystem::ChangeFileExt(oldFile, ".files");
    const std::string newFolder = FileSystem::ChangeFileExt(newFile, ".files");
    const bool hadPictures = FileSystem::DirectoryExists(oldFolder);
    if (!StoreOperations::CarryCompanionFolder(oldFolder, newFolder))
        return "The pictures of the note could not all be moved to \"" + newFolder + "\"; they stay in \"" +
               oldFolder + "\" with the old note \"" + oldFile + "\".";
    if (hadPictures)
        PointPicturesAt(newFile, FileSystem::ExtractFileName(oldFolder), FileSystem::ExtractFileName(newFolder));
    ::unlink(oldFile.c_str());
    return {};
}

// The add-note dialog set up to edit the note rec in folder parentPath with its file's text.
void SetUpEditDialog(IPlumetAddDlg& dlg, const TMyNode& rec, const QString& parentPath, const QString& content) {
    dlg.SetEditMode(true);
    dlg.SetFolder(parentPath);
    dlg.SetURL(rec.OriginalURL);
    dlg.SetTitle(rec.Name);
    dlg.SetOriginalTitle(rec.OriginalTitle);
    dlg.SetComments(rec.Comments);
    dlg.SetStoreRoot(AnsiToQ(StoreRoot()));
    dlg.SetCharset(QString());
    dlg.SetAutoEdit(true);
    dlg.SetSaveImages(Options->SaveImages);
    dlg.SetContent(content);
    dlg.SetContentKind(0);
    dlg.SetConfirmAddNote(Options->ConfirmAddNote);
    dlg.SetNoteAddToLast(Options->NoteAddToLast);
    dlg.SetNewNoteOnNewSite(Options->NewNoteOnNewSite);
    dlg.SetPrevFolder(AnsiToQ(Options->PrevFolder));
    dlg.SetPrevTitle(AnsiToQ(Options->PrevTitle));
    dlg.SetPrevBaseURL(AnsiToQ(Options->PrevBaseURL));
    dlg.SetForceNewNoteMode(Options->ForceNewNoteMode);
}

void KeepDialogSettings(IPlumetAddDlg& dlg) {
    Options->DefFolder = QToAnsi(dlg.Folder());
    Options->ConfirmAddNote = dlg.ConfirmAddNote();
    Options->NewNoteOnNewSite = dlg.NewNoteOnNewSite();
    Options->NoteAddToLast = dlg.NoteAddToLast();
    Options->PrevFolder = QToAnsi(dlg.PrevFolder());
    Options->PrevTitle = QToAnsi(dlg.PrevTitle());
    Options->PrevBaseURL = QToAnsi(dlg.PrevBaseURL());
    Options->ForceNewNoteMode = dlg.ForceNewNoteMode();
    Options->Save();
}

}  // namespace

// ---- Adding a folder ----

// A title longer than the limit is cut to it, and then after the last space from the limit
// down to the tenth character, so the proposal ends on a whole word.
QString TfrmMain::ProposeFolderName(const QString& title) {
    QString text = title;
    if (text.size() > MaxProposedLength) {
        text.truncate(text.at(MaxProposedLength - 1).isHighSurrogate() ? MaxProposedLength - 1 : MaxProposedLength);
        for (int i = static_cast<int>(text.size()); i >= MinCutPosition; --i)
            if (text.at(i - 1) == ' ') {
                text.truncate(i);
                break;
            }
    }
    const std::string name = ReportUtils::MakeValidFileName(ReportUtils::DelSpace1(ReportUtils::TagKiller(QToAnsi(text))));
    return AnsiToQ(Strings::Trim(name));
}

void TfrmMain::actAddFolderExecute(int tag) {
    TrapVoid("TfrmMain.actAddFolderExecute", [&] {
        DoADdNewFolder(ProposeFolderName(GetDocTitle()), tag == 1);  // it reloads the tree itself
    });
}

bool TfrmMain::DoADdNewFolder(const QString& name, bool underCurrent) {
    return Trap("TfrmMain.DoADdNewFolder", false, [&] {
        Options->Save();  // the dialog reads the current values from the registry
        std::unique_ptr<IPlumetsAddFolderDlg> dlg = Dialogs().CreateAddFolderDlg();
        dlg->SetSuggestedName(name);
        dlg->SetCurrentFolder(GetNodePath(FocusedNode()));
        dlg->SetStoreRoot(AnsiToQ(StoreRoot()));
        dlg->SetUnderCurrent(underCurrent);
        dlg->ShowModal();
        if (!dlg->Accepted()) return false;
        const QString newFolder = dlg->NewFolder();
        Options->Load();  // the dialog may have changed settings
        Options->DefFolder = QToAnsi(newFolder);
        Options->Save();
        LoadTree(false);
        UpdateIndex();
        return true;
    });
}

// ---- Renaming a folder ----

void TfrmMain::treeNotesNewText(TNode* node, const QString& text) {
    TrapVoid("TfrmMain.treeNotesNewText", [&] {
        // Notes are renamed through the properties command; the caption shows Name again.
        if (!node || !node->Data || !node->Data->IsFolder || text == node->Data->Name) return;
        const std::string parentPath = QToAnsi(GetNodePath(node->Parent));
        const std::string oldPath = QToAnsi(GetNodePath(node));
        const StoreOperations::TResult result =
            StoreOperations::RenameFolder(StoreRoot(), parentPath, QToAnsi(node->Data->Name), QToAnsi(text));
        if (!result.Done) return;
        node->Data->Name = AnsiToQ(result.Name);
        FModel->NodeChanged(node);
        FollowDefFolder(oldPath, StoreOperations::JoinPath(parentPath, result.Name));
        UpdateSearchIndex();
    });
}

// ---- Deleting ----

void TfrmMain::actDeleteExecute() {
    TrapVoid("TfrmMain.actDeleteExecute", [&] {
        TNode* node = FocusedNode();
        if (!node || !node->Data) return;
        if (node->Data->IsFolder) {
            if (ReportUtils::DoDeleteFolder(Options->ConfirmDelFolder, StoreRoot(), QToAnsi(GetNodePath(node)), Prompt()))
                DeleteNode(node);
            return;
        }
        if (Options->ConfirmDelNote &&
            Prompt().Ask(StoreOperations::NoteDeleteQuestion(QToAnsi(node->Data->Name)), "Delete", TButtons::YesNoCancel,
                         TIcon::Question) != TAnswer::Yes)
            return;
        DeleteNode(node);
    });
}

void TfrmMain::DeleteNode(TNode* node) {
    TrapVoid("TfrmMain.DeleteNode", [&] {
        if (!node || !node->Data) return;
        if (!node->Data->IsFolder) {
            const std::string folder = QToAnsi(GetNodePath(node->Parent));
            const std::string name = QToAnsi(node->Data->Name);
            StoreOperations::DeleteNote(StoreRoot(), folder, name);
            // A note file that could not be deleted keeps its node, so the tree shows what is on disk.
            if (FileSystem::FileExists(StoreOperations::FolderDir(StoreRoot(), folder) + name + ".html")) return;
        }
        FModel->RemoveNode(node);
        UpdateIndex();
        UpdateSearchIndex();
    });
}

// ---- Editing ----

void TfrmMain::actShowPropsExecute() {
    TrapVoid("TfrmMain.actShowPropsExecute", [&] {
        TNode* node = FocusedNode();
        if (!node || !node->Data) return;
        if (node->Data->IsFolder) {
            FTree->edit(FModel->IndexOf(node));
            return;
        }
        TMyNode& rec = *node->Data;
        const QString parentPath = GetNodePath(node->Parent);
        const std::string oldFile = StoreFolderOf(node->Parent) + QToAnsi(rec.Name) + ".html";
        ReportUtils::TNoteInfo info;
        if (ReportUtils::LoadNodeFromFile(oldFile, info)) {
            rec.Name = AnsiToQ(info.Name);
            rec.Comments = ToQ(info.Comments);
            rec.Created = info.Created;
            rec.OriginalTitle = ToQ(info.OriginalTitle);
            rec.OriginalURL = ToQ(info.OriginalURL);
        }
        QString content;
        if (FileSystem::FileExists(oldFile) &&
            !TrapVoid("TfrmMain.ActShowPropsExecute.1", [&] { content = AnsiToQ(FileSystem::ReadFile(oldFile)); }))
            content.clear();

        std::unique_ptr<IPlumetAddDlg> dlg = Dialogs().CreateAddDlg();
        SetUpEditDialog(*dlg, rec, parentPath, content);
        dlg->ShowModal();
        if (!dlg->Accepted()) return;

        const QString title = dlg->Title(), folder = dlg->Folder();
        const bool changed = title != rec.Name || folder != parentPath;
        std::string newFile = oldFile;
        if (changed) {
            newFile = StoreOperations::FolderDir(StoreRoot(), QToAnsi(folder)) + QToAnsi(title) + ".html";
            // On a file system that ignores case both names may be the one file just written.
            const std::string trouble =
                StoreOperations::SameEntry(oldFile, newFile) ? std::string() : RetireEditedNote(oldFile, newFile);
            if (!trouble.empty()) Prompt().Ask(trouble, "Edit", TButtons::OK, TIcon::Warning);
        }
        ReportUtils::SaveNodeToXML(newFile, QToAnsi(title), QToAnsi(rec.OriginalTitle), QToAnsi(dlg->URL()),
                                   rec.Created, QToAnsi(dlg->Comments()));
        KeepDialogSettings(*dlg);
        if (changed) LoadTree(true);
        else UpdateSearchIndex();
    });
}

// ---- Moving by dragging ----

bool TfrmMain::treeNotesDragOver(const QMimeData*) { return true; }

bool TfrmMain::treeNotesDragDrop(const QMimeData* data, Qt::DropAction action, TNode* target) {
    return Trap("TfrmMain.treeNotesDragDrop", false, [&] {
        if (!data || action == Qt::CopyAction) return false;  // nodes are never copied
        if (!target) target = FModel->Root();
        // A note stands for its folder: above, on and below all mean into that folder.
        if (target->Data && !target->Data->IsFolder) target = target->Parent;
        if (!target) return false;
        if (data->hasFormat(TNotesTreeModel::NodeFormat)) return FModel->ProcessDrop(data, target);
        return treeNotesForeignDrop(data, target);
    });
}

// Data from another program is read by the pane's drop target, which makes a note of it in
// the folder after the drop has returned. That road is kept apart from the tree's own drags.
bool TfrmMain::treeNotesForeignDrop(const QMimeData* data, TNode* target) { return DropForeignData(data, target); }

bool TfrmMain::treeNotesNodeMoving(TNode* node, TNode* target) { return ProcessNodeCopyMove(node, target, false); }

bool TfrmMain::ProcessNodeCopyMove(TNode* node, TNode* target, bool copy) {
    FNodeMoved = true;
    return Trap("TfrmMain.ProcessNodeCopyMove", false, [&] {
        TNode* root = FModel->Root();
        if (!node || !node->Data) return false;
        if (!target) target = root;
        if (target != root) {
            if (!target->Data) return false;
            if (!target->Data->IsFolder) target = target->Parent;
            if (!target || target == root || !target->Data || !target->Data->IsFolder) return false;
        }
        if (target == root && !node->Data->IsFolder) return false;  // notes live in folders
        if (copy) return false;
        const std::string targetPath = QToAnsi(GetNodePath(target));
        const std::string nodePath = QToAnsi(GetNodePath(node));
        const StoreOperations::TResult result =
            node->Data->IsFolder
                ? StoreOperations::MoveFolder(StoreRoot(), nodePath, targetPath)
                : StoreOperations::MoveNote(StoreRoot(), QToAnsi(GetNodePath(node->Parent)), QToAnsi(node->Data->Name),
                                            targetPath);
        if (result.Apart) Prompt().Ask(result.Reason, "Move", TButtons::OK, TIcon::Warning);
        if (!result.Done) return false;
        node->Data->Name = AnsiToQ(result.Name);
        FModel->NodeChanged(node);
        if (node->Data->IsFolder) FollowDefFolder(nodePath, StoreOperations::JoinPath(targetPath, result.Name));
        UpdateSearchIndex();
        return true;
    });
}

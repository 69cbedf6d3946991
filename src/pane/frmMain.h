#pragma once
// TfrmMain: the notes pane. A toolbar dock on top and, below it, the notes tree treeNotes
// showing the notes store: folders as folder nodes, note files as note nodes under them.
// Only the top-level folders are read at start; a folder's children are read the first
// time it is expanded, and nothing re-reads a folder until the next LoadTree.
#include "dropimport/NNotesDropTarget.h"
#include "pane/MenuToolBar.h"
#include "pane/NotesTree.h"
#include "pane/PlumetsLib.h"
#include "pane/WebBrowser.h"

#include <QAction>
#include <QList>
#include <QMenu>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "store/MapiCtrl.h"
#include "store/UserPrompt.h"

class QMimeData;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class TSearchBox;

class TfrmMain : public QWidget, public TNotesTreeEvents {
    Q_OBJECT
public:
    // The pane uses the given dialog factory and question boxes; without them it makes the
    // Qt dialogs and message boxes. The global Options must exist.
    explicit TfrmMain(QWidget* parent = nullptr, std::unique_ptr<TDialogFactory> dialogs = nullptr,
                      std::unique_ptr<TUserPrompt> prompt = nullptr);
    ~TfrmMain() override;

    // ---- The tree ----
    void LoadTree(bool expandLast);
    bool LoadSubTree(TNode* node, bool loadFiles);
    void LoadNodeFromXML(const std::string& fileName, TNode* parent);
    TNode* AddFolder(TNode* parent, const QString& name, TDateTime created);
    void AddNode(const QString& name, const QString& originalTitle, const QString& originalURL,
                 const QString& comments, TNode* parent, TDateTime created);
    QString GetNodePath(TNode* node);
    void FindDefFolder(bool expandLast);
    // Loads the node's children when needed and expands it.
    void ExpandNode(TNode* node);

    void treeNotesInitNode(TNode* node) override;
    void treeNotesExpanding(TNode* node) override;
    QString treeNotesGetText(TNode* node) override;
    int treeNotesGetImageIndex(TNode* node) override;
    QString treeNotesGetHint(TNode* node) override;
    void treeNotesHotChange(TNode* node);
    void treeNotesChange(TNode* node);

    void actRefreshExecute();

    // ---- The index page ----
    void UpdateIndex();

    // ---- Organising the store: add, rename, delete and edit; moves by dragging ----
    // "Add Sub-Folder" (tag 0) and "Add Folder" (tag 1): a folder named after the page.
    void actAddFolderExecute(int tag);
    // The name proposed for a new folder from a page title.
    static QString ProposeFolderName(const QString& title);
    // Runs the add-folder dialog and reloads the tree on the new folder; true when accepted.
    bool DoADdNewFolder(const QString& name, bool underCurrent);
    // Renames a folder after an in-place edit of its caption; notes keep their names.
    void treeNotesNewText(TNode* node, const QString& text) override;
    void actDeleteExecute();
    // Deletes a note's files (a folder's are gone already), removes the node, rebuilds the index page.
    void DeleteNode(TNode* node);
    // A folder: the in-place edit of its caption. A note: the add-note dialog in edit mode.
    void actShowPropsExecute();
    bool treeNotesDragOver(const QMimeData* data) override;
    bool treeNotesDragDrop(const QMimeData* data, Qt::DropAction action, TNode* target) override;
    // Data from another program dropped on a folder: becomes a note there through the drop target.
    bool treeNotesForeignDrop(const QMimeData* data, TNode* folder);
    bool treeNotesNodeMoving(TNode* node, TNode* target) override;
    // Moves the node's files into target's folder; true lets the tree move the node. A copy
    // request moves nothing.
    bool ProcessNodeCopyMove(TNode* node, TNode* target, bool copy);
    // Set by every move request; the next click on a note clears it instead of opening the
    // note, so releasing the mouse after a drag opens nothing.
    bool FNodeMoved = false;

    // ---- The web browser ----
    void SetWebBrowser(TWebBrowser* browser) { FWebBrowser = browser; }
    void SetStandalone(bool flag) { FStandalone = flag; }
    // The band host hands over the browser of the window it sits in this way.
    void SetHostBrowser(std::function<TWebBrowser*()> provider) { FHostBrowser = std::move(provider); }
    TWebBrowser* GetWebBrowser();
    TWebDocument* GetDoc();
    QString GetDocTitle();

    // ---- Reports ----
    // Turns the folder's notes into one report file under the progress window TSplashForm;
    // reportFile gets its name, or "" when no report was made. With open, the report is shown
    // in the pane's browser (or with the desktop's handler when the pane has none).
    void MakeReport(const QString& folderTitle, const QString& folderPath, bool open, std::string& reportFile);

    // The parts other commands and the tests reach.
    TNotesTreeView* treeNotes() const { return FTree; }
    TNotesTreeModel* Model() const { return FModel; }
    TNode* FocusedNode() const;
    TDialogFactory& Dialogs() { return *FDialogs; }
    TUserPrompt& Prompt() { return *FPrompt; }
    TMenuToolBar* tbarMain() const { return FToolBar; }
    QMenu* popTree() const { return FPopTree; }
    QAction* actRefresh() const { return FActRefresh; }
    // The image list: 0 closed folder, 1 open folder, 2 note.
    const QList<QIcon>& lstImages() const { return FImages; }
    // The search field above the tree and its results.
    TSearchBox* SearchBox() const { return FSearchBox; }

    // ---- Capture: notes from the page, the clipboard and drops ----
    // The handler of the five capture commands, told apart by the command's tag: 10 the
    // selection, 20 an empty note, 30 the clipboard, 50 all images, 60 the entire page.
    void actAddSelectionExecute(int tag);
    // Capture kinds 10, 20, 50, 60 take their content from the page; kind 80 (clipboard and
    // drops) brings content, url and title along. folder is a node path ("" the default).
    void AddNote(int kind, const QString& content, QString folder, QString url, QString title, QString charset);
    void UpdateNode(const QString& fileName, const QString& title, const QString& originalTitle,
                    const QString& originalURL, const QString& comments, TDateTime created);
    // Colours the page's selection with MarkColor on MarkBgColor and unselects it, when the
    // setting MarkSelection is on.
    void MarkSelection();
    // Runs an editing command of the page by its command number: 31 select all, 55 fore
    // colour, 51 back colour (the colour as six hexadecimal digits RRGGBB), 2007 unselect.
    // out, when given, gets "1" when the page carried the command out, else "0".
    void InvokeCMD(int command, int option, const QString& in, QString* out = nullptr);
    void SelectAll();
    // Foreign data dropped on the tree at node (its nearest folder, itself or a parent, gets
    // the note; null: the default folder). True when the data was read and a note is queued.
    bool DropForeignData(const QMimeData* data, TNode* node);
    TNNotesDropTarget& DropTarget() { return *FDropTarget; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Queues the note of the data just read, so that no dialog runs inside the drop.
    void OnDragDrop(const QString& folderPath);
    void DoDrop(const QString& folderPath);
    std::unique_ptr<TNNotesDropTarget> FDropTarget = std::make_unique<TNNotesDropTarget>();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void FormShow() {}
    std::string StoreFolderOf(TNode* node);

    std::unique_ptr<TDialogFactory> FDialogs;
    std::unique_ptr<TUserPrompt> FPrompt;
    TWebBrowser* FWebBrowser = nullptr;
    bool FStandalone = false;
    std::function<TWebBrowser*()> FHostBrowser;

    QWidget* FDock = nullptr;  // TBDock1
    TMenuToolBar* FToolBar = nullptr;
    QWidget* FPanel = nullptr;  // pnlMain
    TNotesTreeView* FTree = nullptr;
    TNotesTreeModel* FModel = nullptr;
    QMenu* FPopTree = nullptr;
    QAction* FActRefresh = nullptr;
    QList<QIcon> FImages;

    // ---- Commands: the command table, the menus, opening and sending notes ----
public:
    // Every command of the pane is an action of lstActs, named as the command ("actSend"),
    // with its tag as the action's data; the toolbar and the context menu only place them.
    const QList<QAction*>& lstActs() const { return FActs; }
    QAction* Action(const QString& name) const;
    // Connects a command to a handler that takes the action's tag.
    void ConnectCommand(const QString& name, std::function<void(int tag)> handler);
    // The toolbar's submenus "Folders", "Note from" and "?".
    QMenu* mnuFolders() const { return FMnuFolders; }
    QMenu* mnuNoteFrom() const { return FMnuNoteFrom; }
    QMenu* mnuHelp() const { return FMnuHelp; }
    // Other programs (the mail program, the word processor, the desktop's opener) are started
    // through this; tests record instead.
    void SetLauncher(TProgramLauncher launcher) { FLaunch = std::move(launcher); }
    // The word processor's program file ("" when none); known once WordProcessorSettled.
    const std::string& WordPath() const { return FWordPath; }
    bool WordProcessorSettled() const { return FWordSettled; }

    // A click on a node of the tree (nullptr: none under the mouse).
    void treeNotesClick(TNode* node);
    // Shows a note, or a folder's listing, in the browser.
    void OpenNodeWindow(TNode* node, bool newWindow);
    // Shows a note's file as a click on it in the tree does, with the words highlighted in
    // its page (see TWebBrowser::HighlightWords).
    void OpenNoteFile(const QString& fileName, const QStringList& highlight);
    // Shows an existing local file or folder in the browser.
    void OpenURL(const QString& path, bool newWindow);
    void actOpenNodeExecute();
    void actOpenSourceURLExecute();
    void actOpenNINdexExecute();
    void actOpenRIndexExecute();
    void actOpenWithMSWordExecute();
    void actSendExecute();

    void actShowPrefsExecute();
    void actRepWizardExecute() {}
    void actRepDeleteExecute() {}
    void actRepOpenExecute() {}
    void actRepOpenNewExecute() {}
    void actHelpIndexExecute();
    void actAboutExecute();
    void actWebPageExecute();
    void actEmailExecute();
    void actShowConfirmDlgExecute();
    void TBSubmenuItem2Popup();
    void actImportFavoritesExecute();

private:
    void CreateCommands();
    void CreateMenus();
    void SettleWordProcessor();
    void WatchTreeClicks();
    bool Launch(const std::vector<std::string>& argv);
    // The desktop opens a file or address ("xdg-open").
    void ShellOpen(const QString& target);
    QString NodeAddress(TNode* node);
    // Shows a note's file or a folder in the browser, or with the desktop when there is none.
    void OpenAddress(const QString& address, bool newWindow);
    // Called after each of the pane's own changes to the store: the search index catches up
    // in the background, so the next search finds the notes as they are now.
    void UpdateSearchIndex();
    QString HelpFile() const;

    QList<QAction*> FActs;
    QMenu* FMnuFolders = nullptr;
    QMenu* FMnuNoteFrom = nullptr;
    QMenu* FMnuHelp = nullptr;
    TProgramLauncher FLaunch;
    std::string FWordPath;
    std::vector<std::string> FWordArgs;
    bool FWordSettled = false;
    TSearchBox* FSearchBox = nullptr;
};

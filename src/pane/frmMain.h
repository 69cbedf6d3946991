#pragma once
// TfrmMain: the notes pane. A toolbar dock on top and, below it, the notes tree treeNotes
// showing the notes store: folders as folder nodes, note files as note nodes under them.
// Only the top-level folders are read at start; a folder's children are read the first
// time it is expanded, and nothing re-reads a folder until the next LoadTree.
#include "pane/NotesTree.h"
#include "pane/PlumetsLib.h"
#include "pane/WebBrowser.h"

#include <QAction>
#include <QList>
#include <QMenu>
#include <QToolBar>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "store/UserPrompt.h"

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
    QToolBar* tbarMain() const { return FToolBar; }
    QMenu* popTree() const { return FPopTree; }
    QAction* actRefresh() const { return FActRefresh; }
    // The image list: 0 closed folder, 1 open folder, 2 note.
    const QList<QIcon>& lstImages() const { return FImages; }
    // The search field above the tree and its results.
    TSearchBox* SearchBox() const { return FSearchBox; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void FormShow() {}
    void CreateCommands();
    std::string StoreFolderOf(TNode* node);

    std::unique_ptr<TDialogFactory> FDialogs;
    std::unique_ptr<TUserPrompt> FPrompt;
    TWebBrowser* FWebBrowser = nullptr;
    bool FStandalone = false;
    std::function<TWebBrowser*()> FHostBrowser;

    QWidget* FDock = nullptr;  // TBDock1
    QToolBar* FToolBar = nullptr;
    QWidget* FPanel = nullptr;  // pnlMain
    TNotesTreeView* FTree = nullptr;
    TNotesTreeModel* FModel = nullptr;
    QMenu* FPopTree = nullptr;
    QAction* FActRefresh = nullptr;
    QList<QIcon> FImages;
    TSearchBox* FSearchBox = nullptr;
};

#include "pane/frmMain.h"

#include "pane/MessageBoxPrompt.h"
#include "pane/PlumetDialogs.h"
#include "pane/Product.h"
#include "pane/QtStrings.h"
#include "pane/SearchBox.h"
#include "pane/SplashForm.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "settings/Options.h"
#include "settings/Trap.h"
#include "reports/ReportRun.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"
#include "store/StoreOperations.h"
#include "store/StoreSignal.h"

#include <QApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

namespace {

enum : int { imgClosedFolder = 0, imgOpenFolder = 1, imgNote = 2 };

// Shows the hourglass cursor for the life of the object, also when the work fails.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

std::string StoreRoot() { return Options->FolderToStore; }

// Adds the node of a folder or a note read from the store.
void AddInfoNode(TfrmMain& form, const ReportUtils::TNoteInfo& info, TNode* parent) {
    if (info.IsFolder)
        form.AddFolder(parent, AnsiToQ(info.Name), info.Created);
    else
        form.AddNode(AnsiToQ(info.Name), ToQ(info.OriginalTitle), ToQ(info.OriginalURL), ToQ(info.Comments), parent,
                     info.Created);
}

// The report run shows a finished report in the pane's browser through this.
class TPaneReportBrowser : public TReportBrowser {
public:
    explicit TPaneReportBrowser(TWebBrowser& browser) : FBrowser(browser) {}
    void Navigate(const std::string& fileName, bool newWindow) override {
        FBrowser.Navigate(AnsiToQ(fileName), newWindow ? QString("_new") : QString());
    }

private:
    TWebBrowser& FBrowser;
};

}  // namespace

namespace {

// Another process (the connector's native host) that adds a note rewrites the store's stamp
// file; the tree is read again when its time changes. The folder is watched, since an atomic
// write replaces the file.
void WatchStoreStamp(TfrmMain* pane) {
    const QString stamp = AnsiToQ(StoreSignal::StampFile());
    FileSystem::ForceDirectories(FileSystem::ExtractFilePath(StoreSignal::StampFile()));
    auto* watcher = new QFileSystemWatcher({QFileInfo(stamp).absolutePath()}, pane);
    QObject::connect(watcher, &QFileSystemWatcher::directoryChanged, pane,
                     [pane, stamp, seen = QFileInfo(stamp).lastModified()]() mutable {
                         const QDateTime now = QFileInfo(stamp).lastModified();
                         if (now == seen) return;
                         seen = now;
                         TrapVoid("TfrmMain.StoreChanged", [&] { pane->LoadTree(true); });
                     });
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent, std::unique_ptr<TDialogFactory> dialogs, std::unique_ptr<TUserPrompt> prompt)
    : QWidget(parent), FDialogs(std::move(dialogs)), FPrompt(std::move(prompt)) {
    if (!FDialogs) FDialogs = std::make_unique<TQtDialogFactory>(this);
    if (!FPrompt) FPrompt = std::make_unique<TMessageBoxPrompt>(this);
    FormCreate();
}

TfrmMain::~TfrmMain() { FormDestroy(); }

void TfrmMain::FormCreate() {
    TrapVoid("TfrmMain.FormCreate", [&] {
        setObjectName("frmMain");
        setAcceptDrops(true);  // foreign data dropped on the pane becomes a note
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);

        FDock = new QWidget(this);
        FDock->setObjectName("TBDock1");
        auto* dockLayout = new QVBoxLayout(FDock);
        dockLayout->setContentsMargins(0, 0, 0, 0);
        FToolBar = new TMenuToolBar(FDock);
        FToolBar->setObjectName("tbarMain");
        dockLayout->addWidget(FToolBar);
        layout->addWidget(FDock);

        FPanel = new QWidget(this);
        FPanel->setObjectName("pnlMain");
        auto* panelLayout = new QVBoxLayout(FPanel);
        panelLayout->setContentsMargins(0, 0, 0, 0);
        FTree = new TNotesTreeView(FPanel);
        FTree->setObjectName("treeNotes");
        FModel = new TNotesTreeModel(*this, FTree);
        const QStyle* style = FTree->style();
        FImages = {style->standardIcon(QStyle::SP_DirClosedIcon), style->standardIcon(QStyle::SP_DirOpenIcon),
                   style->standardIcon(QStyle::SP_FileIcon)};
        FModel->SetImages(FImages);
        FTree->setModel(FModel);
        panelLayout->addWidget(FTree);
        FSearchBox = new TSearchBox(*this, FPanel);
        panelLayout->insertWidget(0, FSearchBox);
        layout->addWidget(FPanel, 1);

        connect(FTree, &TNotesTreeView::HotChange, this, &TfrmMain::treeNotesHotChange);
        connect(FTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this](const QItemSelection& selected) {
                    if (!selected.indexes().isEmpty()) treeNotesChange(FModel->NodeOf(selected.indexes().first()));
                });
        CreateCommands();
        FModel->SetShowHints(Options->ShowHints);
    });
    LoadTree(false);
    UpdateIndex();
    WatchStoreStamp(this);
}

void TfrmMain::FormDestroy() {
    TrapVoid("TfrmMain.FormDestroy", [&] {
        if (FModel) FModel->Clear();
    });
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

// ---- Loading the tree ----

void TfrmMain::LoadTree(bool expandLast) {
    TrapVoid("TfrmMain.LoadTree", [&] {
        FModel->Clear();
        if (FileSystem::DirectoryExists(StoreRoot())) {
            LoadSubTree(FModel->Root(), false);
            FindDefFolder(expandLast);
        }
        FModel->SetShowHints(Options->ShowHints);
        // Most of the pane's changes to the store end in a rebuilt tree, and so does the start.
        UpdateSearchIndex();
    });
}

void TfrmMain::UpdateSearchIndex() {
    if (FSearchBox) FSearchBox->IndexChanged();
}

// The directory of a folder node (or of the root), ending with "/".
std::string TfrmMain::StoreFolderOf(TNode* node) {
    return StoreOperations::FolderDir(StoreRoot(), QToAnsi(GetNodePath(node)));
}

bool TfrmMain::LoadSubTree(TNode* node, bool loadFiles) {
    FModel->BeginUpdate();
    const bool result = Trap("TfrmMain.LoadSubTree", false, [&] {
        FModel->InitNode(node);
        const std::string dir = StoreFolderOf(node);
        for (const ReportUtils::TNoteInfo& info : ReportUtils::LoadFolderNodes(dir, loadFiles)) AddInfoNode(*this, info, node);
        return true;
    });
    FModel->EndUpdate();
    FTree->viewport()->update();
    return result;
}

void TfrmMain::LoadNodeFromXML(const std::string& fileName, TNode* parent) {
    TrapVoid("TfrmMain.LoadNodeFromXML", [&] {
        ReportUtils::TNoteInfo info;
        if (ReportUtils::LoadNodeFromFile(fileName, info)) AddInfoNode(*this, info, parent);
    });
}

TNode* TfrmMain::AddFolder(TNode* parent, const QString& name, TDateTime created) {
    return Trap("TfrmMain.AddFolder", static_cast<TNode*>(nullptr), [&] {
        auto data = std::make_unique<TMyNode>();
        data->IsFolder = true;
        data->Name = name;
        data->Created = created;
        return FModel->AddChild(parent, std::move(data));
    });
}

void TfrmMain::AddNode(const QString& name, const QString& originalTitle, const QString& originalURL,
                       const QString& comments, TNode* parent, TDateTime created) {
    TrapVoid("TfrmMain.AddNode", [&] {
        if (!parent || !parent->Data) return;  // notes never sit at the top level
        auto data = std::make_unique<TMyNode>();
        data->Name = name;
        data->OriginalTitle = originalTitle;
        data->OriginalURL = originalURL;
        data->Comments = comments;
        data->Created = created;
        FModel->AddChild(parent, std::move(data));
    });
}

QString TfrmMain::GetNodePath(TNode* node) {
    QString path;
    for (; node && node->Parent; node = node->Parent) {
        QString name;
        TrapVoid("TfrmMain.GetNodePath.3", [&] { name = node->Data ? node->Data->Name : QString(); });
        if (!name.isEmpty()) path = name + "/" + path;
    }
    if (path.endsWith('/')) path.chop(1);
    return path;
}

void TfrmMain::ExpandNode(TNode* node) {
    if (!node || node == FModel->Root()) return;
    const QModelIndex index = FModel->IndexOf(node);
    if (FModel->canFetchMore(index)) FModel->fetchMore(index);
    FTree->expand(index);
}

void TfrmMain::FindDefFolder(bool expandLast) {
    TrapVoid("TfrmMain.FindDefFolder", [&] {
        FTree->selectionModel()->clearSelection();
        const QStringList names = AnsiToQ(Options->DefFolder).split('/');
        TNode* node = FModel->Root();
        for (int i = 0; i < names.size(); ++i) {
            FModel->InitNode(node);
            ExpandNode(node);
            TNode* match = nullptr;
            for (const auto& child : node->Children) {
                if (!child->Data || !child->Data->IsFolder) break;
                if (child->Data->Name == names[i]) {  // case-sensitive, as the file system
                    match = child.get();
                    break;
                }
            }
            if (!match) continue;
            node = match;
            FModel->ReinitNode(node);
            if (i + 1 < names.size()) ExpandNode(node);
        }
        if (node == FModel->Root()) return;
        const QModelIndex index = FModel->IndexOf(node);
        FTree->scrollTo(index, QAbstractItemView::PositionAtCenter);
        FTree->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        if (expandLast) ExpandNode(node);
    });
}

TNode* TfrmMain::FocusedNode() const {
    const QModelIndex index = FTree->currentIndex();
    return index.isValid() ? FModel->NodeOf(index) : nullptr;
}

// ---- Tree events ----

void TfrmMain::treeNotesInitNode(TNode* node) {
    TrapVoid("TfrmMain.treeFoldersInitNode", [&] {
        if (!node->Data || !node->Data->IsFolder) return;
        const std::string dir = StoreFolderOf(node);
        node->HasChildren = !ReportUtils::GetCurFOldersList(dir, false).empty() ||
                            ReportUtils::GetFileCountInDir(dir, "*.html") > 0;
    });
}

void TfrmMain::treeNotesExpanding(TNode* node) {
    TrapVoid("TfrmMain.treeNotesExpanding", [&] {
        if (!node->HasChildren || !node->Children.empty()) return;
        TWaitCursor wait;
        LoadSubTree(node, true);
    });
}

QString TfrmMain::treeNotesGetText(TNode* node) {
    return Trap("TfrmMain.treeNOtesGetText", QString(), [&] { return node->Data ? node->Data->Name : QString(); });
}

int TfrmMain::treeNotesGetImageIndex(TNode* node) {
    return Trap("TfrmMain.treeNOtesGetImageIndex", -1, [&] {
        if (!node->Data) return -1;
        if (!node->Data->IsFolder) return int(imgNote);
        const QModelIndex index = FModel->IndexOf(node);
        const bool open = FTree->isExpanded(index) || FTree->selectionModel()->isSelected(index);
        return int(open ? imgOpenFolder : imgClosedFolder);
    });
}

QString TfrmMain::treeNotesGetHint(TNode* node) {
    return Trap("TfrmMain.treeNotesGetHint", QString(), [&] {
        if (!node->Data) return QString();
        const TMyNode& rec = *node->Data;
        const QString created = "Created on " + AnsiToQ(DateTimeUtils::DateTimeToStr(rec.Created));
        if (rec.IsFolder) return rec.Name + "\n" + created;
        // The address is stored as the page gave it; the hint shows it readable.
        const QString url = QUrl::fromPercentEncoding(rec.OriginalURL.toUtf8());
        return rec.Name + "\nURL: " + url + "\nComments: " + rec.Comments + "\n" + created;
    });
}

void TfrmMain::treeNotesHotChange(TNode* node) {
    TrapVoid("TfrmMain.treeNotesHotChange", [&] {
        if (!node || !node->Data)
            FTree->viewport()->unsetCursor();
        else
            FTree->viewport()->setCursor(node->Data->IsFolder ? Qt::ArrowCursor : Qt::PointingHandCursor);
    });
}

void TfrmMain::treeNotesChange(TNode* node) {
    TrapVoid("TfrmMain.treeNotesChange", [&] {
        if (!node || !node->Data || !node->Data->IsFolder) return;
        const std::string path = QToAnsi(GetNodePath(node));
        if (path == Options->DefFolder) return;
        Options->DefFolder = path;
        Options->Save();
    });
}

void TfrmMain::actRefreshExecute() {
    TrapVoid("TfrmMain.actRefreshExecute", [&] {
        TNode* focused = FocusedNode();
        LoadTree(focused && FTree->isExpanded(FModel->IndexOf(focused)));
    });
}

// ---- The index page ----

void TfrmMain::UpdateIndex() {
    TrapVoid("TfrmMain.UpdateIndex", [&] {
        TNode* root = FModel->Root();
        if (root->Children.empty()) return;
        const std::string store = StoreRoot();
        std::vector<std::string> lines = {
            "<html><head><title>Notes Index</title><meta http-equiv=\"Content-Type\" content=\"text/html\"></head>",
            "<body bgcolor=\"#FFFFFF\" text=\"#000000\"><p><b><font size=\"+1\">Notes Index</font></b></p>",
            "<table width=\"99%\" border=\"0\">"};
        // Names are the user's or a captured page's: links are percent-encoded (a "#" or "?"
        // stays in the file name), texts escaped, so no name is read as markup.
        const auto row = [](const std::string& link, const std::string& name, bool bold) {
            std::string text;
            Strings::AppendHtmlEscaped(text, name);
            if (bold) text = "<b>" + text + "</b>";
            return "<td width=\"99%\"><a href=\"" + Strings::PercentEncode(link, "/") + "\">" + text + "</a></td></tr>";
        };
        for (const auto& folder : root->Children) {
            if (!folder->Data) break;
            const std::string folderName = QToAnsi(folder->Data->Name);
            const std::string folderLink = store + folderName + "/";
            lines.push_back(
                "<tr><td width=34><div align=\"left\"><img src=\"folder.gif\" width=\"32\" height=\"32\"></div></td>");
            lines.push_back(row(folderLink, folderName, true));
            for (const auto& child : folder->Children) {
                if (!child->Data) break;
                const std::string name = QToAnsi(child->Data->Name);
                lines.push_back(
                    "<tr><td width=34><div align=\"right\"><img src=\"snote.gif\" width=\"16\" height=\"16\"></div></td>");
                lines.push_back(row(folderLink + name + ".html", name, false));
            }
        }
        lines.push_back(std::string("</table><p><font size=\"1\">Made with <a href=\"") + ProductHomePage +
                        "\">Quillbox</a></font></p><p><b><font size=\"+1\"></font></b></p>");
        lines.push_back("</body></html>");
        if (FileSystem::DirectoryExists(Options->AppPath))
            FileSystem::WriteFileAtomic(Options->AppPath + "index.html", Strings::JoinLines(lines));
    });
}

// ---- The web browser ----

TWebBrowser* TfrmMain::GetWebBrowser() {
    if (FStandalone) return FWebBrowser;
    return FHostBrowser ? FHostBrowser() : nullptr;
}

TWebDocument* TfrmMain::GetDoc() {
    return Trap("TfrmMain.GetDoc", static_cast<TWebDocument*>(nullptr), [&] {
        TWebBrowser* browser = GetWebBrowser();
        return browser ? browser->Document() : nullptr;
    });
}

QString TfrmMain::GetDocTitle() {
    return Trap("TfrmMain.GetDocTitle", QString("Untitled"), [&] {
        TWebDocument* doc = GetDoc();
        return doc ? doc->Title() : QString("Untitled");
    });
}

// ---- Reports ----

void TfrmMain::MakeReport(const QString& folderTitle, const QString& folderPath, bool open, std::string& reportFile) {
    reportFile.clear();
    TWebBrowser* web = GetWebBrowser();
    std::unique_ptr<TPaneReportBrowser> browser = web ? std::make_unique<TPaneReportBrowser>(*web) : nullptr;
    ReportRun::MakeReport(QToWide(folderTitle), QToWide(folderPath), open, reportFile, std::make_unique<TSplashForm>(),
                          browser.get());
}

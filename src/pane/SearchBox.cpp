#include "pane/SearchBox.h"

#include "pane/QtStrings.h"
#include "pane/frmMain.h"
#include "search/SearchQuery.h"
#include "settings/Options.h"
#include "settings/Trap.h"

#include <QAction>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QShortcut>
#include <QVBoxLayout>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace {

enum TItemRole { FileNameRole = Qt::UserRole + 1, NodePathRole };

// One piece of work for the search thread; an empty query only updates the index.
struct TSearchJob {
    int Serial = 0;
    std::string Root, Query;
};

}  // namespace

// The search thread. It keeps only the newest job waiting: a search replaces whatever
// waits, an update waits only when no search does (each search updates the index first).
class TSearchBox::TWorker {
public:
    using TDone = std::function<void(int serial, std::vector<TSearchHit> hits)>;

    explicit TWorker(TDone done) : FDone(std::move(done)), FThread([this] { Run(); }) {}

    // Stops the running job: an indexing keeps what it has written, the rest is indexed by
    // the next search.
    ~TWorker() {
        {
            std::lock_guard lock(FMutex);
            FStop = true;
            if (FIndex) FIndex->Stop();
        }
        FWake.notify_all();
        FThread.join();
    }

    void Post(TSearchJob job) {
        {
            std::lock_guard lock(FMutex);
            if (!job.Query.empty() || !FPending || FPending->Query.empty()) FPending = std::move(job);
        }
        FWake.notify_all();
    }

private:
    void Run() {
        std::string root;
        for (;;) {
            TSearchJob job;
            {
                std::unique_lock lock(FMutex);
                FWake.wait(lock, [&] { return FStop || FPending; });
                if (FStop) return;
                job = std::move(*FPending);
                FPending.reset();
            }
            if (!FIndex || job.Root != root) {
                root = job.Root;
                auto index = std::make_unique<TSearchIndex>(TSearchIndex::DefaultIndexFile(), root);
                std::lock_guard lock(FMutex);
                FIndex = std::move(index);
            }
            if (job.Query.empty()) FIndex->Update();
            else FDone(job.Serial, FIndex->Search(job.Query, ResultLimit));
        }
    }

    TDone FDone;
    std::mutex FMutex;
    std::condition_variable FWake;
    std::optional<TSearchJob> FPending;
    bool FStop = false;
    std::unique_ptr<TSearchIndex> FIndex;  // set on the search thread, under the mutex
    std::thread FThread;  // last: starts once the members above exist
};

TSearchBox::TSearchBox(TfrmMain& pane, QWidget* parent) : QWidget(parent), FPane(pane) {
    setObjectName("SearchBox");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FEdit = new QLineEdit(this);
    FEdit->setObjectName("edtSearch");
    FEdit->setPlaceholderText("Search notes (Ctrl+Shift+F)");
    FEdit->setClearButtonEnabled(true);
    layout->addWidget(FEdit);
    FResults = new QListWidget(this);
    FResults->setObjectName("lstResults");
    FResults->setWordWrap(false);
    FResults->setTextElideMode(Qt::ElideRight);
    FResults->hide();
    layout->addWidget(FResults, 1);

    FPopResults = new QMenu(this);
    FPopResults->setObjectName("popResults");
    QAction* showInFolder = FPopResults->addAction("Show in Folder");
    showInFolder->setObjectName("actShowInFolder");
    connect(showInFolder, &QAction::triggered, this, [this] {
        if (QListWidgetItem* item = FResults->currentItem()) ShowInFolder(item->data(NodePathRole).toString());
    });
    FResults->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FResults, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QListWidgetItem* item = FResults->itemAt(pos)) {
            FResults->setCurrentItem(item);
            FPopResults->popup(FResults->viewport()->mapToGlobal(pos));
        }
    });
    connect(FResults, &QListWidget::itemClicked, this, &TSearchBox::OpenResult);
    connect(FResults, &QListWidget::itemActivated, this, &TSearchBox::OpenResult);
    connect(FEdit, &QLineEdit::textChanged, this, &TSearchBox::QueryChanged);

    // Ctrl+F belongs to the page's find; the pane's search answers anywhere in the window.
    auto* focus = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), &pane);
    focus->setContext(Qt::WindowShortcut);
    connect(focus, &QShortcut::activated, this, &TSearchBox::FocusSearch);
    auto* clear = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    clear->setContext(Qt::WidgetWithChildrenShortcut);
    connect(clear, &QShortcut::activated, this, &TSearchBox::ClearSearch);

    FWorker = std::make_unique<TWorker>([this](int serial, std::vector<TSearchHit> hits) {
        // Runs on the search thread; the box outlives it (its destructor joins the thread).
        QMetaObject::invokeMethod(
            this, [this, serial, hits = std::move(hits)] { ShowHits(serial, hits); }, Qt::QueuedConnection);
    });
}

TSearchBox::~TSearchBox() = default;

void TSearchBox::IndexChanged() {
    TrapVoid("TSearchBox.IndexChanged", [&] { FWorker->Post({0, Options->FolderToStore, ""}); });
}

void TSearchBox::FocusSearch() {
    FEdit->setFocus(Qt::ShortcutFocusReason);
    FEdit->selectAll();
}

void TSearchBox::ClearSearch() {
    FEdit->clear();
    FPane.treeNotes()->setFocus(Qt::OtherFocusReason);
}

void TSearchBox::QueryChanged(const QString& text) {
    TrapVoid("TSearchBox.QueryChanged", [&] {
        const QString query = text.trimmed();
        ++FSerial;
        FResults->setVisible(!query.isEmpty());
        FPane.treeNotes()->setVisible(query.isEmpty());
        if (query.isEmpty()) {
            FResults->clear();
            return;
        }
        FQuery = query.toStdString();
        FWorker->Post({FSerial, Options->FolderToStore, FQuery});
    });
}

void TSearchBox::ShowHits(int serial, const std::vector<TSearchHit>& hits) {
    if (serial != FSerial) return;  // a newer query is on its way
    TrapVoid("TSearchBox.ShowHits", [&] {
        FResults->clear();
        for (const TSearchHit& hit : hits) {
            const QString title = QString::fromUtf8(hit.Title.data(), static_cast<qsizetype>(hit.Title.size()));
            const QString passage = QString::fromUtf8(hit.Passage.data(), static_cast<qsizetype>(hit.Passage.size()));
            auto* item = new QListWidgetItem(title + "\n" + passage, FResults);
            // Tool tips take markup: the path is escaped, so a name like "<b>" shows as written.
            item->setToolTip("<p>" + AnsiToQ(hit.NodePath).toHtmlEscaped() + "</p>");
            item->setData(FileNameRole, AnsiToQ(hit.FileName));
            item->setData(NodePathRole, AnsiToQ(hit.NodePath));
        }
        if (hits.empty()) {
            auto* none = new QListWidgetItem("No notes found", FResults);
            none->setFlags(Qt::NoItemFlags);
        }
    });
    emit SearchDone();
}

void TSearchBox::OpenResult(QListWidgetItem* item) {
    TrapVoid("TSearchBox.OpenResult", [&] {
        const QString file = item ? item->data(FileNameRole).toString() : QString();
        if (file.isEmpty()) return;
        QStringList words;
        for (const std::string& word : SearchQuery::MatchedWords(FQuery)) words << QString::fromStdString(word);
        FPane.OpenNoteFile(file, words);
    });
}

void TSearchBox::ShowInFolder(const QString& nodePath) {
    TrapVoid("TSearchBox.ShowInFolder", [&] {
        ClearSearch();
        TNotesTreeModel* model = FPane.Model();
        const QStringList names = nodePath.split('/');
        TNode* node = model->Root();
        for (qsizetype i = 0; i < names.size(); ++i) {
            model->InitNode(node);
            FPane.ExpandNode(node);
            // Folders lead the way; the last name is the note itself.
            const bool folder = i + 1 < names.size();
            TNode* match = nullptr;
            for (const auto& child : node->Children)
                if (child->Data && child->Data->Name == names[i] && child->Data->IsFolder == folder) match = child.get();
            if (!match) break;
            node = match;
        }
        if (node == model->Root()) return;
        const QModelIndex index = model->IndexOf(node);
        FPane.treeNotes()->scrollTo(index, QAbstractItemView::PositionAtCenter);
        FPane.treeNotes()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    });
}

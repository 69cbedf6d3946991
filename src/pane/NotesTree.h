#pragma once
// The notes tree treeNotes: a tree of nodes that each own a TMyNode record, shown by a
// QTreeView through a small item model. The tree itself never touches the disk: it asks its
// owner (the pane, through TNotesTreeEvents) to initialise a node, to load a folder's children
// on first expansion, and for each node's caption, image and hint.
#include "platform/DateTime.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <memory>
#include <vector>

// The record behind each node of the tree.
struct TMyNode {
    QString Name;  // folder name, or note name (file name without ".html"); the caption
    QString OriginalURL;
    QString OriginalTitle;
    QString Comments;
    TDateTime Created = 0;  // note: from its info block; folder: its last-write time
    bool IsFolder = false;
};

// One node of the tree. The invisible root carries no record.
struct TNode {
    TNode* Parent = nullptr;
    int Index = 0;  // position among the parent's children
    std::unique_ptr<TMyNode> Data;
    std::vector<std::unique_ptr<TNode>> Children;
    bool Initialized = false;
    bool HasChildren = false;  // the has-children mark; children exist only once loaded
};

// What the tree asks of its owner.
class TNotesTreeEvents {
public:
    virtual ~TNotesTreeEvents() = default;
    virtual void treeNotesInitNode(TNode* node) = 0;
    // A node marked as having children but holding none is about to show them.
    virtual void treeNotesExpanding(TNode* node) = 0;
    virtual QString treeNotesGetText(TNode* node) = 0;
    virtual int treeNotesGetImageIndex(TNode* node) = 0;
    virtual QString treeNotesGetHint(TNode* node) = 0;
    // The user finished an in-place edit of the node's caption. The caption is drawn from
    // the record's Name, so nothing changes unless the owner renames the node.
    virtual void treeNotesNewText(TNode* node, const QString& text) {}
    // Drag and drop. DragOver: whether data may be dropped on the tree. DragDrop: data was
    // dropped on target (the node under the point; the root for empty space). NodeMoving:
    // before the tree moves a dragged node into target; the node moves only on true.
    virtual bool treeNotesDragOver(const QMimeData* data) { return true; }
    virtual bool treeNotesDragDrop(const QMimeData* data, Qt::DropAction action, TNode* target) { return false; }
    virtual bool treeNotesNodeMoving(TNode* node, TNode* target) { return false; }
};

class TNotesTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TNotesTreeModel(TNotesTreeEvents& events, QObject* parent = nullptr);
    ~TNotesTreeModel() override;

    TNode* Root() { return &FRoot; }
    // Removes every node (their records go with them).
    void Clear();
    // Appends a child with the record to parent (nullptr: the root) and returns it. Inside
    // an update bracket the view learns of new children once, at EndUpdate.
    TNode* AddChild(TNode* parent, std::unique_ptr<TMyNode> data);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    // Runs treeNotesInitNode once for a node that has not been initialised yet.
    void InitNode(TNode* node);
    // Initialises the node again, refreshing its has-children mark.
    void ReinitNode(TNode* node);
    void SetShowHints(bool show) { FShowHints = show; }
    // The image list the image indexes of treeNotesGetImageIndex point into.
    void SetImages(QList<QIcon> images) { FImages = std::move(images); }
    bool ShowHints() const { return FShowHints; }

    QModelIndex IndexOf(TNode* node) const;
    TNode* NodeOf(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // ---- Drag and drop ----
    // The format of nodes dragged inside a tree: the dragging model and each node's path.
    static constexpr const char* NodeFormat = "application/x-quillbox-tree-nodes";
    // The tree offers moving and linking its nodes, never copying them.
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction | Qt::LinkAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction | Qt::LinkAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    // The drop entry point: the node under the drop point (row -1: parent itself; an invalid
    // parent: the root, for empty space) goes to the owner's treeNotesDragDrop.
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    // Asks the owner about each node dragged from this tree (treeNotesNodeMoving) and moves
    // those allowed into target as its last children. True when any moved.
    bool ProcessDrop(const QMimeData* data, TNode* target);
    // Moves node under target: a folder after target's last sub-folder, a note at the end.
    // A target whose children have not been read yet only loses the node from view: its
    // children, the moved one among them, are read from disk when it is first expanded.
    void MoveNode(TNode* node, TNode* target);
    // Removes a node with its children.
    void RemoveNode(TNode* node);
    // Repaints a node whose record changed.
    void NodeChanged(TNode* node);

private:
    void Flush();
    void Renumber(TNode* parent, size_t from);
    // The node of this tree at a path of names; the last name must be a folder or a note as asked.
    TNode* FindNode(const QStringList& names, bool isFolder);

    TNotesTreeEvents& FEvents;
    TNode FRoot;
    int FUpdateCount = 0;
    bool FShowHints = true;
    QList<QIcon> FImages;
    // Children added inside the update bracket, not yet announced to the view.
    std::vector<std::pair<TNode*, std::vector<std::unique_ptr<TNode>>>> FPending;
};

// The view: fixed node height, hot tracking with its cursors, a right click that selects, and
// an in-place edit that starts a while after a click on the node that was already selected.
class TNotesTreeView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int EditDelayMs = 5000;
    static constexpr int NodeIndent = 16;
    static constexpr int NodeMargin = 8;

    explicit TNotesTreeView(QWidget* parent = nullptr);
    // The larger of 21 pixels and the font's height + 2 + twice the border height.
    int NodeHeight() const;
    TNotesTreeModel* NotesModel() const { return static_cast<TNotesTreeModel*>(model()); }
    // The node under the mouse, or nullptr.
    TNode* HotNode() const { return FHotNode; }

signals:
    // The mouse entered another node (nullptr: none).
    void HotChange(TNode* node);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void reset() override;
    // Drags the selected node with the model's data, offering move and link.
    void startDrag(Qt::DropActions supportedActions) override;

private:
    void SetHotNode(TNode* node);
    void ShowChildren(const QModelIndex& index);

    QTimer FEditTimer;
    QPersistentModelIndex FEditIndex;
    bool FPressedOnSelected = false;
    TNode* FHotNode = nullptr;
};

// Draws each node with the tree's margin and gives it the tree's node height.
class TNotesTreeDelegate : public QStyledItemDelegate {
public:
    explicit TNotesTreeDelegate(TNotesTreeView* view) : QStyledItemDelegate(view), FView(view) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TNotesTreeView* FView;
};

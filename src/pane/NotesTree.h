#pragma once
// The notes tree treeNotes: a tree of nodes that each own a TMyNode record, shown by a
// QTreeView through a small item model. The tree itself never touches the disk: it asks its
// owner (the pane, through TNotesTreeEvents) to initialise a node, to load a folder's children
// on first expansion, and for each node's caption, image and hint.
#include "platform/DateTime.h"

#include <QAbstractItemModel>
#include <QIcon>
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

signals:
    // The user finished an in-place edit of a node's caption. The caption is drawn from the
    // record's Name, so nothing changes unless the receiver renames the node.
    void NewText(TNode* node, const QString& text);

private:
    void Flush();

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

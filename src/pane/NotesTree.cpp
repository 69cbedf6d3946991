#include "pane/NotesTree.h"

#include <QApplication>
#include <QDataStream>
#include <QDrag>
#include <QFontInfo>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

// ---- TNotesTreeModel ----

TNotesTreeModel::TNotesTreeModel(TNotesTreeEvents& events, QObject* parent)
    : QAbstractItemModel(parent), FEvents(events) {
    FRoot.Initialized = true;
}

TNotesTreeModel::~TNotesTreeModel() = default;

void TNotesTreeModel::Clear() {
    beginResetModel();
    FPending.clear();
    FRoot.Children.clear();
    FRoot.HasChildren = false;
    endResetModel();
}

TNode* TNotesTreeModel::AddChild(TNode* parent, std::unique_ptr<TMyNode> data) {
    if (!parent) parent = &FRoot;
    auto node = std::make_unique<TNode>();
    node->Parent = parent;
    node->Data = std::move(data);
    TNode* result = node.get();
    if (FUpdateCount > 0) {
        if (FPending.empty() || FPending.back().first != parent) FPending.emplace_back(parent, std::vector<std::unique_ptr<TNode>>{});
        int pendingBefore = 0;
        for (const auto& [p, nodes] : FPending)
            if (p == parent) pendingBefore += static_cast<int>(nodes.size());
        node->Index = static_cast<int>(parent->Children.size()) + pendingBefore;
        FPending.back().second.push_back(std::move(node));
    } else {
        const int row = static_cast<int>(parent->Children.size());
        node->Index = row;
        beginInsertRows(IndexOf(parent), row, row);
        parent->Children.push_back(std::move(node));
        endInsertRows();
    }
    parent->HasChildren = true;
    return result;
}

void TNotesTreeModel::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) Flush();
}

// Announces the children added inside the bracket: one insertion per run of one parent.
void TNotesTreeModel::Flush() {
    auto pending = std::move(FPending);
    FPending.clear();
    for (auto& [parent, nodes] : pending) {
        const int first = static_cast<int>(parent->Children.size());
        beginInsertRows(IndexOf(parent), first, first + static_cast<int>(nodes.size()) - 1);
        for (auto& node : nodes) parent->Children.push_back(std::move(node));
        endInsertRows();
    }
}

void TNotesTreeModel::InitNode(TNode* node) {
    if (!node || node->Initialized) return;
    node->Initialized = true;
    FEvents.treeNotesInitNode(node);
}

void TNotesTreeModel::ReinitNode(TNode* node) {
    if (!node || node == &FRoot) return;
    node->Initialized = true;
    const bool before = node->HasChildren;
    FEvents.treeNotesInitNode(node);
    if (node->HasChildren != before) {
        const QModelIndex index = IndexOf(node);
        emit dataChanged(index, index);
    }
}

QModelIndex TNotesTreeModel::IndexOf(TNode* node) const {
    if (!node || node == &FRoot) return {};
    return createIndex(node->Index, 0, node);
}

TNode* TNotesTreeModel::NodeOf(const QModelIndex& index) const {
    if (!index.isValid()) return const_cast<TNode*>(&FRoot);
    return static_cast<TNode*>(index.internalPointer());
}

QModelIndex TNotesTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const TNode* p = NodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(p->Children.size())) return {};
    return createIndex(row, 0, p->Children[row].get());
}

QModelIndex TNotesTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return IndexOf(NodeOf(child)->Parent);
}

int TNotesTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    return static_cast<int>(NodeOf(parent)->Children.size());
}

int TNotesTreeModel::columnCount(const QModelIndex&) const { return 1; }

// The view asks this of the nodes it shows, so a node is initialised when it first appears.
bool TNotesTreeModel::hasChildren(const QModelIndex& parent) const {
    TNode* node = NodeOf(parent);
    const_cast<TNotesTreeModel*>(this)->InitNode(node);
    return node->HasChildren || !node->Children.empty();
}

bool TNotesTreeModel::canFetchMore(const QModelIndex& parent) const {
    if (!parent.isValid()) return false;
    TNode* node = NodeOf(parent);
    const_cast<TNotesTreeModel*>(this)->InitNode(node);
    return node->HasChildren && node->Children.empty();
}

// The view fetches before it expands: the folder's children are read on first expansion.
void TNotesTreeModel::fetchMore(const QModelIndex& parent) {
    TNode* node = NodeOf(parent);
    if (node != &FRoot && node->HasChildren && node->Children.empty()) {
        FEvents.treeNotesExpanding(node);
        if (node->Children.empty()) {
            // Nothing could be read: drop the mark so the view stops asking.
            node->HasChildren = false;
            emit dataChanged(parent, parent);
        }
    }
}

QVariant TNotesTreeModel::data(const QModelIndex& index, int role) const {
    TNode* node = NodeOf(index);
    if (!index.isValid() || !node->Data) return {};
    auto& events = const_cast<TNotesTreeEvents&>(FEvents);
    switch (role) {
        case Qt::DisplayRole: return events.treeNotesGetText(node);
        case Qt::EditRole: return node->Data->Name;
        case Qt::DecorationRole: {
            const int image = events.treeNotesGetImageIndex(node);
            return image >= 0 && image < FImages.size() ? QVariant(FImages[image]) : QVariant();
        }
        case Qt::ToolTipRole: return FShowHints ? QVariant(events.treeNotesGetHint(node)) : QVariant();
        default: return {};
    }
}

bool TNotesTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    TNode* node = NodeOf(index);
    FEvents.treeNotesNewText(node, value.toString());
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags TNotesTreeModel::flags(const QModelIndex& index) const {
    // Empty space takes drops too: it stands for the store root.
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

// ---- Drag and drop ----

QStringList TNotesTreeModel::mimeTypes() const {
    return {NodeFormat, "text/uri-list", "text/html", "text/plain", "text/rtf", "application/rtf", "message/rfc822",
            "text/x-moz-url"};
}

QMimeData* TNotesTreeModel::mimeData(const QModelIndexList& indexes) const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint64(reinterpret_cast<quintptr>(this));
    for (const QModelIndex& index : indexes) {
        TNode* node = NodeOf(index);
        if (!index.isValid() || !node->Data) continue;
        QStringList names;
        for (TNode* n = node; n && n->Data; n = n->Parent) names.prepend(n->Data->Name);
        out << names << node->Data->IsFolder;
    }
    auto* data = new QMimeData;
    data->setData(NodeFormat, bytes);
    return data;
}

bool TNotesTreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                      const QModelIndex&) const {
    return data && (action & supportedDropActions()) && const_cast<TNotesTreeEvents&>(FEvents).treeNotesDragOver(data);
}

bool TNotesTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                   const QModelIndex& parent) {
    if (!data) return false;
    TNode* target = NodeOf(parent);
    const int count = static_cast<int>(target->Children.size());
    if (row >= 0 && count > 0) target = target->Children[std::min(row, count - 1)].get();  // above or below a node
    return FEvents.treeNotesDragDrop(data, action, target);
}

TNode* TNotesTreeModel::FindNode(const QStringList& names, bool isFolder) {
    TNode* node = &FRoot;
    for (int i = 0; i < names.size() && node; ++i) {
        const bool last = i + 1 == names.size();
        TNode* match = nullptr;
        for (const auto& child : node->Children)
            if (child->Data && child->Data->Name == names[i] && (last ? child->Data->IsFolder == isFolder : child->Data->IsFolder)) {
                match = child.get();
                break;
            }
        node = match;
    }
    return node == &FRoot ? nullptr : node;
}

bool TNotesTreeModel::ProcessDrop(const QMimeData* data, TNode* target) {
    QDataStream in(data->data(NodeFormat));
    quint64 model = 0;
    in >> model;
    if (in.status() != QDataStream::Ok || model != quint64(reinterpret_cast<quintptr>(this))) return false;
    // Every dragged node is found before any moves, so one move cannot hide another's node.
    std::vector<TNode*> nodes;
    while (!in.atEnd()) {
        QStringList names;
        bool isFolder = false;
        in >> names >> isFolder;
        if (in.status() != QDataStream::Ok) break;
        if (TNode* node = FindNode(names, isFolder)) nodes.push_back(node);
    }
    if (!target) target = &FRoot;
    InitNode(target);
    bool moved = false;
    for (TNode* node : nodes) {
        if (!FEvents.treeNotesNodeMoving(node, target)) continue;
        MoveNode(node, target);
        moved = true;
    }
    return moved;
}

void TNotesTreeModel::Renumber(TNode* parent, size_t from) {
    for (size_t i = from; i < parent->Children.size(); ++i) parent->Children[i]->Index = static_cast<int>(i);
}

void TNotesTreeModel::MoveNode(TNode* node, TNode* target) {
    if (!node || node == &FRoot || !target) return;
    for (TNode* t = target; t; t = t->Parent)
        if (t == node) return;  // never into itself
    if (target != &FRoot && target->HasChildren && target->Children.empty()) {
        RemoveNode(node);
        return;
    }
    TNode* source = node->Parent;
    const int from = node->Index;
    int to = static_cast<int>(target->Children.size());
    if (node->Data && node->Data->IsFolder) {
        to = 0;
        while (to < static_cast<int>(target->Children.size()) && target->Children[to]->Data &&
               target->Children[to]->Data->IsFolder)
            ++to;
    }
    if (source == target && (to == from || to == from + 1)) return;
    beginMoveRows(IndexOf(source), from, from, IndexOf(target), to);
    std::unique_ptr<TNode> owned = std::move(source->Children[from]);
    source->Children.erase(source->Children.begin() + from);
    if (source == target && to > from) --to;
    node->Parent = target;
    target->Children.insert(target->Children.begin() + to, std::move(owned));
    Renumber(source, 0);
    if (target != source) Renumber(target, 0);
    target->HasChildren = true;
    endMoveRows();
    if (source != &FRoot && source->Children.empty()) {
        source->HasChildren = false;
        NodeChanged(source);
    }
}

void TNotesTreeModel::RemoveNode(TNode* node) {
    if (!node || node == &FRoot) return;
    TNode* parent = node->Parent;
    const int row = node->Index;
    beginRemoveRows(IndexOf(parent), row, row);
    parent->Children.erase(parent->Children.begin() + row);
    Renumber(parent, static_cast<size_t>(row));
    endRemoveRows();
    if (parent != &FRoot && parent->Children.empty()) {
        parent->HasChildren = false;
        NodeChanged(parent);
    }
}

void TNotesTreeModel::NodeChanged(TNode* node) {
    const QModelIndex index = IndexOf(node);
    if (index.isValid()) emit dataChanged(index, index);
}

// ---- TNotesTreeView ----

TNotesTreeView::TNotesTreeView(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setExpandsOnDoubleClick(true);
    setAnimated(true);
    setIndentation(NodeIndent);
    setUniformRowHeights(true);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setAutoScroll(true);
    setItemDelegate(new TNotesTreeDelegate(this));
    // Drags start by themselves and move (or link) nodes; drops from the tree and from other
    // programs are accepted. Over a node a drop always means "on" it: above and below a
    // node mean into its folder too, never beside it.
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDragDropOverwriteMode(true);
    setDropIndicatorShown(true);
    FEditTimer.setSingleShot(true);
    FEditTimer.setInterval(EditDelayMs);
    connect(this, &QTreeView::expanded, this, &TNotesTreeView::ShowChildren);
    connect(&FEditTimer, &QTimer::timeout, this, [this] {
        if (FEditIndex.isValid() && FEditIndex == currentIndex()) edit(FEditIndex);
    });
}

int TNotesTreeView::NodeHeight() const {
    const int borderHeight = 1;  // the thin window border
    return std::max(21, QFontInfo(font()).pixelSize() + 2 + 2 * borderHeight);
}

void TNotesTreeView::mousePressEvent(QMouseEvent* event) {
    FEditTimer.stop();
    const QModelIndex hit = indexAt(event->position().toPoint());
    FPressedOnSelected = hit.isValid() && event->button() == Qt::LeftButton && selectionModel() &&
                         selectionModel()->isSelected(hit) && hit == currentIndex();
    if (event->button() == Qt::RightButton && hit.isValid()) setCurrentIndex(hit);
    QTreeView::mousePressEvent(event);
}

void TNotesTreeView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (FPressedOnSelected && hit.isValid() && hit == currentIndex()) {
        FEditIndex = hit;
        FEditTimer.start();
    }
    FPressedOnSelected = false;
}

void TNotesTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    FEditTimer.stop();
    QTreeView::mouseDoubleClickEvent(event);
}

void TNotesTreeView::mouseMoveEvent(QMouseEvent* event) {
    QTreeView::mouseMoveEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    SetHotNode(hit.isValid() ? NotesModel()->NodeOf(hit) : nullptr);
}

void TNotesTreeView::leaveEvent(QEvent* event) {
    QTreeView::leaveEvent(event);
    SetHotNode(nullptr);
}

void TNotesTreeView::reset() {
    FHotNode = nullptr;
    FEditIndex = QPersistentModelIndex();
    FEditTimer.stop();
    QTreeView::reset();
}

// The model moves the nodes itself when the drop is processed, so nothing is removed here
// after the drag ends (the view's own ending would clear the dragged rows).
void TNotesTreeView::startDrag(Qt::DropActions) {
    const QModelIndexList indexes = selectedIndexes();
    if (indexes.isEmpty()) return;
    QMimeData* data = model()->mimeData(indexes);
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
}

// An expanded folder whose children run off the bottom scrolls them into view, as far as
// the folder itself stays in view.
void TNotesTreeView::ShowChildren(const QModelIndex& index) {
    const int count = model()->rowCount(index);
    if (count == 0) return;
    scrollTo(model()->index(count - 1, 0, index), QAbstractItemView::EnsureVisible);
    if (visualRect(index).top() < 0) scrollTo(index, QAbstractItemView::PositionAtTop);
}

void TNotesTreeView::SetHotNode(TNode* node) {
    if (node == FHotNode) return;
    FHotNode = node;
    emit HotChange(node);
}

// ---- TNotesTreeDelegate ----

QSize TNotesTreeDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(size.width() + TNotesTreeView::NodeMargin);
    size.setHeight(FView->NodeHeight());
    return size;
}

void TNotesTreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem shifted(option);
    shifted.rect.adjust(TNotesTreeView::NodeMargin / 2, 0, 0, 0);
    QStyledItemDelegate::paint(painter, shifted, index);
}

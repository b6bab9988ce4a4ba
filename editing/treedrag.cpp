#include "treedrag.h"

#include "browser/treeorder.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "platform/messagebox.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QIcon>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace editing {

namespace {

QString keyOf(const QTreeWidgetItem* node)
{
    return node ? node->data(0, Qt::UserRole).toString() : QString();
}

QCursor dragCursor()
{
    const QString icon = QStringLiteral(":/icons/arrastrar.svg");
    if (!QFileInfo::exists(icon))
        return QCursor(Qt::DragMoveCursor);
    return QCursor(QIcon(icon).pixmap(32, 32), 8, 4);
}

} // namespace

int GetNodeKind(const QTreeWidgetItem* node)
{
    if (!node)
        return 0;
    return int(library::nodeKindOfKey(keyOf(node)));
}

TreeDrag::TreeDrag(QTreeWidget* tree, Window window, QObject* parent)
    : QObject(parent), tree_(tree), window_(std::move(window))
{
    // Qt's own item drag would move items without the rules of this one.
    tree_->setDragEnabled(false);
    tree_->setDragDropMode(QAbstractItemView::NoDragDrop);
    tree_->viewport()->installEventFilter(this);
}

TreeDrag::~TreeDrag()
{
    if (dragging_)
        QApplication::restoreOverrideCursor();
}

QTreeWidgetItem* TreeDrag::DragNode() const
{
    return dragKey_.isEmpty() ? nullptr : window_.findNode(dragKey_);
}

QTreeWidgetItem* TreeDrag::LastDragOverNode() const
{
    return lastOverKey_.isEmpty() ? nullptr : window_.findNode(lastOverKey_);
}

void TreeDrag::Tree_MouseDown(const QPoint& pos)
{
    dragKey_ = keyOf(tree_->itemAt(pos));
    pressPos_ = pos;
}

void TreeDrag::Tree_MouseMove(Qt::MouseButtons buttons, const QPoint& pos)
{
    if (buttons != Qt::LeftButton || dragging_)
        return;
    // A hand that slips while clicking has not started a drag: the release must stay a click.
    if ((pos - pressPos_).manhattanLength() < QApplication::startDragDistance())
        return;
    QTreeWidgetItem* node = DragNode();
    if (GetNodeKind(node) != 2)
        return;
    tree_->setCurrentItem(node);
    beginDrag();
}

bool TreeDrag::isValidTarget(const QTreeWidgetItem* node) const
{
    const QString key = keyOf(node);
    return node && library::nodeKindOfKey(key) == library::NodeKind::Category &&
           !library::isRootKey(key);
}

void TreeDrag::Tree_DragOver(const QPoint& pos)
{
    QTreeWidgetItem* target = tree_->itemAt(pos);
    const QString key = keyOf(target);
    if (lastOverSet_ && key == lastOverKey_)
        return;
    lastOverSet_ = true;
    lastOverKey_ = key;
    window_.setDropHighlight(isValidTarget(target) ? target : nullptr);
}

void TreeDrag::Tree_DragDrop()
{
    QTreeWidgetItem* target = window_.dropHighlight();
    QTreeWidgetItem* node = DragNode();
    dragKey_.clear();
    // The highlight may be left over from a click (it marks the current node); only a
    // category other than the root is a place to file a script.
    if (!isValidTarget(target) || GetNodeKind(node) != 2)
        return;
    library::LibraryStore* store = window_.store();
    if (!store)
        return;
    try {
        store->moveScript(library::idOfKey(keyOf(node)), library::idOfKey(keyOf(target)));
    } catch (const library::DatabaseError& e) {
        platform::inform(tree_->window(), QMessageBox::Critical, QStringLiteral("Error"),
                         QStringLiteral("No se ha podido mover el Script; la biblioteca no ha "
                                        "cambiado.\n") +
                             e.message());
        return;
    }
    if (node->parent() != target) {
        // The node is current: on its way it must not hand that to a neighbour.
        const QSignalBlocker quiet(tree_);
        treeorder::PlaceInOrder(target, node);
    }
    tree_->setCurrentItem(node);
    window_.setDropHighlight(nullptr);
}

void TreeDrag::beginDrag()
{
    dragging_ = true;
    lastOverSet_ = false;
    QApplication::setOverrideCursor(dragCursor());
}

void TreeDrag::endDrag()
{
    dragging_ = false;
    QApplication::restoreOverrideCursor();
}

bool TreeDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != tree_->viewport())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        Tree_MouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (dragging_) {
            Tree_DragOver(mouse->position().toPoint());
            return true;
        }
        Tree_MouseMove(mouse->buttons(), mouse->position().toPoint());
        // The target is what lies under the pointer from the first move on, never a mark
        // left by an earlier click or drag.
        if (dragging_)
            Tree_DragOver(mouse->position().toPoint());
        return dragging_;
    }
    case QEvent::MouseButtonRelease:
        if (dragging_) {
            endDrag();
            // Released outside the tree: the drag ends without a drop.
            if (tree_->viewport()->rect().contains(
                    static_cast<QMouseEvent*>(event)->position().toPoint()))
                Tree_DragDrop();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace editing

#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace library {
class LibraryStore;
}

namespace editing {

// 0 for no node, 1 for a category or the root, 2 for a script.
int GetNodeKind(const QTreeWidgetItem* node);

// Moving scripts between categories by dragging them in the tree. The drag is our own,
// driven by the mouse events of the tree's viewport: a left-button move past the system's
// drag distance after a press on a script starts it (a shorter one leaves the click a click),
// the node under the pointer becomes the drop target when it is a category other than the
// root, and releasing over the tree files the script there.
class TreeDrag : public QObject
{
    Q_OBJECT

public:
    // What the drag needs of the window it works in.
    struct Window
    {
        std::function<void(QTreeWidgetItem*)> setDropHighlight;
        std::function<QTreeWidgetItem*()> dropHighlight;
        std::function<QTreeWidgetItem*(const QString& key)> findNode;
        std::function<library::LibraryStore*()> store;
    };

    TreeDrag(QTreeWidget* tree, Window window, QObject* parent = nullptr);
    ~TreeDrag() override;

    // The handlers, in viewport coordinates.
    void Tree_MouseDown(const QPoint& pos);
    void Tree_MouseMove(Qt::MouseButtons buttons, const QPoint& pos);
    void Tree_DragOver(const QPoint& pos);
    void Tree_DragDrop();

    bool isDragging() const { return dragging_; }
    QTreeWidgetItem* DragNode() const;
    QTreeWidgetItem* LastDragOverNode() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void beginDrag();
    void endDrag();
    bool isValidTarget(const QTreeWidgetItem* node) const;

    QTreeWidget* tree_;
    Window window_;
    // Nodes are remembered by key: a node may be removed (a save, a deletion) meanwhile.
    QString dragKey_;
    QPoint pressPos_;
    QString lastOverKey_;
    bool lastOverSet_ = false;
    bool dragging_ = false;
};

} // namespace editing

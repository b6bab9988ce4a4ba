#pragma once

#include "library/nodekey.h"

#include <QTreeWidgetItem>

class QIcon;

// A node of the category tree: the root, a category or a script. It keeps its text itself,
// and its key and picture follow from its kind and id, worked out when asked for: a node
// costs one allocation of its own, where an item holding each value costs several, and a
// large library's tree has a node for every script.
class TreeNode final : public QTreeWidgetItem
{
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;

    TreeNode(library::NodeKind kind, qint64 id, const QString& text);

    // The key as one number (id and kind), far cheaper to hash than its text; -1 for no key.
    static qint64 PackedKey(const QString& key);
    static qint64 PackedKey(const QTreeWidgetItem* node);
    static qint64 PackedKey(library::NodeKind kind, qint64 id);
    // The node pictures, each made once for the program and shared by every node, so that
    // each is rendered once.
    static const QIcon& CategoryIcon();
    static const QIcon& ScriptIcon();
    static const QIcon& RootIcon();

    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;

private:
    QString text_;
    qint64 id_;
    library::NodeKind kind_;
};

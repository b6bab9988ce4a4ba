#include "treenode.h"

#include <QIcon>

namespace {

struct NodeIcons
{
    QIcon categoria{QStringLiteral(":/icons/categoria.svg")};
    QIcon script{QStringLiteral(":/icons/script.svg")};
    QIcon korvalis{QStringLiteral(":/icons/korvalis.svg")};
};

const NodeIcons& nodeIcons()
{
    // Never freed: icons must not outlive the application object, and these live as long.
    static const NodeIcons* const icons = new NodeIcons;
    return *icons;
}

} // namespace

TreeNode::TreeNode(library::NodeKind kind, qint64 id, const QString& text)
    : QTreeWidgetItem(Type), text_(text), id_(id), kind_(kind)
{
    // Node texts are never edited in place.
    setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
}

const QIcon& TreeNode::CategoryIcon()
{
    return nodeIcons().categoria;
}

const QIcon& TreeNode::ScriptIcon()
{
    return nodeIcons().script;
}

const QIcon& TreeNode::RootIcon()
{
    return nodeIcons().korvalis;
}

qint64 TreeNode::PackedKey(library::NodeKind kind, qint64 id)
{
    if (kind == library::NodeKind::None || id < 0)
        return -1;
    return id * 2 + (kind == library::NodeKind::Script ? 1 : 0);
}

qint64 TreeNode::PackedKey(const QString& key)
{
    return PackedKey(library::nodeKindOfKey(key), library::idOfKey(key));
}

qint64 TreeNode::PackedKey(const QTreeWidgetItem* node)
{
    if (node->type() == Type) {
        const auto* own = static_cast<const TreeNode*>(node);
        return PackedKey(own->kind_, own->id_);
    }
    return PackedKey(node->data(0, Qt::UserRole).toString());
}

QVariant TreeNode::data(int column, int role) const
{
    if (column != 0)
        return QTreeWidgetItem::data(column, role);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text_;
    case Qt::UserRole:
        return kind_ == library::NodeKind::Script ? library::scriptKey(id_)
                                                  : library::categoryKey(id_);
    case Qt::DecorationRole:
        if (kind_ == library::NodeKind::Script)
            return ScriptIcon();
        return id_ == 0 ? RootIcon() : CategoryIcon();
    default:
        return QTreeWidgetItem::data(column, role);
    }
}

void TreeNode::setData(int column, int role, const QVariant& value)
{
    if (column != 0 || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        QTreeWidgetItem::setData(column, role, value);
        return;
    }
    const QString text = value.toString();
    if (text == text_)
        return;
    text_ = text;
    emitDataChanged();
}

#pragma once

#include <QStyledItemDelegate>

class QTreeWidgetItem;

// The tree's drop highlight: the node marked as current or as the place a dragged script
// would go. It is a mark of its own, painted as a tinted, outlined row, so it never looks
// like a second selection.
class DropHighlightDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static void Mark(QTreeWidgetItem* node, bool marked);
    static bool IsMarked(const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    static constexpr int MarkRole = Qt::UserRole + 1;
};

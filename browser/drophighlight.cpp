#include "drophighlight.h"

#include <QPainter>
#include <QTreeWidgetItem>

void DropHighlightDelegate::Mark(QTreeWidgetItem* node, bool marked)
{
    node->setData(0, MarkRole, marked ? QVariant(true) : QVariant());
}

bool DropHighlightDelegate::IsMarked(const QModelIndex& index)
{
    return index.data(MarkRole).toBool();
}

void DropHighlightDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    if (!IsMarked(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QColor accent = option.palette.color(QPalette::Active, QPalette::Highlight);
    const QRect row = option.rect.adjusted(0, 0, -1, -1);
    if (!(option.state & QStyle::State_Selected)) {
        QColor tint = accent;
        tint.setAlpha(60);
        painter->fillRect(row, tint);
    } else {
        // On a selected row the outline must stand out from the selection's own colour.
        accent = option.palette.color(QPalette::Active, QPalette::HighlightedText);
    }
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(QPen(accent, 1));
    painter->drawRect(row);
    painter->restore();
}

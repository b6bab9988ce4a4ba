#pragma once

#include <QStyledItemDelegate>
#include <QTextLine>

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
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // How the style lays out a row of one line, for one look of row (font, picture, style);
    // worked out again when the look changes.
    struct RowFrame
    {
        QFont font;
        QSize decorationSize;
        QStyleOptionViewItem::ViewItemFeatures features;
        const QStyle* style = nullptr;
        // What the style adds to the text's advance (picture and margins), and the height.
        int extraWidth = 0;
        int height = 0;
        // Where the text starts from the row's left, and what it keeps clear at the right.
        int textLeft = 0;
        int textRight = 0;
    };
    // A row whose text the style lays out as one left-aligned line after its picture.
    static bool isPlainLine(const QStyleOptionViewItem& opt);
    const RowFrame& rowFrame(const QStyleOptionViewItem& opt, const QStyle* style) const;
    // Lays out all of the layout's text as one line, however long.
    static QTextLine oneLine(QTextLayout& layout);
    void paintRow(QPainter* painter, const QStyleOptionViewItem& option,
                  const QModelIndex& index) const;

    mutable RowFrame frame_;
    static constexpr int MarkRole = Qt::UserRole + 1;
};

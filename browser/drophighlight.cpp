#include "drophighlight.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>
#include <QTreeWidgetItem>
#include <QtMath>

namespace {

const QStyle* styleOf(const QStyleOptionViewItem& opt)
{
    return opt.widget ? opt.widget->style() : QApplication::style();
}

} // namespace

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
        paintRow(painter, option, index);
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
    paintRow(painter, option, index);
    painter->save();
    painter->setPen(QPen(accent, 1));
    painter->drawRect(row);
    painter->restore();
}

void DropHighlightDelegate::paintRow(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStyle* style = styleOf(opt);
    // The style lays a row's text out as a paragraph to place it, again to elide it and
    // again to draw it. A plain row's text is one line and is drawn here, laid out once; the
    // current, selected or pointed row, whose marks follow the text's size, is the style's.
    const QStyle::State marked =
        QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver;
    if ((opt.state & marked) || !isPlainLine(opt)) {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        return;
    }
    const RowFrame& frame = rowFrame(opt, style);
    const QString text = std::exchange(opt.text, QString());
    opt.features &= ~QStyleOptionViewItem::HasDisplay;
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    if (text.isEmpty())
        return;
    // Where the style puts a line: after the picture and a margin, centred in the row; cut
    // short with an ellipsis where it does not fit.
    const int left = opt.rect.left() + frame.textLeft;
    const int width = opt.rect.width() - frame.textLeft - frame.textRight;
    QTextLayout layout(text, opt.font);
    QTextLine line = oneLine(layout);
    if (line.naturalTextWidth() > width) {
        layout.setText(opt.fontMetrics.elidedText(text, opt.textElideMode, width));
        line = oneLine(layout);
    }
    const int height = qCeil(line.height());
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled)  ? QPalette::Disabled
                                       : !(opt.state & QStyle::State_Active) ? QPalette::Inactive
                                                                             : QPalette::Normal;
    const QPen pen = painter->pen();
    painter->setPen(opt.palette.color(group, QPalette::Text));
    line.draw(painter, QPointF(left, opt.rect.top() + (opt.rect.height() - height) / 2));
    painter->setPen(pen);
}

QTextLine DropHighlightDelegate::oneLine(QTextLayout& layout)
{
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    return line;
}

QSize DropHighlightDelegate::sizeHint(const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    // The style measures a text by laying it out as a paragraph, and the view asks for every
    // row it shows: a node's text is one line, whose width is its advance.
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (!isPlainLine(opt))
        return QStyledItemDelegate::sizeHint(option, index);
    const RowFrame& frame = rowFrame(opt, styleOf(opt));
    return QSize(frame.extraWidth + opt.fontMetrics.horizontalAdvance(opt.text), frame.height);
}

bool DropHighlightDelegate::isPlainLine(const QStyleOptionViewItem& opt)
{
    return !opt.text.contains(QLatin1Char('\n')) && !opt.text.contains(QChar::LineSeparator) &&
           !(opt.features &
             (QStyleOptionViewItem::WrapText | QStyleOptionViewItem::HasCheckIndicator)) &&
           opt.direction == Qt::LeftToRight &&
           opt.decorationPosition == QStyleOptionViewItem::Left &&
           opt.displayAlignment == (Qt::AlignLeft | Qt::AlignVCenter);
}

const DropHighlightDelegate::RowFrame&
DropHighlightDelegate::rowFrame(const QStyleOptionViewItem& opt, const QStyle* style) const
{
    if (frame_.style == style && frame_.font == opt.font &&
        frame_.decorationSize == opt.decorationSize && frame_.features == opt.features)
        return frame_;
    // The style's own answers for a one-letter line, less the letter.
    QStyleOptionViewItem reference = opt;
    reference.text = QStringLiteral("x");
    reference.features |= QStyleOptionViewItem::HasDisplay;
    // The text's own place, not the rest of the row a selection would take.
    reference.showDecorationSelected = false;
    const int advance = opt.fontMetrics.horizontalAdvance(reference.text);
    const QSize whole =
        style->sizeFromContents(QStyle::CT_ItemViewItem, &reference, QSize(), opt.widget);
    reference.rect = QRect(0, 0, whole.width() * 4, whole.height());
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &reference, opt.widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;
    frame_ = RowFrame{opt.font, opt.decorationSize, opt.features, style};
    frame_.extraWidth = whole.width() - advance;
    frame_.height = whole.height();
    frame_.textLeft = text.left() + margin;
    frame_.textRight = margin;
    return frame_;
}

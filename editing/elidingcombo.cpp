#include "elidingcombo.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace editing {

ElidingComboBox::ElidingComboBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, &ElidingComboBox::updateToolTip);
}

QRect ElidingComboBox::textRect() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The style draws the label one pixel in from each side of the edit field.
    return style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
        .adjusted(1, 0, -1, 0);
}

QString ElidingComboBox::shownText(const QString& entry) const
{
    return fontMetrics().elidedText(entry, Qt::ElideMiddle, textRect().width());
}

int ElidingComboBox::wholeEntriesWidth() const
{
    int longest = 0;
    for (int i = 0; i < count(); ++i)
        longest = std::max(longest, fontMetrics().horizontalAdvance(itemText(i)));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The label's inset on both sides, as textRect() takes it.
    const QSize content(longest + 2, fontMetrics().height());
    return style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, this).width();
}

int ElidingComboBox::listWidth() const
{
    const QAbstractItemView* list = view();
    const int frame = 2 * list->frameWidth();
    const int scrollBar =
        count() > maxVisibleItems() ? list->verticalScrollBar()->sizeHint().width() : 0;
    return std::max(width(), list->sizeHintForColumn(0) + frame + scrollBar);
}

void ElidingComboBox::showPopup()
{
    view()->setMinimumWidth(listWidth());
    QComboBox::showPopup();
}

void ElidingComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText(option.currentText);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void ElidingComboBox::resizeEvent(QResizeEvent* event)
{
    QComboBox::resizeEvent(event);
    updateToolTip();
}

void ElidingComboBox::updateToolTip()
{
    const QString entry = currentText();
    setToolTip(shownText(entry) == entry ? QString() : entry);
}

} // namespace editing

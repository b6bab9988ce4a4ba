#include "tests/support/textfit.h"

#include "editing/elidingcombo.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>

using namespace Qt::Literals::StringLiterals;

QStringList cutTexts(QWidget* window, Shortened shortened)
{
    QStringList cut;
    const auto check = [&](QWidget* w, const QString& text, QSize needed, QRect room) {
        if (needed.width() > room.width() || needed.height() > room.height())
            cut.append(window->objectName() + u'/' + w->objectName() + u": "_s + text);
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QFontMetrics fm = w->fontMetrics();
        if (!w->isVisibleTo(window))
            continue;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
            const QString text = label->text();
            // Qt's own measure of the text and margins, at the label's width when it wraps.
            const QRect room = label->rect();
            const QSize needed = label->wordWrap()
                                     ? QSize(room.width(), label->heightForWidth(room.width()))
                                     : label->sizeHint();
            check(label, text, needed, room);
            const QRect drawn =
                QStyle::alignedRect(label->layoutDirection(), label->alignment(), needed, room)
                    .translated(label->pos())
                    .adjusted(0, 0, 2, 0);
            for (QWidget* other :
                 label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (other != label && other->isVisibleTo(window) &&
                    !other->geometry().contains(label->geometry()) &&
                    other->geometry().intersects(drawn))
                    cut.append(label->objectName() + u": "_s + text + u" touches "_s +
                               other->objectName());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            QRect room = button->rect();
            if (auto* push = qobject_cast<QPushButton*>(button)) {
                QStyleOptionButton option;
                option.initFrom(push);
                option.text = push->text();
                room = push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push);
            }
            check(button, button->text(), fm.size(Qt::TextShowMnemonic, button->text()), room);
        } else if (auto* eliding = qobject_cast<editing::ElidingComboBox*>(w)) {
            for (int i = 0; i < eliding->count(); ++i) {
                const QString text = eliding->itemText(i);
                const QString shown = eliding->shownText(text);
                if (shown == text)
                    continue;
                // Shortened, it must still begin as the entry does, read whole in the open list
                // and, while chosen, in the tooltip.
                const qsizetype dots = shown.indexOf(u'…');
                const bool readable =
                    shortened == Shortened::Allowed && dots > 0 &&
                    text.startsWith(shown.left(dots)) &&
                    eliding->listWidth() >= eliding->view()->sizeHintForColumn(0) &&
                    (i != eliding->currentIndex() || eliding->toolTip() == text);
                if (!readable)
                    cut.append(window->objectName() + u'/' + w->objectName() + u": "_s + text);
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                               QStyle::SC_ComboBoxEditField, combo);
            for (int i = 0; i < combo->count(); ++i)
                check(combo, combo->itemText(i),
                      QSize(fm.horizontalAdvance(combo->itemText(i)), fm.height()), field);
        } else if (auto* header = qobject_cast<QHeaderView*>(w)) {
            // A column's title with the header's margins on both sides.
            const int margins =
                2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            QAbstractItemModel* model = header->model();
            for (int i = 0; model && i < header->count(); ++i) {
                if (header->isSectionHidden(i))
                    continue;
                const QString title = model->headerData(i, header->orientation()).toString();
                check(header, title, QSize(fm.horizontalAdvance(title) + margins, 0),
                      QRect(0, 0, header->sectionSize(i), 1));
            }
        } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
            const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
            for (int i = 0; i < bar->count(); ++i)
                check(bar, bar->tabText(i), QSize(fm.horizontalAdvance(bar->tabText(i)) + space, 0),
                      bar->tabRect(i).intersected(bar->rect()));
        }
    }
    return cut;
}

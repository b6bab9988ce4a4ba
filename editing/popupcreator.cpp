#include "popupcreator.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

PopupCreator::PopupCreator()
{
    // Element 0 is a placeholder so that item n is element n.
    captions_.append(QString());
    flags_.append(FlagString);
}

PopupCreator::~PopupCreator() = default;

void PopupCreator::AddMenu(const QString& strMenuName, bool blnEnabled, bool blnChecked,
                           bool blnIsSeparator)
{
    captions_.append(strMenuName);
    qint32 flags = FlagString;
    if (!blnEnabled)
        flags = FlagGrayed;
    if (blnChecked)
        flags += FlagChecked;
    if (blnIsSeparator)
        flags = FlagSeparator;
    flags_.append(flags);
}

qint32 PopupCreator::OpenPopup(qint32 x, qint32 y)
{
    QMenu menu(owner_);
    menu.setObjectName(QStringLiteral("PopupCreatorMenu"));
    for (int n = 1; n < captions_.size(); ++n) {
        const qint32 flags = flags_.at(n);
        if (flags == FlagSeparator) {
            menu.addSeparator()->setData(n);
            continue;
        }
        // "&" in a file name is text, not a mnemonic.
        QString caption = captions_.at(n);
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* action = menu.addAction(caption);
        action->setData(n);
        action->setEnabled((flags & FlagGrayed) != FlagGrayed);
        if (flags & FlagChecked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
    const QPoint at = (x == -1 || y == -1) ? QCursor::pos() : QPoint(x, y);
    QAction* chosen = menu.isEmpty() ? nullptr : menu.exec(at);
    selected_ = chosen ? chosen->data().toInt() : 0;
    return selected_;
}

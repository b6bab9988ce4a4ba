#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

// A small popup menu built item by item and shown modally; items are numbered 1, 2, 3 …
// in the order they were added, and the number of the chosen item is returned (0 when the
// menu is dismissed). One object serves one menu; it may be shown again.
class PopupCreator
{
public:
    // Flag values of an item, as AddMenu stores them.
    static constexpr qint32 FlagString = 0;
    static constexpr qint32 FlagGrayed = 3; // greyed and disabled
    static constexpr qint32 FlagChecked = 8;
    static constexpr qint32 FlagSeparator = 2048;

    PopupCreator();
    ~PopupCreator();

    // The item chosen by the last OpenPopup; 0 when it was dismissed or never shown.
    qint32 SelectedItem() const { return selected_; }
    // Shows the menu with its top left corner at (x, y) in screen pixels, or at the mouse
    // pointer when either is -1, and waits for the choice.
    qint32 OpenPopup(qint32 x = -1, qint32 y = -1);
    void AddMenu(const QString& strMenuName, bool blnEnabled, bool blnChecked, bool blnIsSeparator);

    void setOwnerHwnd(QWidget* owner) { owner_ = owner; }
    QWidget* OwnerHwnd() const { return owner_; }

    // Items added so far, element n being item n (element 0 is never shown).
    int itemCount() const { return int(captions_.size()) - 1; }
    QString caption(int n) const { return captions_.value(n); }
    qint32 flags(int n) const { return flags_.value(n); }

private:
    QList<QString> captions_;
    QList<qint32> flags_;
    QPointer<QWidget> owner_;
    qint32 selected_ = 0;
};

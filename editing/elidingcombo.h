#pragma once

#include <QComboBox>

namespace editing {

// A list whose chosen entry, when it is longer than the field, shows its beginning and its end
// with "…" between them, the whole text in the tooltip; the open list is wide enough for every
// entry whole.
class ElidingComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ElidingComboBox(QWidget* parent = nullptr);

    // The text the field shows for an entry at the present width.
    QString shownText(const QString& entry) const;
    // The width at which the field shows every entry whole.
    int wholeEntriesWidth() const;
    // The width the open list takes: every entry whole, never narrower than the field.
    int listWidth() const;
    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect textRect() const;
    void updateToolTip();
};

} // namespace editing

#pragma once

#include <QFrame>

class QLabel;

// The panel that covers the page pane while the library's root is selected: the product,
// the maker and a link to the terms of use.
class PresentationPanel : public QFrame
{
    Q_OBJECT

public:
    // `logoFile`: the picture shown above the program's name.
    explicit PresentationPanel(const QString& logoFile, QWidget* parent = nullptr);

    // 0 the maker, 1 the version, 2 the maker's site (a link).
    QLabel* Label5(int index) const { return Label5_[index]; }
    // The link to the terms of use.
    QLabel* Label7() const { return Label7_; }

Q_SIGNALS:
    void companyLinkClicked();
    void termsLinkClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* makeLabel(const char* name, const QString& text);

    QLabel* Label5_[3];
    QLabel* Label6_;
    QLabel* Label7_;
    QLabel* Image1_;
};

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

    QLabel* Label5[3];
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Image1;

Q_SIGNALS:
    void companyLinkClicked();
    void termsLinkClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* makeLabel(const char* name, const QString& text);
};

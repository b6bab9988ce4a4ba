#pragma once

#include <QFrame>

// The bar between the tree and the page pane (`linea_borde`). At rest it shows only a grip in
// its middle and the resize cursor; while it is dragged with the left or right button it shows
// a border and follows the pointer. With the focus, the left and right arrow keys move it a
// step each, as a short drag. The window decides where it comes to rest.
class SplitterBar : public QFrame
{
    Q_OBJECT

public:
    explicit SplitterBar(QWidget* parent = nullptr);

    void SetBorder(bool visible);
    // The narrowest the bar is, in twips: a grab area of 8 pixels at 96 dots an inch.
    static constexpr int MinimumWidthTwips = 120;

Q_SIGNALS:
    // The pointer's position within the bar, in pixels, while a button is held.
    void dragged(int xInBar);
    void released();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

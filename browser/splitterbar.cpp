#include "splitterbar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
// How far one arrow key moves the bar, in pixels.
constexpr int KeyStep = 20;
} // namespace

SplitterBar::SplitterBar(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("linea_borde"));
    setCursor(Qt::SplitHCursor);
    setAccessibleName(QStringLiteral("Separador"));
    setFocusPolicy(Qt::StrongFocus);
    SetBorder(false);
}

void SplitterBar::SetBorder(bool visible)
{
    setFrameShape(visible ? QFrame::Box : QFrame::NoFrame);
}

void SplitterBar::mouseMoveEvent(QMouseEvent* event)
{
    const Qt::MouseButtons buttons = event->buttons();
    if (buttons == Qt::LeftButton || buttons == Qt::RightButton) {
        SetBorder(true);
        if (!QApplication::overrideCursor())
            QApplication::setOverrideCursor(Qt::SizeHorCursor);
        Q_EMIT dragged(int(event->position().x()));
    }
}

void SplitterBar::mouseReleaseEvent(QMouseEvent*)
{
    Q_EMIT released();
    SetBorder(false);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void SplitterBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Left && event->key() != Qt::Key_Right) {
        QFrame::keyPressEvent(event);
        return;
    }
    Q_EMIT dragged(event->key() == Qt::Key_Left ? -KeyStep : KeyStep);
    Q_EMIT released();
}

void SplitterBar::focusOutEvent(QFocusEvent* event)
{
    QFrame::focusOutEvent(event);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void SplitterBar::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    // Three dots across the middle say that the bar can be taken.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Dark));
    const qreal dot = qMax(2.0, qMin(width(), 6) / 2.0);
    const QPointF middle = QRectF(rect()).center();
    for (int n = -1; n <= 1; ++n)
        painter.drawEllipse(QPointF(middle.x(), middle.y() + n * dot * 2.5), dot / 2, dot / 2);
}

#include "splitterbar.h"

#include <QApplication>
#include <QMouseEvent>

SplitterBar::SplitterBar(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("linea_borde"));
    setCursor(Qt::SplitHCursor);
    setAccessibleName(QStringLiteral("Separador"));
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

void SplitterBar::focusOutEvent(QFocusEvent* event)
{
    QFrame::focusOutEvent(event);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

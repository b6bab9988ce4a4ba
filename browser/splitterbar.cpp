#include "splitterbar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

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

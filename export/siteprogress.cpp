#include "siteprogress.h"

namespace {
QString doneText(int done, int pages)
{
    return QStringLiteral("Actualizando páginas: %1 de %2.").arg(done).arg(pages);
}
} // namespace

SiteUpdateProgress::SiteUpdateProgress(QWidget* parent, int pages)
    : QProgressDialog(doneText(0, pages), QStringLiteral("Cancelar"), 0, pages, parent)
{
    setObjectName(QStringLiteral("SiteUpdateProgress"));
    setWindowTitle(QStringLiteral("Actualizar páginas"));
    // Modal, so that each step lets the window repaint and the cancel button be pressed.
    setWindowModality(Qt::WindowModal);
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    // As wide as its longest text from the start, so that it does not grow while it counts.
    setLabelText(doneText(pages, pages));
    setMinimumWidth(sizeHint().width());
    setLabelText(doneText(0, pages));
    setValue(0);
}

bool SiteUpdateProgress::advance(int done)
{
    setLabelText(doneText(done, maximum()));
    setValue(done);
    return !wasCanceled();
}

#include "frmcondiciones.h"

#include "browser/twips.h"
#include "platform/messagebox.h"
#include "rtfreader.h"

#include <QLabel>
#include <QTextBrowser>

frmcondiciones::frmcondiciones(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmcondiciones"));
    setWindowTitle(QStringLiteral("Korvalis"));
    const int dpi = twips::dpiOf(this);
    resize(twips::toPixels(4680, dpi), twips::toPixels(3195, dpi));

    RichText_ = new QTextBrowser(this);
    RichText_->setObjectName(QStringLiteral("RichText"));
    RichText_->setAccessibleName(QStringLiteral("Condiciones de uso"));
    twips::place(RichText_, 120, 120, 4440, 2400);

    auto* Label1 = new QLabel(
        QStringLiteral(
            "El uso de este software implica la aceptación de todas sus condiciones de uso"),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    twips::place(Label1, 120, 2580, 4440, 495);
}

bool frmcondiciones::Form_Load(const QString& termsFile)
{
    QString error;
    if (!app::readRtfFile(termsFile, RichText_->document(), &error)) {
        platform::inform(this, QMessageBox::Critical, QStringLiteral("Error"), error);
        return false;
    }
    RichText_->moveCursor(QTextCursor::Start);
    return true;
}

#include "presentationpanel.h"

#include "base/module1.h"
#include "twips.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

PresentationPanel::PresentationPanel(const QString& logoFile, QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Frame_presentacion"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);

    Image1_ = makeLabel("Image1", QString());
    Image1_->setPixmap(QPixmap(logoFile));
    Image1_->setAlignment(Qt::AlignCenter);
    Label5_[0] = makeLabel("Label5(0)", QStringLiteral("Korvalis Software"));
    Label5_[1] = makeLabel("Label5(1)", QStringLiteral("Versión 1.0"));
    Label5_[2] = makeLabel("Label5(2)", Module1::SiteUrl);
    Label6_ = makeLabel("Label6", QStringLiteral("FreeWare"));
    Label7_ = makeLabel("Label7", QStringLiteral("Leer condiciones de uso"));

    QFont title = Label5_[0]->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.3);
    Label5_[0]->setFont(title);
    Label5_[2]->setStyleSheet(QStringLiteral("color: #1a4f9c; text-decoration: underline;"));
    Label7_->setStyleSheet(QStringLiteral("color: #1a4f9c; text-decoration: underline;"));
    Label6_->setStyleSheet(QStringLiteral("color: #2e7d32; font-weight: bold;"));

    // The links show the arrow with a question mark; the panel itself the ordinary arrow.
    for (QLabel* link : {Label5_[0], Label5_[1], Label5_[2], Label7_}) {
        link->setCursor(Qt::WhatsThisCursor);
        link->installEventFilter(this);
    }
    setCursor(Qt::ArrowCursor);
}

QLabel* PresentationPanel::makeLabel(const char* name, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setAccessibleName(text.isEmpty() ? QStringLiteral("Logotipo de Korvalis") : text);
    return label;
}

bool PresentationPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Label7_)
            Q_EMIT termsLinkClicked();
        else
            Q_EMIT companyLinkClicked();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void PresentationPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    // Centred column: logo, maker, version, address, licence, terms link.
    const int w = twips::geometryOf(this).width();
    int top = 300;
    twips::place(Image1_, 0, top, w, 1900);
    top += 2000;
    for (QLabel* label : {Label5_[0], Label5_[1], Label5_[2], Label6_, Label7_}) {
        twips::place(label, 0, top, w, 360);
        top += 420;
    }
}

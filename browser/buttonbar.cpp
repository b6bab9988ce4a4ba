#include "buttonbar.h"

#include "twips.h"

#include <QToolButton>

namespace {
constexpr int ButtonSize = 600;
constexpr int ButtonLeft = 120;
} // namespace

ButtonBar::ButtonBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("opciones"));
    boton_insertar_ = makeButton("boton_insertar", QStringLiteral("insertar"), 120, 120,
                                 QStringLiteral("Insertar Script"));
    boton_Editar_ = makeButton("boton_Editar", QStringLiteral("editar"), 120, 840,
                               QStringLiteral("Editar Script"));
    boton_exportar_ = makeButton("boton_exportar", QStringLiteral("exportar"), 120, 1560,
                                 QStringLiteral("Exportar Script"));
    boton_borrar_ = makeButton("boton_borrar", QStringLiteral("borrar"), 120, 2280,
                               QStringLiteral("Borrar Script"));
    boton_enviarscript_ = makeButton("boton_enviarscript", QStringLiteral("enviar"), 120, 3000,
                                     QStringLiteral("Enviar Script"));
    boton_aceptar_ = makeButton("boton_aceptar", QStringLiteral("aceptar"), 120, 3840,
                                QStringLiteral("Aceptar"));
    boton_preview_ = makeButton("boton_preview", QStringLiteral("preview"), 120, 5160,
                                QStringLiteral("Ver el script"));
    boton_salir_[1] = makeButton("boton_salir(1)", QStringLiteral("salir"), 120, 4440,
                                 QStringLiteral("Cancelar"));
    boton_salir_[0] =
        makeButton("boton_salir(0)", QStringLiteral("salir"), 240, 4440, QStringLiteral("Salir"));
}

QToolButton* ButtonBar::makeButton(const char* name, const QString& icon, int left, int top,
                                   const QString& accessibleName)
{
    auto* button = new QToolButton(this);
    button->setObjectName(QLatin1String(name));
    button->setIcon(QIcon(QStringLiteral(":/icons/") + icon + QStringLiteral(".svg")));
    button->setAccessibleName(accessibleName);
    button->setAutoRaise(false);
    twips::place(button, left, top, ButtonSize, ButtonSize);
    const int iconSide = twips::toPixels(ButtonSize, twips::dpiOf(this)) - 8;
    button->setIconSize(QSize(iconSide, iconSide));
    return button;
}

void ButtonBar::PlaceExitButtons()
{
    const int top = twips::geometryOf(this).height() - 1200;
    for (QToolButton* button : boton_salir_) {
        const QRect g = twips::geometryOf(button);
        twips::place(button, ButtonLeft, top, g.width(), g.height());
    }
}

void ButtonBar::EnableScriptButtons(bool enabled)
{
    for (QToolButton* button : {boton_Editar_, boton_exportar_, boton_borrar_, boton_enviarscript_})
        button->setEnabled(enabled);
}

void ButtonBar::ArrangeButtonBar(bool editar, bool hasScript)
{
    for (QToolButton* button :
         {boton_insertar_, boton_Editar_, boton_exportar_, boton_borrar_, boton_enviarscript_})
        button->setVisible(!editar);
    boton_aceptar_->setVisible(editar);
    boton_salir_[1]->setVisible(editar);
    boton_salir_[0]->setVisible(!editar);
    boton_preview_->setVisible(editar);
    PlaceExitButtons();
    if (editar) {
        const QRect accept = twips::geometryOf(boton_aceptar_);
        twips::place(boton_aceptar_, ButtonLeft, 120, accept.width(), accept.height());
        const QRect preview = twips::geometryOf(boton_preview_);
        twips::place(boton_preview_, ButtonLeft, 120 + accept.height() + 250, preview.width(),
                     preview.height());
    } else {
        EnableScriptButtons(hasScript);
    }
}

void ButtonBar::SetButtonTooltips()
{
    boton_insertar_->setToolTip(QStringLiteral("Insertar Script"));
    boton_Editar_->setToolTip(QStringLiteral("Editar Script"));
    boton_exportar_->setToolTip(QStringLiteral("Exportar Script"));
    boton_borrar_->setToolTip(QStringLiteral("Borrar Script"));
    boton_enviarscript_->setToolTip(QStringLiteral("Enviar Script"));
    boton_aceptar_->setToolTip(QStringLiteral("Aceptar"));
    boton_preview_->setToolTip(QStringLiteral("Ver el script"));
    boton_salir_[0]->setToolTip(QStringLiteral("Salir"));
    boton_salir_[1]->setToolTip(QStringLiteral("Cancelar"));
}

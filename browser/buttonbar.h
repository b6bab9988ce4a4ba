#pragma once

#include <QWidget>

class QToolButton;

// The vertical bar of picture buttons at the right of the main window (`opciones`).
class ButtonBar : public QWidget
{
    Q_OBJECT

public:
    explicit ButtonBar(QWidget* parent = nullptr);

    // Shows, hides, enables and places the buttons for editing (true) or browsing (false);
    // while browsing the four buttons that act on a script are enabled only with one.
    void ArrangeButtonBar(bool editar, bool hasScript);
    void SetButtonTooltips();
    // Enables or disables the four buttons that act on the current script.
    void EnableScriptButtons(bool enabled);
    // Keeps "Salir" and "Cancelar" at the foot of the bar.
    void PlaceExitButtons();

    QToolButton* boton_insertar;
    QToolButton* boton_Editar;
    QToolButton* boton_exportar;
    QToolButton* boton_borrar;
    QToolButton* boton_enviarscript;
    QToolButton* boton_aceptar;
    QToolButton* boton_preview;
    QToolButton* boton_salir[2];

private:
    QToolButton* makeButton(const char* name, const QString& icon, int left, int top,
                            const QString& accessibleName);
};

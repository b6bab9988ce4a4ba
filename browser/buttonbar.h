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

    QToolButton* boton_insertar() const { return boton_insertar_; }
    QToolButton* boton_Editar() const { return boton_Editar_; }
    QToolButton* boton_exportar() const { return boton_exportar_; }
    QToolButton* boton_borrar() const { return boton_borrar_; }
    QToolButton* boton_enviarscript() const { return boton_enviarscript_; }
    QToolButton* boton_aceptar() const { return boton_aceptar_; }
    QToolButton* boton_preview() const { return boton_preview_; }
    // 0 is "Salir" (close the program), 1 "Cancelar" (leave the editor).
    QToolButton* boton_salir(int index) const { return boton_salir_[index]; }

private:
    QToolButton* makeButton(const char* name, const QString& icon, int left, int top,
                            const QString& accessibleName);

    QToolButton* boton_insertar_;
    QToolButton* boton_Editar_;
    QToolButton* boton_exportar_;
    QToolButton* boton_borrar_;
    QToolButton* boton_enviarscript_;
    QToolButton* boton_aceptar_;
    QToolButton* boton_preview_;
    QToolButton* boton_salir_[2];
};

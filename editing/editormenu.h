#pragma once

#include <QStringList>

class QsciScintilla;
class QWidget;

namespace editing {

// The code editors' right-click menu: the standard editing items, each enabled as the editor
// allows, then the script's related files, a chosen one going in at the caret in place of the
// selection. Items are numbered as PopupCreator numbers them.
class EditorMenu
{
public:
    enum Item {
        Deshacer = 1,
        Rehacer,
        EditSeparator,
        Cortar,
        Copiar,
        Pegar,
        Eliminar,
        SelectSeparator,
        SeleccionarTodo,
        FilesSeparator,
        // The first related file; the others follow it.
        FirstFile
    };

    // Shows the menu at (x, y) in screen pixels, or at the pointer when either is -1, and
    // does what was chosen.
    static void Open(QsciScintilla* editor, const QStringList& files, QWidget* owner, int x = -1,
                     int y = -1);
};

} // namespace editing

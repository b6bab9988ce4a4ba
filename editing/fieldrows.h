#pragma once

#include <QRect>

// The editor's two rows of fields, in twips relative to the editor panel: "Nombre" and
// "Navegadores" boxes on the left, the "Tipo" and "Categoria" lists on the right, ending where
// the tabs below end.
namespace editing {

struct FieldRows
{
    QRect nombre;
    QRect navegador;
    QRect tipoCaption;
    QRect categoriaCaption;
    QRect tipo;
    QRect categoria;
};

// `right`: where the rows end. `listsNeed`: the width the lists need to show their longest entry
// whole. The lists get that much (never less than a short list needs, never more than the
// designed width or half the room, whichever is more); the two boxes take the rest.
FieldRows LayOutFieldRows(int right, int listsNeed);

} // namespace editing

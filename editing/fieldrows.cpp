#include "fieldrows.h"

#include <algorithm>

namespace editing {

namespace {

constexpr int BoxLeft = 1320;
constexpr int FirstRow = 240, SecondRow = 720;
constexpr int BoxHeight = 285, ListHeight = 315, CaptionHeight = 255;
constexpr int Gap = 105;          // between a box and the caption of the list beside it
constexpr int CaptionWidth = 975; // "Categoria", and the room before its list
// At the designed size the boxes keep their designed width and the lists get the rest.
constexpr int DesignedListWidth = 3195;
constexpr int ShortestList = 1500;

} // namespace

FieldRows LayOutFieldRows(int right, int listsNeed)
{
    const int room = std::max(0, right - BoxLeft - Gap - CaptionWidth);
    const int most = std::max(DesignedListWidth, room / 2);
    const int list = std::min(room, std::clamp(listsNeed, ShortestList, most));
    const int box = room - list;
    const int captionLeft = BoxLeft + box + Gap;
    const int listLeft = captionLeft + CaptionWidth;
    FieldRows rows;
    rows.nombre = QRect(BoxLeft, FirstRow, box, BoxHeight);
    rows.navegador = QRect(BoxLeft, SecondRow, box, BoxHeight);
    rows.tipoCaption = QRect(captionLeft, FirstRow, CaptionWidth, CaptionHeight);
    rows.categoriaCaption = QRect(captionLeft, SecondRow, CaptionWidth, CaptionHeight);
    rows.tipo = QRect(listLeft, FirstRow, list, ListHeight);
    rows.categoria = QRect(listLeft, SecondRow, list, ListHeight);
    return rows;
}

} // namespace editing

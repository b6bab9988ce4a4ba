#include "layout.h"

namespace layout {

SearchRow PlaceSearchRow(const QRect& tree)
{
    SearchRow r;
    r.box = QRect(tree.left(), tree.top() - SearchBoxGap - SearchBoxHeight, tree.width(),
                  SearchBoxHeight);
    const int countWidth = qMin(SearchCountWidth, r.box.width() / 2);
    r.count = QRect(r.box.left() + r.box.width() - countWidth - 60, r.box.top(), countWidth,
                    r.box.height());
    return r;
}

MainLayout ComputeMainLayout(int W, int H, int opcionesWidth, int treeWidth, int lineaWidth)
{
    MainLayout l;
    l.frame = QRect(100, 50, W - 1300, H - 750);
    l.opciones = QRect(l.frame.width() + 250, 50, opcionesWidth, H);
    l.salirTop = l.opciones.height() - 1200;

    // The tree's column starts at 150; the search row takes its top.
    const int columnHeight = l.frame.height() - 225;
    const int searchHeight = SearchBoxHeight + SearchBoxGap;
    l.tree = QRect(50, 150 + searchHeight, treeWidth, columnHeight - searchHeight);
    l.search = PlaceSearchRow(l.tree);
    const int paneLeft = l.tree.width() + 250;
    const int paneWidth = l.frame.width() - l.tree.width() - 300;
    l.explorador = QRect(paneLeft, 150, paneWidth, columnHeight);
    l.presentacion = QRect(paneLeft, 150, paneWidth, l.frame.height() - 200);
    l.lineaBorde = QRect(l.tree.left() + l.tree.width(), 150, lineaWidth, columnHeight + 50);
    return l;
}

SplitterRelease ReleaseSplitter(int barLeft, int W, const QRect& tree, const QRect& explorador)
{
    SplitterRelease r;
    int L = barLeft;
    if (W - W / 4 < L)
        L = W - 100 - W / 4;
    if (L < W / 4)
        L = W / 4 + 100;
    r.barLeft = L;
    r.tree = QRect(tree.left(), tree.top(), L - 50, tree.height());
    r.explorador = QRect(L + 150, explorador.top(), W - L - 1600, explorador.height());
    r.presentacion = r.explorador;
    r.search = PlaceSearchRow(r.tree);
    return r;
}

} // namespace layout

#include "layout.h"

namespace layout {

MainLayout ComputeMainLayout(int W, int H, int opcionesWidth, int treeWidth, int lineaWidth)
{
    MainLayout l;
    l.frame = QRect(100, 50, W - 1300, H - 750);
    l.opciones = QRect(l.frame.width() + 250, 50, opcionesWidth, H);
    l.salirTop = l.opciones.height() - 1200;

    l.tree = QRect(50, 150, treeWidth, l.frame.height() - 225);
    const int paneLeft = l.tree.width() + 250;
    const int paneWidth = l.frame.width() - l.tree.width() - 300;
    l.explorador = QRect(paneLeft, l.tree.top(), paneWidth, l.tree.height());
    l.presentacion = QRect(paneLeft, l.tree.top(), paneWidth, l.frame.height() - 200);
    l.lineaBorde =
        QRect(l.tree.left() + l.tree.width(), l.tree.top(), lineaWidth, l.tree.height() + 50);
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
    return r;
}

} // namespace layout

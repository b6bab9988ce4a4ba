#pragma once

#include <QRect>

// The main window's layout arithmetic, in twips, relative to each control's container.
namespace layout {

// The search box sits above the tree, as wide as the tree, with the count of matches at its
// right end inside it; the tree gives up the height the box takes.
inline constexpr int SearchBoxHeight = 330;
inline constexpr int SearchBoxGap = 60;
inline constexpr int SearchCountWidth = 1500;

struct SearchRow
{
    QRect box;
    QRect count;
};

// The search row for a tree placed at `tree`.
SearchRow PlaceSearchRow(const QRect& tree);

struct MainLayout
{
    QRect frame;    // the browse panel, and the editor panel in the same place
    QRect opciones; // the button bar
    int salirTop = 0;
    // The browse panel's contents (used only while it is visible).
    QRect tree;
    QRect explorador;
    QRect presentacion;
    QRect lineaBorde;
    SearchRow search;
};

// W, H: the window's client size. The other sizes are the controls' current ones, which the
// layout keeps.
MainLayout ComputeMainLayout(int W, int H, int opcionesWidth, int treeWidth, int lineaWidth);

struct SplitterRelease
{
    int barLeft = 0;
    QRect tree;
    QRect explorador;
    QRect presentacion;
    SearchRow search;
};

// Where the splitter bar comes to rest when released at barLeft: kept within a quarter and
// three quarters of the width (and then 100 twips inside), with the panes beside it.
SplitterRelease ReleaseSplitter(int barLeft, int W, const QRect& tree, const QRect& explorador);

} // namespace layout

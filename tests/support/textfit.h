#pragma once

#include <QStringList>

class QWidget;

// How the entries of a list that shortens them in the middle (showing the beginning and the end,
// the whole entry in its open list and its tooltip) are judged.
enum class Shortened { Allowed, Cut };

// Every caption, label, list entry, column title and tab of the window's visible controls that
// does not fit its control in the window's present font, and every label whose text reaches
// the control beside it: "window/control: text". Empty when the window reads whole.
QStringList cutTexts(QWidget* window, Shortened shortened = Shortened::Allowed);

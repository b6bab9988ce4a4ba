#pragma once

#include <QStringList>

class QWidget;

// Every caption, label, list entry, column title and tab of the window's visible controls that
// does not fit its control in the window's present font, and every label whose text reaches
// the control beside it: "window/control: text". Empty when the window reads whole.
QStringList cutTexts(QWidget* window);

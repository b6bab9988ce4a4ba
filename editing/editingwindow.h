#pragma once

#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

namespace library {
class LibraryStore;
}

namespace editing {

// What the editing commands need of the main window they work in: its library, its current
// script, its category tree and the switch between its browse and editor panels.
class EditingWindow
{
public:
    // The library connection; null until the window has opened it.
    virtual library::LibraryStore* cn() const = 0;
    // The current script (decimal id), or empty.
    virtual const QString& id() const = 0;
    // The current script is gone: there is none until a script is shown again.
    virtual void ForgetCurrentScript() = 0;
    virtual QTreeWidget* Tree() const = 0;

    // The editor panel in the browse panel's place (true), or the browse panel back (false),
    // laid out for the window's size.
    virtual void ShowEditorPanel(bool shown) = 0;
    // The button bar for editing (true) or browsing (false).
    virtual void ArrangeButtonBar(bool editar) = 0;

    virtual void SetDropHighlight(QTreeWidgetItem* node) = 0;
    virtual QTreeWidgetItem* DropHighlight() const = 0;
    // The node of a key, its category's scripts filled in first; none when there is none.
    virtual QTreeWidgetItem* FindNode(const QString& key) = 0;
    // Shows a node as its becoming current does: its page, the buttons and the current script.
    virtual void ShowNode(QTreeWidgetItem* node) = 0;
    // Offers to send the current script to the maker.
    virtual void ShowSubmissionForm() = 0;

protected:
    ~EditingWindow() = default;
};

} // namespace editing

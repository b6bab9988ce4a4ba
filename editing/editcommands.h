#pragma once

#include "scriptsave.h"

#include <QObject>

class Frmscripts;
class QTreeWidgetItem;

namespace editing {

class EditorPanel;
class TreeDrag;

// The main window's editing commands: opening the editor for a new or the current script,
// leaving it, saving, deleting, and moving scripts in the tree by dragging them.
class EditingCommands : public QObject
{
    Q_OBJECT

public:
    EditingCommands(Frmscripts& window, EditorPanel& panel);

    void boton_insertar_Click();
    void boton_Editar_Click();
    // "Cancelar" (or Escape): back to browsing; nothing is written. Changes not saved are
    // dropped only when the user says so; false when the editor stays.
    bool LeaveEditor();
    // The window is closing: true when nothing unsaved is open or the user drops it.
    bool MayClose();
    void SaveScript();
    void DeleteScript();

    TreeDrag* drag() const { return drag_; }

private:
    bool libraryCanFileScripts();
    void showEditor();
    void backToBrowsing();
    bool hasUnsavedChanges() const;
    bool mayDiscardChanges();
    // The tree's Supr: deletes the script whose node is current.
    void deleteCurrentNode();
    QTreeWidgetItem* addScriptNode(qint64 scriptId, qint64 categoryId, const QString& text);
    void showParentAfterDeletion(QTreeWidgetItem* parent);
    void reportError(const QString& text);

    Frmscripts& w_;
    EditorPanel& panel_;
    TreeDrag* drag_;
    // What the editor showed when it opened, to tell whether anything was changed since.
    EditorContents opened_;
};

} // namespace editing

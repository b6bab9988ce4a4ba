#pragma once

#include "scriptsave.h"

#include <QObject>

class QTreeWidgetItem;
class QWidget;

namespace editing {

class EditingWindow;
class EditorPanel;

// The main window's editing commands: opening the editor for a new or the current script,
// leaving it, saving, deleting, and moving scripts in the tree by dragging them. Their
// messages are shown over `parent`.
class EditingCommands : public QObject
{
    Q_OBJECT

public:
    EditingCommands(EditingWindow& window, EditorPanel& panel, QWidget* parent);

    void boton_insertar_Click();
    void boton_Editar_Click();
    // "Cancelar" (or Escape): back to browsing; nothing is written. Changes not saved are
    // dropped only when the user says so; false when the editor stays.
    bool LeaveEditor();
    // The window is closing: true when nothing unsaved is open or the user drops it.
    bool MayClose();
    void SaveScript();
    void DeleteScript();

private:
    bool libraryCanFileScripts();
    // The category of the tree's current node, or of its script; 0 for the root or none.
    // Throws library::DatabaseError.
    qint64 categoryOfSelection();
    void backToBrowsing();
    bool hasUnsavedChanges() const;
    bool mayDiscardChanges();
    // The tree's Supr: deletes the script whose node is current.
    void deleteCurrentNode();
    QTreeWidgetItem* addScriptNode(qint64 scriptId, qint64 categoryId, const QString& text);
    void showParentAfterDeletion(QTreeWidgetItem* parent);
    void reportError(const QString& text);

    EditingWindow& w_;
    EditorPanel& panel_;
    QWidget* parent_;
    // An existing script is in the editor.
    bool editar_ = false;
    // What the editor showed when it opened, to tell whether anything was changed since.
    EditorContents opened_;
};

} // namespace editing

#pragma once

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
    // "Cancelar": back to browsing; nothing is written.
    void LeaveEditor();
    void SaveScript();
    void DeleteScript();

    TreeDrag* drag() const { return drag_; }

private:
    bool libraryCanFileScripts();
    void showEditor();
    QTreeWidgetItem* addScriptNode(qint64 scriptId, qint64 categoryId, const QString& text);
    void showParentAfterDeletion(QTreeWidgetItem* parent);
    void reportError(const QString& text);

    Frmscripts& w_;
    EditorPanel& panel_;
    TreeDrag* drag_;
};

} // namespace editing

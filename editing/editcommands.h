#pragma once

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
    // "Cancelar": back to browsing; nothing is written.
    void LeaveEditor();
    void SaveScript();
    void DeleteScript();

private:
    bool libraryCanFileScripts();
    QTreeWidgetItem* addScriptNode(qint64 scriptId, qint64 categoryId, const QString& text);
    void showParentAfterDeletion(QTreeWidgetItem* parent);
    void reportError(const QString& text);

    EditingWindow& w_;
    EditorPanel& panel_;
    QWidget* parent_;
    // An existing script is in the editor.
    bool editar_ = false;
};

} // namespace editing

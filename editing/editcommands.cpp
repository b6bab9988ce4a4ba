#include "editcommands.h"

#include "browser/categorytree.h"
#include "browser/treeorder.h"
#include "editing/relatedfiles.h"
#include "editingwindow.h"
#include "editorpanel.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "platform/messagebox.h"
#include "scriptdelete.h"
#include "scriptsave.h"
#include "treedrag.h"

#include <QKeySequence>
#include <QLineEdit>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace editing {

namespace {

const QString ErrorTitle = QStringLiteral("Error");
const QString DeleteTitle = QStringLiteral("Borrar Script");

} // namespace

EditingCommands::EditingCommands(EditingWindow& window, EditorPanel& panel, QWidget* parent)
    : QObject(parent), w_(window), panel_(panel), parent_(parent)
{
    // Dragging scripts in the tree, for the life of the commands.
    new TreeDrag(w_.Tree(),
                 TreeDrag::Window{[this](QTreeWidgetItem* node) { w_.SetDropHighlight(node); },
                                  [this] { return w_.DropHighlight(); },
                                  [this](const QString& key) { return w_.FindNode(key); },
                                  [this] { return w_.cn(); }},
                 this);
    // The editor's keys: Escape is "Cancelar", Ctrl+S "Aceptar"; active while it shows.
    auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), &panel_);
    connect(cancel, &QShortcut::activated, this, &EditingCommands::LeaveEditor);
    auto* save = new QShortcut(QKeySequence::Save, &panel_);
    connect(save, &QShortcut::activated, this, &EditingCommands::SaveScript);
    auto* remove = new QShortcut(QKeySequence::Delete, w_.Tree());
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &EditingCommands::deleteCurrentNode);
}

void EditingCommands::reportError(const QString& text)
{
    platform::inform(parent_, QMessageBox::Critical, ErrorTitle, text);
}

bool EditingCommands::libraryCanFileScripts()
{
    if (!w_.cn())
        return false;
    try {
        // Without a category and a type a script has nowhere to be filed.
        if (w_.cn()->categoriesByName().empty()) {
            platform::inform(parent_, QMessageBox::Warning, ErrorTitle,
                             tr("La biblioteca no tiene ninguna categoría.\n"
                                "No se puede escribir ni editar un Script."));
            return false;
        }
        if (w_.cn()->typesByName().empty()) {
            platform::inform(parent_, QMessageBox::Warning, ErrorTitle,
                             tr("La biblioteca no tiene ningún tipo de Script.\n"
                                "No se puede escribir ni editar un Script."));
            return false;
        }
    } catch (const library::DatabaseError& e) {
        reportError(e.message());
        return false;
    }
    return true;
}

qint64 EditingCommands::categoryOfSelection()
{
    const QString key = CategoryTree::KeyOf(w_.Tree()->currentItem());
    switch (library::nodeKindOfKey(key)) {
    case library::NodeKind::Category:
        return library::idOfKey(key); // the root's is 0: no category
    case library::NodeKind::Script:
        return w_.cn()->categoryOfScript(library::idOfKey(key)).value_or(0);
    default:
        return 0;
    }
}

void EditingCommands::boton_insertar_Click()
{
    if (!libraryCanFileScripts())
        return;
    try {
        // Filed at first where the user stands in the tree.
        panel_.FillCategoryCombo(*w_.cn(), QString::number(categoryOfSelection()));
        panel_.FillTypeCombo(*w_.cn(), QStringLiteral("0"));
    } catch (const library::DatabaseError& e) {
        reportError(e.message());
        return;
    }
    w_.ArrangeButtonBar(true);
    w_.ShowEditorPanel(true);
    panel_.ClearFields();
    panel_.relatedFiles()->setSession(w_.cn(), false, 0);
    opened_ = panel_.contents();
    panel_.Text_nombre()->setFocus();
}

void EditingCommands::boton_Editar_Click()
{
    if (w_.id().isEmpty() || !libraryCanFileScripts())
        return;
    const qint64 scriptId = w_.id().toLongLong();
    try {
        const std::optional<library::Script> s = w_.cn()->script(scriptId);
        if (!s) {
            reportError(tr("El Script ya no existe en la biblioteca."));
            return;
        }
        panel_.FillCategoryCombo(*w_.cn(), QString::number(s->idCategoria));
        panel_.FillTypeCombo(*w_.cn(), QString::number(s->idTipo));
        panel_.ShowScript(*s);
    } catch (const library::DatabaseError& e) {
        reportError(e.message());
        return;
    }
    editar_ = true;
    panel_.relatedFiles()->setSession(w_.cn(), true, scriptId);
    panel_.relatedFiles()->LoadRelatedFilesList();
    opened_ = panel_.contents();
    w_.ShowEditorPanel(true);
    w_.ArrangeButtonBar(true);
    // The focus the browse panel gave up lands here by the Tab key's rule, which selects the
    // whole text and shows its end.
    panel_.Text_nombre()->setFocus(Qt::OtherFocusReason);
    panel_.ShowTextsFromStart();
}

bool EditingCommands::hasUnsavedChanges() const
{
    if (!panel_.isVisibleTo(parent_))
        return false;
    EditorContents now = panel_.contents();
    EditorContents opened = opened_;
    // A stored script's files are written as they are added or removed: not unsaved.
    if (editar_)
        now.files = opened.files = QStringList();
    return !(now == opened);
}

bool EditingCommands::mayDiscardChanges()
{
    return !hasUnsavedChanges() ||
           platform::askYesNo(parent_, QString(), tr("¿Descartar los cambios del script?"),
                              QMessageBox::No);
}

bool EditingCommands::LeaveEditor()
{
    if (!panel_.isVisibleTo(parent_))
        return true;
    if (!mayDiscardChanges())
        return false;
    backToBrowsing();
    return true;
}

bool EditingCommands::MayClose()
{
    return mayDiscardChanges();
}

void EditingCommands::backToBrowsing()
{
    editar_ = false;
    w_.ShowEditorPanel(false);
    w_.ArrangeButtonBar(false);
}

QTreeWidgetItem* EditingCommands::addScriptNode(qint64 scriptId, qint64 categoryId,
                                                const QString& text)
{
    // A category filled for the first time now brings the saved script's node with it.
    if (QTreeWidgetItem* node = w_.FindNode(library::scriptKey(scriptId)))
        return node;
    QTreeWidgetItem* parent = w_.FindNode(library::categoryKey(categoryId));
    // A category the tree could not show (its parent is missing): under the root.
    if (!parent)
        parent = w_.FindNode(library::RootKey);
    QTreeWidgetItem* node = CategoryTree::AddNode(parent, library::scriptKey(scriptId), text);
    treeorder::PlaceInOrder(parent, node);
    return node;
}

void EditingCommands::SaveScript()
{
    const bool wasEditing = editar_;
    const EditorContents contents = panel_.contents();
    const SaveOutcome outcome =
        storeScript(*w_.cn(), wasEditing ? w_.id().toLongLong() : 0, contents);
    if (outcome.status != SaveStatus::Saved) {
        const bool refused = outcome.status != SaveStatus::Failed;
        platform::inform(parent_, refused ? QMessageBox::Warning : QMessageBox::Critical,
                         ErrorTitle, saveMessage(outcome, contents));
        if (outcome.status == SaveStatus::EmptyName)
            panel_.Text_nombre()->setFocus();
        return;
    }
    if (wasEditing) {
        // The new node becomes current below; the old one must not hand that to a neighbour.
        const QSignalBlocker quiet(w_.Tree());
        delete w_.FindNode(library::scriptKey(outcome.scriptId));
    }
    QTreeWidgetItem* nodX = addScriptNode(outcome.scriptId, outcome.categoryId, contents.nombre);
    backToBrowsing();
    if (QTreeWidgetItem* category = nodX->parent())
        category->setExpanded(true);
    // Made current, the new node is shown as a click shows it (page, buttons, id).
    w_.Tree()->setCurrentItem(nodX);
    if (!wasEditing)
        w_.ShowSubmissionForm();
}

void EditingCommands::DeleteScript()
{
    if (w_.id().isEmpty())
        return;
    if (!platform::askYesNo(parent_, DeleteTitle, tr("¿Esta seguro de  borrar este Script?"),
                            QMessageBox::No))
        return;
    const DeleteOutcome outcome = deleteScriptWithFiles(*w_.cn(), w_.id().toLongLong(),
                                                        panel_.relatedFiles()->resourcesFolder());
    if (!outcome.ok) {
        reportError(tr("No se ha podido borrar el Script; la biblioteca no ha cambiado.\n%1")
                        .arg(outcome.error));
        return;
    }
    // The deleted script's own node, whatever node is selected now.
    QTreeWidgetItem* node = w_.FindNode(library::scriptKey(w_.id().toLongLong()));
    QTreeWidgetItem* parent = node ? node->parent() : nullptr;
    showParentAfterDeletion(parent);
    editar_ = false;
    w_.ForgetCurrentScript();
    delete node;
    w_.ArrangeButtonBar(false);
    if (!outcome.filesKept.isEmpty()) {
        platform::inform(parent_, QMessageBox::Warning, DeleteTitle,
                         tr("El Script se ha borrado, pero estos ficheros no se han podido "
                            "borrar de la carpeta de recursos:\n%1")
                             .arg(outcome.filesKept.join(QLatin1Char('\n'))));
    }
}

void EditingCommands::deleteCurrentNode()
{
    const QString key = CategoryTree::KeyOf(w_.Tree()->currentItem());
    // Only a script's own node; `id` follows the current node, so it names that script.
    if (library::nodeKindOfKey(key) == library::NodeKind::Script && w_.id() == key.chopped(1))
        DeleteScript();
}

void EditingCommands::showParentAfterDeletion(QTreeWidgetItem* parent)
{
    if (!parent)
        return;
    // The category becomes the current node, whatever was selected, and is shown as such;
    // the script's node, no longer current, then goes without moving the selection.
    {
        const QSignalBlocker quiet(w_.Tree());
        w_.Tree()->setCurrentItem(parent);
    }
    w_.ShowNode(parent);
}

} // namespace editing

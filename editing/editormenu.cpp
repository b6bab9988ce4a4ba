#include "editormenu.h"

#include "base/programpaths.h"
#include "popupcreator.h"
#include "qsci.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace editing {

namespace {
// The shortcut after a tab, as menus show it; the editor's own keys do the work.
QString withShortcut(const QString& caption, const QString& keys)
{
    return caption + QLatin1Char('\t') + keys;
}

bool clipboardHasText()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText();
}
} // namespace

void EditorMenu::Open(QsciScintilla* editor, const QStringList& files, QWidget* owner, int x, int y)
{
    const bool writable = !editor->isReadOnly();
    const bool selected = editor->hasSelectedText();
    PopupCreator menu;
    menu.setOwnerHwnd(owner);
    menu.AddMenu(withShortcut(QStringLiteral("Deshacer"), QStringLiteral("Ctrl+Z")),
                 writable && editor->isUndoAvailable(), false, false);
    menu.AddMenu(withShortcut(QStringLiteral("Rehacer"), QStringLiteral("Ctrl+Y")),
                 writable && editor->isRedoAvailable(), false, false);
    menu.AddMenu(QString(), false, false, true);
    menu.AddMenu(withShortcut(QStringLiteral("Cortar"), QStringLiteral("Ctrl+X")),
                 writable && selected, false, false);
    menu.AddMenu(withShortcut(QStringLiteral("Copiar"), QStringLiteral("Ctrl+C")), selected, false,
                 false);
    menu.AddMenu(withShortcut(QStringLiteral("Pegar"), QStringLiteral("Ctrl+V")),
                 writable && clipboardHasText(), false, false);
    menu.AddMenu(withShortcut(QStringLiteral("Eliminar"), QStringLiteral("Supr")),
                 writable && selected, false, false);
    menu.AddMenu(QString(), false, false, true);
    menu.AddMenu(withShortcut(QStringLiteral("Seleccionar todo"), QStringLiteral("Ctrl+A")),
                 editor->length() > 0, false, false);
    if (!files.isEmpty())
        menu.AddMenu(QString(), false, false, true);
    for (const QString& name : files)
        menu.AddMenu(name, writable, false, false);

    const int chosen = menu.OpenPopup(x, y);
    switch (chosen) {
    case Deshacer:
        editor->undo();
        break;
    case Rehacer:
        editor->redo();
        break;
    case Cortar:
        editor->cut();
        break;
    case Copiar:
        editor->copy();
        break;
    case Pegar:
        editor->paste();
        break;
    case Eliminar:
        editor->removeSelectedText();
        break;
    case SeleccionarTodo:
        editor->selectAll();
        break;
    default:
        if (chosen >= FirstFile && chosen < FirstFile + files.size())
            editor->replaceSelectedText(base::ResourcesUrlPrefix + files.at(chosen - FirstFile));
    }
}

} // namespace editing

#include "treemenu.h"

#include "exportcommand.h"
#include "library/nodekey.h"
#include "popupcreator.h"
#include "siteupdatecommand.h"

namespace exporting {

namespace {
const QString ExportItem = QStringLiteral("Exportar a una página…");
const QString UpdateItem = QStringLiteral("Actualizar páginas…");
const QString ImportItem = QStringLiteral("Importar biblioteca…");
const QString ShareItem = QStringLiteral("Exportar a una biblioteca…");

void openRootMenu(QWidget* window, library::LibraryStore& store, const QPoint& at,
                  const TreeMenuContext& context)
{
    PopupCreator menu;
    menu.setOwnerHwnd(window);
    menu.AddMenu(UpdateItem, true, false, false);
    menu.AddMenu(ImportItem, true, false, false);
    menu.AddMenu(ShareItem, true, false, false);
    switch (menu.OpenPopup(at.x(), at.y())) {
    case 1:
        RunSiteUpdateCommand(window, store, {});
        break;
    case 2:
        if (editing::RunImportCommand(window, store, context.place) && context.libraryChanged)
            context.libraryChanged();
        break;
    case 3:
        editing::RunShareCommand(window, store, context.place, {true, {}, {}});
        break;
    default:
        break;
    }
}

} // namespace

void OpenTreeMenu(QWidget* window, library::LibraryStore& store, const QString& nodeKey,
                  const QPoint& at, const TreeMenuContext& context)
{
    if (library::isRootKey(nodeKey))
        return openRootMenu(window, store, at, context);
    const qint64 id = library::idOfKey(nodeKey);
    PopupCreator menu;
    menu.setOwnerHwnd(window);
    if (library::nodeKindOfKey(nodeKey) == library::NodeKind::Category) {
        menu.AddMenu(ShareItem, true, false, false);
        if (menu.OpenPopup(at.x(), at.y()) == 1)
            editing::RunShareCommand(window, store, context.place, {false, {id}, {}});
        return;
    }
    if (library::nodeKindOfKey(nodeKey) != library::NodeKind::Script)
        return;
    menu.AddMenu(ExportItem, true, false, false);
    menu.AddMenu(UpdateItem, true, false, false);
    menu.AddMenu(ShareItem, true, false, false);
    switch (menu.OpenPopup(at.x(), at.y())) {
    case 1:
        RunExportCommand(window, store, QString::number(id));
        break;
    case 2:
        RunSiteUpdateCommand(window, store, {id});
        break;
    case 3:
        editing::RunShareCommand(window, store, context.place, {false, {}, {id}});
        break;
    default:
        break;
    }
}

} // namespace exporting

#include "treemenu.h"

#include "base/programpaths.h"
#include "editing/popupcreator.h"
#include "exportcommand.h"
#include "library/nodekey.h"
#include "siteupdatecommand.h"
#include "trypagecommand.h"
#include "trypagetexts.h"

namespace exporting {

namespace {
const QString ExportItem = QStringLiteral("Exportar a una página…");
const QString UpdateItem = QStringLiteral("Actualizar páginas…");
const QString ImportItem = QStringLiteral("Importar biblioteca…");
const QString ShareItem = QStringLiteral("Exportar a una biblioteca…");

editing::LibraryPlace placeOf(const base::ProgramPaths& paths)
{
    return {paths.libraryFile, paths.resourcesFolder};
}

void openRootMenu(QWidget* window, library::LibraryStore& store, const base::ProgramPaths& paths,
                  const QPoint& at, const std::function<void()>& libraryChanged)
{
    PopupCreator menu;
    menu.setOwnerHwnd(window);
    menu.AddMenu(UpdateItem, true, false, false);
    menu.AddMenu(ImportItem, true, false, false);
    menu.AddMenu(ShareItem, true, false, false);
    switch (menu.OpenPopup(at.x(), at.y())) {
    case 1:
        RunSiteUpdateCommand(window, store, paths, {});
        break;
    case 2:
        if (editing::RunImportCommand(window, store, placeOf(paths)) && libraryChanged)
            libraryChanged();
        break;
    case 3:
        editing::RunShareCommand(window, store, placeOf(paths), {true, {}, {}});
        break;
    default:
        break;
    }
}

} // namespace

void OpenTreeMenu(QWidget* window, library::LibraryStore& store, const base::ProgramPaths& paths,
                  const QString& nodeKey, const QPoint& at,
                  const std::function<void()>& libraryChanged)
{
    if (library::isRootKey(nodeKey))
        return openRootMenu(window, store, paths, at, libraryChanged);
    const qint64 id = library::idOfKey(nodeKey);
    PopupCreator menu;
    menu.setOwnerHwnd(window);
    if (library::nodeKindOfKey(nodeKey) == library::NodeKind::Category) {
        menu.AddMenu(ShareItem, true, false, false);
        if (menu.OpenPopup(at.x(), at.y()) == 1)
            editing::RunShareCommand(window, store, placeOf(paths), {false, {id}, {}});
        return;
    }
    if (library::nodeKindOfKey(nodeKey) != library::NodeKind::Script)
        return;
    menu.AddMenu(ExportItem, true, false, false);
    menu.AddMenu(trypage::MenuItem, true, false, false);
    menu.AddMenu(UpdateItem, true, false, false);
    menu.AddMenu(ShareItem, true, false, false);
    switch (menu.OpenPopup(at.x(), at.y())) {
    case 1:
        RunExportCommand(window, store, paths, QString::number(id));
        break;
    case 2:
        RunTryPageCommand(window, store, paths, QString::number(id));
        break;
    case 3:
        RunSiteUpdateCommand(window, store, paths, {id});
        break;
    case 4:
        editing::RunShareCommand(window, store, placeOf(paths), {false, {}, {id}});
        break;
    default:
        break;
    }
}

} // namespace exporting

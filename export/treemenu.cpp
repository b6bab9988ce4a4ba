#include "treemenu.h"

#include "exportcommand.h"
#include "library/nodekey.h"
#include "popupcreator.h"
#include "siteupdatecommand.h"
#include "trypagecommand.h"
#include "trypagetexts.h"

namespace exporting {

namespace {
const QString ExportItem = QStringLiteral("Exportar a una página…");
const QString UpdateItem = QStringLiteral("Actualizar páginas…");
} // namespace

void OpenTreeMenu(QWidget* window, library::LibraryStore& store, const QString& nodeKey,
                  const QPoint& at)
{
    PopupCreator menu;
    menu.setOwnerHwnd(window);
    if (library::isRootKey(nodeKey)) {
        menu.AddMenu(UpdateItem, true, false, false);
        if (menu.OpenPopup(at.x(), at.y()) == 1)
            RunSiteUpdateCommand(window, store, {});
        return;
    }
    if (library::nodeKindOfKey(nodeKey) != library::NodeKind::Script)
        return;
    const qint64 id = library::idOfKey(nodeKey);
    menu.AddMenu(ExportItem, true, false, false);
    menu.AddMenu(trypage::MenuItem, true, false, false);
    menu.AddMenu(UpdateItem, true, false, false);
    switch (menu.OpenPopup(at.x(), at.y())) {
    case 1:
        RunExportCommand(window, store, QString::number(id));
        break;
    case 2:
        RunTryPageCommand(window, store, QString::number(id));
        break;
    case 3:
        RunSiteUpdateCommand(window, store, {id});
        break;
    default:
        break;
    }
}

} // namespace exporting

#include "relatedfiles.h"

#include "base/files.h"
#include "base/module1.h"
#include "library/librarystore.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "resourcefiles.h"
#include "sharedfiles.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QTreeWidget>

namespace editing {

namespace {

const QString& removeTitle()
{
    static const QString title = QStringLiteral("Borrar Script");
    return title;
}

QString keyOf(const QTreeWidgetItem* item)
{
    return item->data(0, Qt::UserRole).toString();
}

} // namespace

RelatedFilesList::RelatedFilesList(QTreeWidget* list, QAbstractButton* removeButton,
                                   const QString& resourcesFolder, QObject* parent)
    : QObject(parent), list_(list), removeButton_(removeButton), resourcesFolder_(resourcesFolder)
{
    connect(list_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { list_ficheros_ItemClick(item); });
    // A file chosen with the keyboard counts as chosen too.
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!list_->selectedItems().isEmpty())
            removeButton_->setEnabled(true);
    });
    list_->viewport()->installEventFilter(this);
}

void RelatedFilesList::setSession(library::LibraryStore* store, bool editar, qint64 scriptId)
{
    store_ = store;
    editar_ = editar;
    scriptId_ = scriptId;
}

QString RelatedFilesList::openFilter()
{
    // "*", not "*.*", so that files without an extension are listed too.
    return QStringLiteral("Todos los ficheros (*)");
}

void RelatedFilesList::LoadRelatedFilesList()
{
    list_->clear();
    if (!store_)
        return;
    try {
        for (const auto& row : store_->relatedFiles(scriptId_))
            addItem(row.nombre, QString::number(row.id) + QLatin1Char('C'));
    } catch (const library::DatabaseError& e) {
        reportError(tr("No se ha podido leer la lista de ficheros.\n%1").arg(e.message()));
    }
}

void RelatedFilesList::clear()
{
    list_->clear();
}

QStringList RelatedFilesList::names() const
{
    QStringList names;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        names.append(list_->topLevelItem(i)->text(0));
    return names;
}

void RelatedFilesList::addItem(const QString& text, const QString& key)
{
    auto* item = new QTreeWidgetItem(list_, QStringList{text});
    item->setData(0, Qt::UserRole, key);
}

void RelatedFilesList::reportError(const QString& text)
{
    platform::inform(list_->window(), QMessageBox::Critical, QStringLiteral("Error"), text);
}

void RelatedFilesList::boton_anadir_fichero_Click()
{
    const QString path = platform::fileDialogs().openFileName(
        list_->window(), platform::FileRequest{tr("Añadir fichero"), openFilter(), tr("Añadir")});
    if (path.isEmpty())
        return;
    const QString name = QFileInfo(path).fileName();
    if (!Module1::IsBareFileName(name)) {
        reportError(tr("El nombre de fichero \"%1\" no es válido.").arg(name));
        return;
    }
    if (!bringIntoLibrary(path, name))
        return;
    recordFile(name);
}

bool RelatedFilesList::bringIntoLibrary(const QString& path, const QString& name)
{
    const QString target = resourcesFolder_ + name;
    // The library's own copy, however its path is spelled: nothing to copy.
    if (files::IsSameFile(path, target))
        return true;
    if (QFileInfo::exists(target)) {
        const bool overwrite =
            platform::askYesNo(list_->window(), tr("Añadir fichero"),
                               tr("Este fichero ya existe en destino") + QStringLiteral("\n") +
                                   tr("¿Desea sobreescribir?"),
                               QMessageBox::No);
        // On No the library keeps its own file of that name, which is still linked.
        if (!overwrite)
            return true;
    }
    const FileResult copied = copyIntoResources(path, resourcesFolder_, name);
    if (!copied.ok) {
        reportError(tr("No se ha podido copiar el fichero \"%1\".\n%2").arg(name, copied.error));
        return false;
    }
    return true;
}

void RelatedFilesList::recordFile(const QString& name)
{
    if (!editar_) {
        if (!names().contains(name))
            addItem(name, name + QLatin1Char('C'));
        return;
    }
    if (!store_)
        return;
    try {
        if (store_->scriptHasFile(name, scriptId_))
            return;
        store_->addRelatedFile(scriptId_, name);
    } catch (const library::DatabaseError& e) {
        reportError(tr("No se ha podido añadir el fichero.\n%1").arg(e.message()));
        return;
    }
    LoadRelatedFilesList();
}

void RelatedFilesList::boton_borrar_fichero_Click()
{
    QTreeWidgetItem* item = list_->selectedItems().value(0, list_->currentItem());
    if (!item) {
        removeButton_->setEnabled(false);
        return;
    }
    if (!platform::askYesNo(list_->window(), removeTitle(),
                            tr("¿Esta seguro de borrar este fichero?"), QMessageBox::No))
        return;
    if (editar_)
        removeStoredFile(item);
    else
        delete item; // a new script's list: nothing on disk or in the library is touched
    removeButton_->setEnabled(false);
}

void RelatedFilesList::removeStoredFile(QTreeWidgetItem* item)
{
    if (!store_)
        return;
    const QString name = item->text(0);
    const qint64 rowId = keyOf(item).chopped(1).toLongLong();
    bool deleteFromDisk = false;
    try {
        // Asked only about a file that no other row, of this script or another, names.
        if (filesFreedByRemoving(*store_, scriptId_, {rowId}).contains(name) &&
            QFileInfo::exists(resourcesFolder_ + name)) {
            deleteFromDisk = platform::askYesNo(
                list_->window(), removeTitle(),
                tr("¿Desea borrar tambien el fichero del directorio?"), QMessageBox::No);
        }
        store_->removeRelatedFile(rowId);
    } catch (const library::DatabaseError& e) {
        reportError(tr("No se ha podido quitar el fichero.\n%1").arg(e.message()));
        LoadRelatedFilesList();
        return;
    }
    // The row is gone first; only then the file, so a failure never leaves a row without
    // its file.
    if (deleteFromDisk) {
        const FileResult removed = deleteResource(resourcesFolder_, name);
        if (!removed.ok)
            reportError(
                tr("No se ha podido borrar el fichero \"%1\".\n%2").arg(name, removed.error));
    }
    LoadRelatedFilesList();
}

void RelatedFilesList::list_ficheros_ItemClick(QTreeWidgetItem* item)
{
    if (item)
        removeButton_->setEnabled(true);
}

void RelatedFilesList::list_ficheros_Click()
{
    if (list_->topLevelItemCount() > 0)
        removeButton_->setEnabled(true);
}

bool RelatedFilesList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonRelease)
        list_ficheros_Click();
    return QObject::eventFilter(watched, event);
}

} // namespace editing

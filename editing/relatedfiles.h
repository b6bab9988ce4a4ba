#pragma once

#include <QObject>
#include <QStringList>

class QAbstractButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace library {
class LibraryStore;
}

namespace editing {

// The "Ficheros" list of the editor. While a stored script is edited the list mirrors its
// rows and every change is written at once; while a new script is written the list alone
// holds the names until the script is saved.
class RelatedFilesList : public QObject
{
    Q_OBJECT

public:
    // Files are copied into and deleted from `resourcesFolder` (with its trailing "/").
    RelatedFilesList(QTreeWidget* list, QAbstractButton* removeButton,
                     const QString& resourcesFolder, QObject* parent = nullptr);

    // Which script the list belongs to: `editar` true for a stored script `scriptId`.
    void setSession(library::LibraryStore* store, bool editar, qint64 scriptId);
    bool editar() const { return editar_; }
    // The folder every related file is kept in, with its trailing "/".
    const QString& resourcesFolder() const { return resourcesFolder_; }

    // Refills the list from the rows of the stored script.
    void LoadRelatedFilesList();
    void clear();
    QStringList names() const;

    void boton_anadir_fichero_Click();
    void boton_borrar_fichero_Click();
    void list_ficheros_ItemClick(QTreeWidgetItem* item);
    void list_ficheros_Click();

    static QString openFilter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool bringIntoLibrary(const QString& path, const QString& name);
    void recordFile(const QString& name);
    void removeStoredFile(QTreeWidgetItem* item);
    void addItem(const QString& text, const QString& key);
    void reportError(const QString& text);

    QTreeWidget* list_;
    QAbstractButton* removeButton_;
    QString resourcesFolder_;
    library::LibraryStore* store_ = nullptr;
    bool editar_ = false;
    qint64 scriptId_ = 0;
};

} // namespace editing

#pragma once

#include <QString>
#include <QStringList>

namespace library {
class LibraryStore;
}

namespace editing {

// What the editor panel holds when the user presses "Aceptar".
struct EditorContents
{
    QString nombre;
    QString navegadores;
    qint64 categoriaId = 0; // the chosen category
    QString tipo;           // a type's name
    QString scriptHead;
    QString scriptBody;
    QString scriptHtml;
    QString scriptAyuda;
    QStringList files; // the related-file list, in list order

    bool operator==(const EditorContents& o) const
    {
        return nombre == o.nombre && navegadores == o.navegadores && categoriaId == o.categoriaId &&
               tipo == o.tipo && scriptHead == o.scriptHead && scriptBody == o.scriptBody &&
               scriptHtml == o.scriptHtml && scriptAyuda == o.scriptAyuda && files == o.files;
    }
};

enum class SaveStatus { Saved, EmptyName, UnknownCategory, UnknownType, MissingScript, Failed };

struct SaveOutcome
{
    SaveStatus status = SaveStatus::Failed;
    qint64 scriptId = 0;   // the stored row (the new id for a new script)
    qint64 categoryId = 0; // where the script is filed
    QString error;         // the engine's text when Failed
};

// Stores the editor's contents over the script `existingId`, or as a new script when it is 0,
// together with its related-file rows. Nothing is stored unless everything is.
SaveOutcome storeScript(library::LibraryStore& store, qint64 existingId,
                        const EditorContents& contents);

// The Spanish text of a refused or failed save, for a message box.
QString saveMessage(const SaveOutcome& outcome, const EditorContents& contents);

} // namespace editing

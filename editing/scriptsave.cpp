#include "scriptsave.h"

#include "library/librarystore.h"

namespace editing {

namespace {

SaveOutcome refused(SaveStatus status)
{
    SaveOutcome outcome;
    outcome.status = status;
    return outcome;
}

} // namespace

SaveOutcome storeScript(library::LibraryStore& store, qint64 existingId,
                        const EditorContents& contents)
{
    // Only an exactly empty name is refused: a name of blanks is the user's choice.
    if (contents.nombre.isEmpty())
        return refused(SaveStatus::EmptyName);
    try {
        // The category chosen, by its id: two categories may share a name under other parents.
        if (!store.category(contents.categoriaId))
            return refused(SaveStatus::UnknownCategory);
        const qint64 categoryId = contents.categoriaId;
        const auto typeId = store.typeIdByName(contents.tipo);
        if (!typeId)
            return refused(SaveStatus::UnknownType);
        library::Script script;
        if (existingId != 0) {
            // Keeps the fields the editor does not show (the external file name).
            auto stored = store.script(existingId);
            if (!stored)
                return refused(SaveStatus::MissingScript);
            script = *stored;
        }
        script.id = existingId;
        script.idCategoria = categoryId;
        script.idTipo = *typeId;
        script.nombre = contents.nombre;
        script.navegadores = contents.navegadores;
        script.scriptHead = contents.scriptHead;
        script.scriptBody = contents.scriptBody;
        script.scriptHtml = contents.scriptHtml;
        script.scriptAyuda = contents.scriptAyuda;

        SaveOutcome outcome;
        outcome.scriptId = store.saveScript(script, contents.files);
        outcome.categoryId = categoryId;
        outcome.status = SaveStatus::Saved;
        return outcome;
    } catch (const library::DatabaseError& e) {
        SaveOutcome outcome = refused(SaveStatus::Failed);
        outcome.error = e.message();
        return outcome;
    }
}

QString saveMessage(const SaveOutcome& outcome, const EditorContents& contents)
{
    switch (outcome.status) {
    case SaveStatus::Saved:
        return {};
    case SaveStatus::EmptyName:
        return QStringLiteral("Debe de Indicar un nombre");
    case SaveStatus::UnknownCategory:
        return QStringLiteral("La categoría elegida ya no está en la biblioteca.\nElija una "
                              "categoría de la lista.");
    case SaveStatus::UnknownType:
        return QStringLiteral("No existe ningún tipo llamado \"%1\".\nElija un tipo de la lista.")
            .arg(contents.tipo);
    case SaveStatus::MissingScript:
        return QStringLiteral("El Script ya no existe en la biblioteca; no se ha guardado nada.");
    case SaveStatus::Failed:
        break;
    }
    return QStringLiteral("No se ha podido guardar el Script; la biblioteca no ha cambiado.\n%1")
        .arg(outcome.error);
}

} // namespace editing

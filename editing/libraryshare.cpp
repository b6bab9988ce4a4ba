#include "libraryshare.h"

#include "base/counted.h"
#include "base/files.h"
#include "base/module1.h"
#include "editing/librarysnapshot.h"
#include "library/database.h"
#include "library/libraryfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace editing {

namespace {

const QString ResourcesFolder = QStringLiteral("resources");

// The rows a selection takes: the chosen categories with everything below them, the chosen
// scripts, and every category above either, so that paths stay as they are.
struct Chosen
{
    QSet<qint64> categories;
    std::vector<const library::Script*> scripts;
};

base::Result choose(const LibrarySnapshot& all, const ShareSelection& selection, Chosen* chosen)
{
    QHash<qint64, const library::Category*> byId;
    QHash<qint64, QList<qint64>> children;
    for (const library::Category& c : all.categories) {
        byId.insert(c.id, &c);
        children[c.idPadre].append(c.id);
    }
    QSet<qint64> below; // the chosen categories and their subcategories
    QList<qint64> pending(selection.categoryIds.begin(), selection.categoryIds.end());
    for (const qint64 id : selection.categoryIds) {
        if (!byId.contains(id))
            return base::Result::failure(
                QStringLiteral("La categoría %1 no está en la biblioteca.").arg(id));
    }
    if (selection.everything)
        pending = byId.keys();
    while (!pending.isEmpty()) {
        const qint64 id = pending.takeLast();
        if (!below.contains(id)) {
            below.insert(id);
            pending += children.value(id);
        }
    }
    QSet<qint64> scriptIds(selection.scriptIds.begin(), selection.scriptIds.end());
    QSet<qint64> found;
    for (const library::Script& s : all.scripts) {
        if (selection.everything || below.contains(s.idCategoria) || scriptIds.contains(s.id)) {
            chosen->scripts.push_back(&s);
            found.insert(s.id);
            below.insert(s.idCategoria);
        }
    }
    for (const qint64 id : selection.scriptIds) {
        if (!found.contains(id))
            return base::Result::failure(
                QStringLiteral("El script %1 no está en la biblioteca.").arg(id));
    }
    for (qint64 id : below) {
        // Up to the root; a loop of parents ends where it meets a category already taken.
        while (id != 0 && byId.contains(id) && !chosen->categories.contains(id)) {
            chosen->categories.insert(id);
            id = byId.value(id)->idPadre;
        }
    }
    return base::Result::success();
}

// The source's own definitions of the four tables and their indexes, so that the new file has
// the very same schema; the search index is built by whoever opens it.
QByteArray schemaOf(library::Database& db)
{
    library::Statement q = db.prepare(
        "SELECT sql FROM sqlite_master WHERE type IN ('table', 'index') AND sql IS NOT NULL AND "
        "tbl_name IN ('categorias', 'tipos', 'scripts', 'ficheros') "
        "ORDER BY type = 'index', rowid");
    QByteArray sql;
    while (q.next())
        sql += q.text(0).toUtf8() + ";\n";
    return sql;
}

void writeRows(library::Database& out, const LibrarySnapshot& all, const Chosen& chosen)
{
    library::Transaction transaction(out);
    library::Statement category = out.prepare(
        "INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (?1, ?2, ?3, ?4)");
    for (const library::Category& c : all.categories) {
        if (!chosen.categories.contains(c.id))
            continue;
        category.reset();
        category.bind(1, c.id).bind(2, c.idPadre).bind(3, c.nombre).bind(4, c.descripcion).run();
    }
    library::Statement type = out.prepare("INSERT INTO tipos (id, nombre) VALUES (?1, ?2)");
    for (const library::ScriptType& t : all.types) {
        type.reset();
        type.bind(1, t.id).bind(2, t.nombre).run();
    }
    library::Statement script = out.prepare(
        "INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, "
        "script_body, script_html, script_ayuda, nombre_fichero) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
    library::Statement file =
        out.prepare("INSERT INTO ficheros (id_script, nombre) VALUES (?1, ?2)");
    for (const library::Script* s : chosen.scripts) {
        script.reset();
        script.bind(1, s->id).bind(2, s->idCategoria).bind(3, s->idTipo).bind(4, s->nombre);
        script.bind(5, s->navegadores).bind(6, s->scriptHead).bind(7, s->scriptBody);
        script.bind(8, s->scriptHtml).bind(9, s->scriptAyuda).bind(10, s->nombreFichero).run();
        for (const QString& name : all.files.value(s->id)) {
            file.reset();
            file.bind(1, s->id).bind(2, name).run();
        }
    }
    transaction.commit();
}

// Everything a failed share wrote, removed again.
class Written
{
public:
    explicit Written(const QString& folder) : folder_(folder), created_(!QFileInfo::exists(folder))
    {
    }
    ~Written()
    {
        if (kept_)
            return;
        for (const QString& f : files_)
            QFile::remove(f);
        QDir(folder_).rmdir(ResourcesFolder);
        if (created_)
            QDir().rmdir(folder_);
    }
    void add(const QString& file) { files_.append(file); }
    void keep() { kept_ = true; }

private:
    QString folder_;
    bool created_;
    bool kept_ = false;
    QStringList files_;
};

base::Result copyFiles(const LibrarySnapshot& all, const Chosen& chosen, const QString& resources,
                       const QString& folder, Written& written, ShareReport* report)
{
    QSet<QString> done;
    for (const library::Script* s : chosen.scripts) {
        for (const QString& name : all.files.value(s->id)) {
            if (done.contains(name) || !Module1::IsBareFileName(name))
                continue;
            done.insert(name);
            const QString from = resources + name;
            if (!QFileInfo(from).isFile()) {
                ++report->missingFiles;
                continue;
            }
            const QString to =
                folder + QLatin1Char('/') + ResourcesFolder + QLatin1Char('/') + name;
            written.add(to);
            QString error;
            if (!files::CopyWhole(from, to, &error))
                return base::Result::failure(
                    QStringLiteral("No se puede copiar «%1»: %2").arg(name, error));
            ++report->copiedFiles;
        }
    }
    return base::Result::success();
}

} // namespace

base::Result ShareLibrary(library::Database& db, const QString& resources,
                          const ShareSelection& selection, const QString& targetFolder,
                          ShareReport* report)
{
    const QFileInfo target(targetFolder);
    if (target.exists() &&
        (!target.isDir() ||
         !QDir(targetFolder)
              .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)))
        return base::Result::failure(
            QStringLiteral("«%1» ya existe y no es una carpeta vacía: elija una carpeta nueva.")
                .arg(targetFolder));
    const QString folder = target.absoluteFilePath();
    *report = ShareReport();
    Written written(folder);
    try {
        const LibrarySnapshot all = ReadLibrary(db);
        Chosen chosen;
        if (const base::Result r = choose(all, selection, &chosen); !r)
            return r;
        if (!QDir().mkpath(folder + QLatin1Char('/') + ResourcesFolder))
            return base::Result::failure(
                QStringLiteral("No se puede crear la carpeta «%1».").arg(folder));
        if (const base::Result r = copyFiles(all, chosen, resources, folder, written, report); !r)
            return r;
        // Written aside and renamed when whole: a library file there is always complete.
        const QString partial = folder + QStringLiteral("/.scripts.mdb.partial");
        written.add(partial);
        {
            library::Database out = library::Database::create(partial, library::LibraryPassword);
            out.execute(schemaOf(db));
            writeRows(out, all, chosen);
        }
        const QString final = library::LibraryPathIn(folder);
        if (!QFile::rename(partial, final))
            return base::Result::failure(QStringLiteral("No se puede escribir «%1».").arg(final));
        report->categories = int(chosen.categories.size());
        report->scripts = int(chosen.scripts.size());
    } catch (const library::DatabaseError& e) {
        return base::Result::failure(
            QStringLiteral("No se pudo escribir la biblioteca nueva: %1").arg(e.message()));
    }
    written.keep();
    return base::Result::success();
}

QString ShareSummary(const ShareReport& r, const QString& targetFolder)
{
    QString text = counted::Counted(r.scripts, "script", "scripts") + QStringLiteral(" en ") +
                   counted::Counted(r.categories, "categoría", "categorías") +
                   QString::fromUtf8(r.scripts == 1 ? " escrito en «" : " escritos en «") +
                   targetFolder + QStringLiteral("»; ") +
                   counted::Counted(r.copiedFiles, "fichero copiado", "ficheros copiados");
    if (r.missingFiles > 0)
        text += QStringLiteral(" (") +
                counted::Counted(r.missingFiles, "no está en la biblioteca",
                                 "no están en la biblioteca") +
                QLatin1Char(')');
    return text + QLatin1Char('.');
}

} // namespace editing

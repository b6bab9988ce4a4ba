#include "libraryimport.h"

#include "base/counted.h"
#include "base/files.h"
#include "base/module1.h"
#include "library/collation.h"
#include "library/database.h"
#include "library/librarystore.h"
#include "library/scriptindex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace editing {

namespace {

using library::NameKey;
using Key = std::u32string;
using Outcome = ImportLine::Outcome;

// References to rows: a positive value is an id in the target, a negative one -(i + 1) the
// i-th row this import adds.
using Ref = qint64;
Ref plannedRef(size_t index)
{
    return -Ref(index) - 1;
}

// "Reloj digital (2)" is a copy of "Reloj digital" made by an earlier import.
QString baseName(const QString& nombre)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*) \\((\\d+)\\)$"));
    const QRegularExpressionMatch m = numbered.match(nombre);
    return m.hasMatch() ? m.captured(1) : nombre;
}

bool sameCode(const library::Script& a, const library::Script& b)
{
    return a.idTipo == b.idTipo && a.navegadores == b.navegadores && a.scriptHead == b.scriptHead &&
           a.scriptBody == b.scriptBody && a.scriptHtml == b.scriptHtml &&
           a.scriptAyuda == b.scriptAyuda && a.nombreFichero == b.nombreFichero;
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

bool sameBytes(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        if (fa.read(64 * 1024) != fb.read(64 * 1024))
            return false;
    }
    return true;
}

// What becomes of one related file's name.
enum class FileState {
    Copy,       // not in the target's folder: copied there
    Here,       // there with the same bytes, or only there: shared
    Absent,     // in neither folder: only the row comes in, as in the source
    Clash,      // there with other bytes
    NotRegular, // the source's is a FIFO, a device or a folder
};

// A name under a parent: (category, folded name) for scripts, (parent, folded name) for
// categories.
using NameAt = std::pair<qint64, Key>;
struct NameAtHash
{
    size_t operator()(const NameAt& k) const
    {
        return std::hash<Key>()(k.second) ^ (std::hash<qint64>()(k.first) * 0x9e3779b97f4a7c15u);
    }
};

// A script in the target, or one this import adds, as far as it is compared.
struct Present
{
    library::Script row; // idTipo as a Ref
    QStringList files;   // sorted
};

class Planner
{
public:
    Planner(library::Database& db, const QString& resources, const LibrarySnapshot& source)
        : db_(db), resources_(resources), source_(source)
    {
    }

    ImportReport plan();
    // Adds every planned row; inside the caller's transaction.
    void write();
    const QStringList& filesToCopy() const { return copies_; }

private:
    struct NewCategory
    {
        Ref parent;
        const library::Category* source;
    };
    struct NewScript
    {
        const library::Script* source;
        Ref category;
        Ref type;
        QString nombre;
    };

    void readTarget();
    void readCandidates();
    std::optional<Ref> categoryOf(qint64 sourceId, QString* path);
    std::optional<Ref> typeOf(qint64 sourceId);
    FileState fileState(const QString& name);
    const Present& present(Ref script) const;
    void decide(const library::Script& s, ImportReport& report);
    QString freeName(Ref category, const QString& nombre) const;
    qint64 idOf(Ref ref, const std::vector<qint64>& added) const
    {
        return ref > 0 ? ref : added.at(size_t(-ref - 1));
    }

    library::Database& db_;
    QString resources_;
    const LibrarySnapshot& source_;

    std::unordered_map<NameAt, Ref, NameAtHash> categoriesByName_; // (parent, name)
    std::unordered_map<Key, Ref> typesByName_;
    std::unordered_map<NameAt, std::vector<Ref>, NameAtHash> scriptsByBase_; // (category, base)
    std::unordered_set<NameAt, NameAtHash> takenNames_;
    QHash<qint64, QStringList> targetFiles_;
    QHash<qint64, Present> targetScripts_; // only those an incoming script is compared with

    QHash<qint64, const library::Category*> sourceCategories_;
    QHash<qint64, std::pair<Ref, QString>> categoryRefs_; // source id -> (ref, path)
    QHash<qint64, Ref> typeRefs_;
    QHash<QString, FileState> files_;

    std::vector<NewCategory> newCategories_;
    std::vector<QString> newTypes_;
    std::vector<bool> typeUsed_; // a type only a refused script has does not come in
    std::vector<NewScript> newScripts_;
    std::vector<Present> newPresent_;
    QStringList copies_;
};

void Planner::readTarget()
{
    library::Statement categories = db_.prepare("SELECT id, id_padre, nombre FROM categorias");
    while (categories.next())
        categoriesByName_.emplace(std::make_pair(categories.int64(1), NameKey(categories.text(2))),
                                  categories.int64(0)); // the first of equal names stays
    library::Statement types = db_.prepare("SELECT id, nombre FROM tipos ORDER BY id");
    while (types.next())
        typesByName_.emplace(NameKey(types.text(1)), types.int64(0));
    for (const library::ScriptListing& s : library::ReadScriptListings(db_)) {
        scriptsByBase_[{s.idCategoria, NameKey(baseName(s.nombre))}].push_back(s.id);
        takenNames_.emplace(s.idCategoria, NameKey(s.nombre));
    }
    library::Statement files = db_.prepare("SELECT id_script, nombre FROM ficheros");
    while (files.next())
        targetFiles_[files.int64(0)].append(files.text(1));
}

// The target's category at the same path of names as the source's; planned when missing.
std::optional<Ref> Planner::categoryOf(qint64 sourceId, QString* path)
{
    if (const auto known = categoryRefs_.constFind(sourceId); known != categoryRefs_.constEnd()) {
        *path = known->second;
        return known->first;
    }
    const library::Category* c = sourceCategories_.value(sourceId);
    if (!c)
        return std::nullopt;
    // Marked before the parent is looked at: a loop of parents ends at the root.
    categoryRefs_.insert(sourceId, {0, c->nombre});
    Ref parent = 0;
    QString parentPath;
    if (c->idPadre != 0) {
        const std::optional<Ref> p = categoryOf(c->idPadre, &parentPath);
        parent = p && *p != 0 ? *p : 0;
        if (parent == 0)
            parentPath.clear();
    }
    const auto key = std::make_pair(parent, NameKey(c->nombre));
    Ref ref;
    if (const auto found = categoriesByName_.find(key); found != categoriesByName_.end()) {
        ref = found->second;
    } else {
        newCategories_.push_back(NewCategory{parent, c});
        ref = plannedRef(newCategories_.size() - 1);
        categoriesByName_.emplace(key, ref);
    }
    *path = parentPath.isEmpty() ? c->nombre : parentPath + QLatin1Char('/') + c->nombre;
    categoryRefs_.insert(sourceId, {ref, *path});
    return ref;
}

std::optional<Ref> Planner::typeOf(qint64 sourceId)
{
    if (const auto known = typeRefs_.constFind(sourceId); known != typeRefs_.constEnd())
        return *known;
    for (const library::ScriptType& t : source_.types) {
        if (t.id != sourceId)
            continue;
        const Key key = NameKey(t.nombre);
        auto found = typesByName_.find(key);
        if (found == typesByName_.end()) {
            newTypes_.push_back(t.nombre);
            typeUsed_.push_back(false);
            found = typesByName_.emplace(key, plannedRef(newTypes_.size() - 1)).first;
        }
        typeRefs_.insert(sourceId, found->second);
        return found->second;
    }
    return std::nullopt;
}

FileState Planner::fileState(const QString& name)
{
    if (const auto known = files_.constFind(name); known != files_.constEnd())
        return *known;
    const QFileInfo from(source_.resourcesPath + name);
    const QFileInfo to(resources_ + name);
    FileState state;
    if (from.exists() && !from.isFile())
        state = FileState::NotRegular;
    else if (to.exists())
        state = !from.exists() || sameBytes(from.filePath(), to.filePath()) ? FileState::Here
                                                                            : FileState::Clash;
    else
        state = from.exists() ? FileState::Copy : FileState::Absent;
    files_.insert(name, state);
    return state;
}

// The target's scripts that share a category and a name with a script coming in: the only
// ones whose code is compared. Read in one pass over the table, not one query a script.
void Planner::readCandidates()
{
    std::unordered_set<qint64> wanted;
    QString path;
    for (const library::Script& s : source_.scripts) {
        const std::optional<Ref> category = categoryOf(s.idCategoria, &path);
        if (!category)
            continue;
        const auto found = scriptsByBase_.find({*category, NameKey(baseName(s.nombre))});
        if (found == scriptsByBase_.end())
            continue;
        for (const Ref r : found->second)
            wanted.insert(r);
    }
    if (wanted.empty())
        return;
    library::Statement q =
        db_.prepare("SELECT id, id_tipo, navegadores, script_head, script_body, script_html, "
                    "script_ayuda, nombre_fichero FROM scripts");
    while (q.next()) {
        const qint64 id = q.int64(0);
        if (!wanted.count(id))
            continue;
        Present p;
        p.row.idTipo = q.int64(1);
        p.row.navegadores = q.text(2);
        p.row.scriptHead = q.text(3);
        p.row.scriptBody = q.text(4);
        p.row.scriptHtml = q.text(5);
        p.row.scriptAyuda = q.text(6);
        p.row.nombreFichero = q.text(7);
        p.files = sorted(targetFiles_.value(id));
        targetScripts_.insert(id, std::move(p));
    }
}

const Present& Planner::present(Ref script) const
{
    if (script < 0)
        return newPresent_.at(size_t(-script - 1));
    static const Present gone; // read in the same transaction: never the case
    const auto found = targetScripts_.constFind(script);
    return found == targetScripts_.constEnd() ? gone : *found;
}

QString Planner::freeName(Ref category, const QString& nombre) const
{
    const QString base = baseName(nombre);
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 (%2)").arg(base).arg(n);
        if (!takenNames_.count({category, NameKey(candidate)}))
            return candidate;
    }
}

void Planner::decide(const library::Script& s, ImportReport& report)
{
    ImportLine line;
    line.nombre = s.nombre;
    const std::optional<Ref> category = categoryOf(s.idCategoria, &line.categoryPath);
    const std::optional<Ref> type = typeOf(s.idTipo);
    const QStringList files = sorted(source_.files.value(s.id));
    auto refuse = [&](const QString& reason) {
        line.outcome = Outcome::Refused;
        line.reason = reason;
        report.lines.push_back(line);
    };
    if (!category)
        return refuse(QStringLiteral("su categoría no está en la biblioteca de origen"));
    if (!type)
        return refuse(QStringLiteral("su tipo no está en la biblioteca de origen"));
    for (const QString& name : files) {
        if (!Module1::IsBareFileName(name))
            return refuse(QStringLiteral("«%1» no es un nombre de fichero válido").arg(name));
    }

    Present incoming{s, files};
    incoming.row.idTipo = *type;
    bool clash = false;
    for (const QString& name : files)
        clash = clash || fileState(name) == FileState::Clash;
    const auto candidates = scriptsByBase_.find({*category, NameKey(baseName(s.nombre))});
    if (!clash && candidates != scriptsByBase_.end()) {
        for (const Ref candidate : candidates->second) {
            const Present& here = present(candidate);
            if (sameCode(here.row, incoming.row) && here.files == files) {
                line.outcome = Outcome::AlreadyThere;
                report.lines.push_back(line);
                return;
            }
        }
    }
    for (const QString& name : files) {
        switch (fileState(name)) {
        case FileState::Clash:
            return refuse(QStringLiteral("«%1» ya existe con otro contenido").arg(name));
        case FileState::NotRegular:
            return refuse(QStringLiteral("«%1» no es un fichero normal").arg(name));
        default:
            break;
        }
    }

    QString nombre = s.nombre;
    if (takenNames_.count({*category, NameKey(nombre)})) {
        nombre = freeName(*category, nombre);
        line.outcome = Outcome::Renamed;
        line.newName = nombre;
    }
    for (const QString& name : files) {
        if (fileState(name) == FileState::Copy && !copies_.contains(name))
            copies_.append(name);
    }
    if (*type < 0)
        typeUsed_.at(size_t(-*type - 1)) = true;
    newScripts_.push_back(NewScript{&s, *category, *type, nombre});
    newPresent_.push_back(std::move(incoming));
    const Ref ref = plannedRef(newScripts_.size() - 1);
    scriptsByBase_[{*category, NameKey(baseName(s.nombre))}].push_back(ref);
    if (nombre != s.nombre)
        scriptsByBase_[{*category, NameKey(baseName(nombre))}].push_back(ref);
    takenNames_.emplace(*category, NameKey(nombre));
    report.lines.push_back(line);
}

ImportReport Planner::plan()
{
    readTarget();
    for (const library::Category& c : source_.categories)
        sourceCategories_.insert(c.id, &c);
    ImportReport report;
    // Every category comes in, even one without scripts: a shared branch keeps its shape.
    QString path;
    for (const library::Category& c : source_.categories)
        categoryOf(c.id, &path);
    readCandidates();
    for (const library::Script& s : source_.scripts)
        decide(s, report);
    report.newCategories = int(newCategories_.size());
    return report;
}

void Planner::write()
{
    std::vector<qint64> typeIds, categoryIds, scriptIds;
    library::Statement type = db_.prepare("INSERT INTO tipos (nombre) VALUES (?1)");
    for (size_t i = 0; i < newTypes_.size(); ++i) {
        if (!typeUsed_[i]) {
            typeIds.push_back(0);
            continue;
        }
        type.reset();
        type.bind(1, newTypes_[i]).run();
        typeIds.push_back(db_.lastInsertId());
    }
    library::Statement category =
        db_.prepare("INSERT INTO categorias (id_padre, nombre, descripcion) VALUES (?1, ?2, ?3)");
    for (const NewCategory& c : newCategories_) {
        category.reset();
        category.bind(1, c.parent == 0 ? 0 : idOf(c.parent, categoryIds));
        category.bind(2, c.source->nombre).bind(3, c.source->descripcion).run();
        categoryIds.push_back(db_.lastInsertId());
    }
    library::Statement script =
        db_.prepare("INSERT INTO scripts (id_categoria, id_tipo, nombre, navegadores, script_head, "
                    "script_body, script_html, script_ayuda, nombre_fichero) "
                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    library::Statement file =
        db_.prepare("INSERT INTO ficheros (id_script, nombre) VALUES (?1, ?2)");
    library::InsertScriptsIndexedLater(db_, [&] {
        for (const NewScript& n : newScripts_) {
            const library::Script& s = *n.source;
            script.reset();
            script.bind(1, idOf(n.category, categoryIds)).bind(2, idOf(n.type, typeIds));
            script.bind(3, n.nombre).bind(4, s.navegadores).bind(5, s.scriptHead);
            script.bind(6, s.scriptBody).bind(7, s.scriptHtml).bind(8, s.scriptAyuda);
            script.bind(9, s.nombreFichero).run();
            const qint64 id = db_.lastInsertId();
            for (const QString& name : source_.files.value(s.id)) {
                file.reset();
                file.bind(1, id).bind(2, name).run();
            }
        }
    });
}

void removeCopies(const QStringList& paths)
{
    for (const QString& path : paths)
        QFile::remove(path);
}

} // namespace

int ImportReport::count(ImportLine::Outcome outcome) const
{
    return int(std::count_if(lines.begin(), lines.end(),
                             [outcome](const ImportLine& l) { return l.outcome == outcome; }));
}

QString LineText(const ImportLine& line)
{
    QString what;
    switch (line.outcome) {
    case Outcome::Imported:
        what = QStringLiteral("importado");
        break;
    case Outcome::AlreadyThere:
        what = QStringLiteral("ya estaba");
        break;
    case Outcome::Renamed:
        what = QStringLiteral("importado como «%1»").arg(line.newName);
        break;
    case Outcome::Refused:
        what = QStringLiteral("rechazado: ") + line.reason;
        break;
    }
    const QString where = line.categoryPath.isEmpty()
                              ? line.nombre
                              : line.categoryPath + QLatin1Char('/') + line.nombre;
    return where + QStringLiteral(": ") + what;
}

QString SummaryText(const ImportReport& r)
{
    return counted::Counted(r.count(Outcome::Imported), "script importado", "scripts importados") +
           QStringLiteral(", %1 con otro nombre, ").arg(r.count(Outcome::Renamed)) +
           counted::Counted(r.count(Outcome::AlreadyThere), "ya estaba", "ya estaban") +
           QStringLiteral(", ") +
           counted::Counted(r.count(Outcome::Refused), "rechazado", "rechazados") +
           QStringLiteral("; ") +
           counted::Counted(r.newCategories, "categoría nueva", "categorías nuevas") +
           QStringLiteral(", ") +
           counted::Counted(r.copiedFiles, "fichero copiado", "ficheros copiados") +
           QLatin1Char('.');
}

QString QuestionText(const ImportReport& r)
{
    const int imported = r.count(Outcome::Imported);
    QString text = QString::fromUtf8(imported == 1 ? "Se importará " : "Se importarán ") +
                   counted::Counted(imported, "script nuevo", "scripts nuevos") +
                   QStringLiteral("; ") +
                   counted::Counted(r.count(Outcome::AlreadyThere), "ya estaba", "ya estaban") +
                   QStringLiteral("; ") +
                   counted::Counted(r.count(Outcome::Renamed),
                                    "con el mismo nombre y otro código entrará con otro nombre",
                                    "con el mismo nombre y otro código entrarán con otro nombre");
    if (const int refused = r.count(Outcome::Refused))
        text += QStringLiteral("; ") + counted::Counted(refused, "se rechazará", "se rechazarán");
    const bool one = imported + r.count(Outcome::Renamed) == 1;
    return text + QString::fromUtf8(one ? ".\n\n¿Desea importarlo?" : ".\n\n¿Desea importarlos?");
}

ImportReport PreviewImport(library::Database& target, const QString& targetResources,
                           const LibrarySnapshot& source)
{
    library::ReadSnapshot view(target);
    return Planner(target, targetResources, source).plan();
}

base::Result ImportLibrary(library::Database& target, const QString& targetResources,
                           const LibrarySnapshot& source, ImportReport* report)
{
    QStringList copied;
    try {
        const library::LargeCache cache(target);
        library::Transaction transaction(target);
        Planner planner(target, targetResources, source);
        *report = planner.plan();
        if (!planner.filesToCopy().isEmpty() && !QDir().mkpath(targetResources))
            return base::Result::failure(
                QStringLiteral("No se puede crear la carpeta «%1». No se ha importado nada.")
                    .arg(targetResources));
        // The files first: a committed row never names a file that is not there.
        for (const QString& name : planner.filesToCopy()) {
            QString error;
            const QString to = targetResources + name;
            if (!files::CopyWhole(source.resourcesPath + name, to, &error)) {
                removeCopies(copied);
                return base::Result::failure(
                    QStringLiteral("No se puede copiar «%1»: %2 No se ha importado nada.")
                        .arg(name, error));
            }
            copied.append(to);
        }
        planner.write();
        transaction.commit();
    } catch (const library::DatabaseError& e) {
        removeCopies(copied);
        return base::Result::failure(
            QStringLiteral("No se pudo importar: %1. La biblioteca queda como estaba.")
                .arg(e.message()));
    }
    report->copiedFiles = int(copied.size());
    return base::Result::success();
}

} // namespace editing

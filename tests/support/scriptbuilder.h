#pragma once

#include "library/records.h"
#include "tests/support/tempprogramfolder.h"

#include <QByteArray>
#include <QList>
#include <QPair>

// A script row with only the fields a test cares about:
//   const qint64 id = ScriptBuilder(u"Reloj"_s).in(relojes).type(efecto).head(code).addTo(folder);
class ScriptBuilder
{
public:
    explicit ScriptBuilder(const QString& nombre) { s_.nombre = nombre; }

    ScriptBuilder& in(qint64 categoryId) { return set(s_.idCategoria, categoryId); }
    ScriptBuilder& type(qint64 typeId) { return set(s_.idTipo, typeId); }
    ScriptBuilder& browsers(const QString& text) { return set(s_.navegadores, text); }
    ScriptBuilder& head(const QString& code) { return set(s_.scriptHead, code); }
    ScriptBuilder& body(const QString& text) { return set(s_.scriptBody, text); }
    ScriptBuilder& html(const QString& code) { return set(s_.scriptHtml, code); }
    ScriptBuilder& help(const QString& text) { return set(s_.scriptAyuda, text); }
    ScriptBuilder& fileName(const QString& name) { return set(s_.nombreFichero, name); }
    // A related file; its bytes go into the resources folder unless they are null.
    ScriptBuilder& file(const QString& nombre, const QByteArray& bytes = {})
    {
        files_.append({nombre, bytes});
        return *this;
    }

    const library::Script& record() const { return s_; }
    // Adds the row, its related files' rows and their bytes; returns the new id.
    qint64 addTo(TempProgramFolder& folder) const
    {
        const qint64 id = folder.addScript(s_);
        for (const auto& [nombre, bytes] : files_) {
            folder.addFile(id, nombre);
            if (!bytes.isNull())
                folder.writeResource(nombre, bytes);
        }
        return id;
    }

private:
    template <typename T, typename V> ScriptBuilder& set(T& field, const V& value)
    {
        field = value;
        return *this;
    }

    library::Script s_;
    QList<QPair<QString, QByteArray>> files_;
};

// The small library most window tests start from; the file is closed again afterwards.
//   Scripts
//     Menús
//       Desplegables
//         Menú d'O'Brien   (Visual, nothing but its name)
//     Relojes
//       Reloj digital      (Efecto, every field, related file reloj.gif)
struct SampleLibrary
{
    explicit SampleLibrary(TempProgramFolder& folder)
    {
        menus = folder.addCategory(0, QStringLiteral("Menús"));
        desplegables = folder.addCategory(menus, QStringLiteral("Desplegables"));
        relojes = folder.addCategory(0, QStringLiteral("Relojes"), QStringLiteral("<b>Horas</b>"));
        efecto = folder.addType(QStringLiteral("Efecto"));
        visual = folder.addType(QStringLiteral("Visual"));
        reloj = ScriptBuilder(QStringLiteral("Reloj digital"))
                    .in(relojes)
                    .type(efecto)
                    .browsers(QStringLiteral("Todos"))
                    .head(QStringLiteral("<script>function t() {}</script>"))
                    .body(QStringLiteral("onload=\"t()\""))
                    .html(QStringLiteral("<div id=\"r\"><img src=\"resources/reloj.gif\"></div>"))
                    .help(QStringLiteral("Un reloj"))
                    .file(QStringLiteral("reloj.gif"), "GIF89a-reloj")
                    .addTo(folder);
        menu = ScriptBuilder(QStringLiteral("Menú d'O'Brien"))
                   .in(desplegables)
                   .type(visual)
                   .addTo(folder);
        folder.closeLibrary();
    }

    qint64 menus = 0, desplegables = 0, relojes = 0, efecto = 0, visual = 0, reloj = 0, menu = 0;
};

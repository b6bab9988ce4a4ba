#pragma once

#include <QString>

namespace library {

struct Category
{
    qint64 id = 0;
    qint64 idPadre = 0;
    QString nombre;
    QString descripcion;
};

struct ScriptType
{
    qint64 id = 0;
    QString nombre;
};

// What the tree needs of a category.
struct CategoryListing
{
    qint64 id = 0;
    qint64 idPadre = 0;
    QString nombre;
};

// What the tree needs of a script.
struct ScriptListing
{
    qint64 id = 0;
    qint64 idCategoria = 0;
    QString nombre;
};

// A whole row of `scripts`; a NULL text field is a null QString.
struct Script
{
    qint64 id = 0;
    qint64 idCategoria = 0;
    qint64 idTipo = 0;
    QString nombre;
    QString navegadores;
    QString scriptHead;
    QString scriptBody;
    QString scriptHtml;
    QString scriptAyuda;
    QString nombreFichero;
};

struct RelatedFile
{
    qint64 id = 0;
    qint64 idScript = 0;
    QString nombre;
};

} // namespace library

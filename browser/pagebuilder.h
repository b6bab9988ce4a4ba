#pragma once

#include <QByteArray>
#include <QString>

// The generated pages the page pane shows. The script's code goes in as it stands: the page is a
// test bench for it. Names, browsers and descriptions are text: "<", ">", "&" and '"' in them
// are written as character references, so a name never runs as markup. Every line ends with
// CR LF and the page with one more CR LF; the bytes are UTF-8.
namespace pages {

struct ScriptPageFields
{
    QString externalScript; // written as a script element only when not empty
    QString head;
    QString body;
    QString name;
    QString typeName;
    QString browsers;
    QString html;
};

QByteArray BuildScriptPage(const ScriptPageFields& fields);
// `name` and `description` are text.
QByteArray BuildCategoryPage(const QString& name, const QString& description);

inline const QString ScriptPageName = QStringLiteral("js.htm");
inline const QString CategoryPageName = QStringLiteral("categoria.htm");

} // namespace pages

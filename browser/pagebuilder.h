#pragma once

#include <QByteArray>
#include <QString>

// The generated pages the page pane shows. Values go in as they stand: the page is a test
// bench for the script, so nothing is escaped. Every line ends with CR LF and the page with
// one more CR LF; the bytes are UTF-8.
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
QByteArray BuildCategoryPage(const QString& name, const QString& description);

inline const QString ScriptPageName = QStringLiteral("js.htm");
inline const QString CategoryPageName = QStringLiteral("categoria.htm");

} // namespace pages

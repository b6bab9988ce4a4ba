#include "submission.h"

#include "base/files.h"
#include "browser/pagebuilder.h"

namespace online {

QString SubmissionSubject(const QString& nombre)
{
    return QStringLiteral("Nuevo Script Korvalis: ") + nombre;
}

QString SubmissionBody(const library::Script& script, const QStringList& fileNames)
{
    const QString crlf = QStringLiteral("\r\n");
    QString body;
    body += QStringLiteral("<----- Head Script ----->") + crlf;
    body += script.scriptHead + crlf;
    body += QStringLiteral("<-----Head Script----->") + crlf + crlf;
    body += QStringLiteral("<----- Head body ----->") + crlf;
    body += script.scriptBody + crlf;
    body += QStringLiteral("<----- Head Body ----->") + crlf + crlf;
    body += QStringLiteral("<----- Head html ----->") + crlf;
    body += script.scriptHtml + crlf;
    body += QStringLiteral("<----- Head html ----->") + crlf + crlf;
    body += QStringLiteral("<----- Head Ayuda ----->") + crlf;
    body += script.scriptAyuda + crlf;
    body += QStringLiteral("<----- Head Ayuda ----->") + crlf + crlf;
    body += QStringLiteral("<----- Ficheros ----->") + crlf;
    for (const QString& name : fileNames)
        body += name + crlf;
    body += QStringLiteral("<----- Ficheros ----->") + crlf;
    return body;
}

bool WriteScriptPageFor(const library::Script& script, const QString& typeName, const QString& path,
                        QString* error)
{
    pages::ScriptPageFields fields;
    fields.externalScript = script.nombreFichero;
    fields.head = script.scriptHead;
    fields.body = script.scriptBody;
    fields.name = script.nombre;
    fields.typeName = typeName;
    fields.browsers = script.navegadores;
    fields.html = script.scriptHtml;
    return files::WriteWhole(path, pages::BuildScriptPage(fields), error);
}

} // namespace online

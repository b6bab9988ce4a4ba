#include "submission.h"

#include "base/files.h"
#include "base/module1.h"
#include "browser/pagebuilder.h"

#include <QFileInfo>

namespace online {

QString SubmissionSubject(const QString& nombre)
{
    return QStringLiteral("Nuevo Script Korvalis: ") + nombre;
}

Attachments SortAttachments(const QStringList& names, const QString& folder)
{
    Attachments sorted;
    for (const QString& name : names) {
        // A name reaching outside the folder, or breaking a header line, is never read.
        const QFileInfo file(folder + name);
        QString reason;
        if (!Module1::IsBareFileName(name))
            reason = QStringLiteral("su nombre no es válido");
        else if (!file.exists() && !file.isSymLink())
            reason = QStringLiteral("no está en la carpeta de la biblioteca");
        else if (!file.isFile())
            reason = QStringLiteral("no es un fichero normal");
        else if (!file.isReadable())
            reason = QStringLiteral("no se puede leer");
        if (reason.isEmpty())
            sorted.attached.append(name);
        else
            sorted.leftOut.append(FileLeftOut{name, reason});
    }
    return sorted;
}

QString SubmissionBody(const library::Script& script, const QStringList& fileNames,
                       const QStringList& notAttached)
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
        body += name + (notAttached.contains(name) ? NotAttachedMark : QString()) + crlf;
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

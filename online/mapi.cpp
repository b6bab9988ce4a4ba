#include "mapi.h"

#include "base/module1.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gmime/gmime.h>
#include <mutex>

namespace online {

namespace {

QStringList& DefaultCommandStore()
{
    static QStringList command{QStringLiteral("/usr/sbin/sendmail"), QStringLiteral("-t"),
                               QStringLiteral("-oi")};
    return command;
}

// Long enough for a slow relay; a mail command that never returns must not hang the window.
constexpr int SendTimeoutMs = 120000;

void InitGMime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

QString TrimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

MailError Error(int number, const QString& description)
{
    return MailError{number, description};
}

} // namespace

MapiSession::MapiSession() : command_(DefaultCommandStore()) {}

QStringList MapiSession::defaultCommand()
{
    return DefaultCommandStore();
}

void MapiSession::setDefaultCommand(const QStringList& command)
{
    DefaultCommandStore() = command;
}

MailResult MapiSession::SignOn()
{
    signedOn_ = false;
    program_.clear();
    if (command_.isEmpty() || command_.first().isEmpty())
        return Error(MailErrorNumber::LoginFailure,
                     QStringLiteral("No hay ningún sistema de correo configurado"));
    const QString& name = command_.first();
    const QString path =
        name.contains(QLatin1Char('/')) ? name : QStandardPaths::findExecutable(name);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isExecutable())
        return Error(MailErrorNumber::LoginFailure,
                     QStringLiteral("No se encuentra el sistema de correo (%1)").arg(name));
    program_ = info.absoluteFilePath();
    signedOn_ = true;
    return std::nullopt;
}

QStringList MapiSession::resolvedCommand() const
{
    QStringList command = command_;
    if (!command.isEmpty() && !program_.isEmpty())
        command.first() = program_;
    return command;
}

void MapiMessages::Compose()
{
    subject_.clear();
    noteText_.clear();
    receiptRequested_ = false;
    attachments_.clear();
    recipients_.clear();
    recipIndex_ = -1;
}

MailResult MapiMessages::AddAttachment(const QString& name, const QString& pathName)
{
    // The name goes into the part's headers: one line, the rule of every related file.
    if (!Module1::IsBareFileName(name))
        return Error(MailErrorNumber::Failure,
                     QStringLiteral("Nombre de fichero adjunto no válido: \"%1\"").arg(name));
    const QFileInfo info(pathName);
    if (!info.isFile() || !info.isReadable())
        return Error(MailErrorNumber::AttachmentNotFound,
                     QStringLiteral("No se puede leer el fichero adjunto %1").arg(pathName));
    attachments_.append(MapiAttachment{name, pathName});
    return std::nullopt;
}

MailResult MapiMessages::setRecipIndex(int index)
{
    if (index < 0 || index > RecipCount())
        return Error(MailErrorNumber::Failure,
                     QStringLiteral("Índice de destinatario no válido: %1").arg(index));
    if (index == RecipCount())
        recipients_.append(MapiRecipient{});
    recipIndex_ = index;
    return std::nullopt;
}

void MapiMessages::setRecipDisplayName(const QString& name)
{
    if (recipIndex_ < 0 || recipIndex_ >= RecipCount())
        return;
    recipients_[recipIndex_].displayName = name;
    recipients_[recipIndex_].address.clear();
}

void MapiMessages::setRecipType(int type)
{
    if (recipIndex_ >= 0 && recipIndex_ < RecipCount())
        recipients_[recipIndex_].type = type;
}

MailResult MapiMessages::ResolveName()
{
    if (recipIndex_ < 0 || recipIndex_ >= RecipCount())
        return Error(MailErrorNumber::UnknownRecipient, QStringLiteral("No hay destinatario"));
    MapiRecipient& recipient = recipients_[recipIndex_];
    if (!IsMailAddress(recipient.displayName))
        return Error(MailErrorNumber::UnknownRecipient,
                     QStringLiteral("Destinatario desconocido: \"%1\"").arg(recipient.displayName));
    recipient.address = recipient.displayName;
    return std::nullopt;
}

MailResult MapiMessages::DeleteRecipient()
{
    if (recipients_.isEmpty())
        return Error(MailErrorNumber::Failure, QStringLiteral("No hay destinatario que borrar"));
    const int index = qBound(0, recipIndex_, RecipCount() - 1);
    recipients_.removeAt(index);
    recipIndex_ = recipients_.isEmpty() ? -1 : qMin(index, RecipCount() - 1);
    return std::nullopt;
}

namespace {

GMimePart* NewAttachmentPart(const MapiAttachment& attachment, const QByteArray& bytes)
{
    GMimePart* part = g_mime_part_new_with_type("application", "octet-stream");
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.constData(), bytes.size());
    GMimeDataWrapper* content =
        g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT);
    g_mime_part_set_content(part, content);
    g_object_unref(content);
    g_object_unref(stream);
    g_mime_part_set_filename(part, attachment.name.toUtf8().constData());
    g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
    return part;
}

GMimeTextPart* NewTextPart(const QString& text)
{
    // The bytes go in as they are (UTF-8, no charset conversion); base64 keeps every CR of
    // the text's CR LF line ends through the sendmail interface, which rewrites bare line ends.
    const QByteArray bytes = text.toUtf8();
    GMimeTextPart* part = g_mime_text_part_new_with_subtype("plain");
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.constData(), bytes.size());
    GMimeDataWrapper* content =
        g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT);
    g_mime_part_set_content(GMIME_PART(part), content);
    g_object_unref(content);
    g_object_unref(stream);
    g_mime_text_part_set_charset(part, "UTF-8");
    g_mime_part_set_content_encoding(GMIME_PART(part), GMIME_CONTENT_ENCODING_BASE64);
    return part;
}

QByteArray WriteMessage(GMimeMessage* message)
{
    // Parameters (attachment names) that need encoding get RFC 2231, whatever the library's
    // process-wide default; plain ones are quoted with their quotes escaped.
    GMimeFormatOptions* options = g_mime_format_options_new();
    g_mime_format_options_set_param_encoding_method(options, GMIME_PARAM_ENCODING_METHOD_RFC2231);
    GMimeStream* stream = g_mime_stream_mem_new();
    g_mime_object_write_to_stream(GMIME_OBJECT(message), options, stream);
    g_mime_format_options_free(options);
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    const QByteArray bytes(reinterpret_cast<const char*>(array->data), qsizetype(array->len));
    g_object_unref(stream);
    return bytes;
}

} // namespace

std::optional<QByteArray> MapiMessages::ToMime(MailError* error) const
{
    InitGMime();
    MailError failure;
    QList<QByteArray> contents;
    for (const MapiAttachment& attachment : attachments_) {
        QFile file(attachment.pathName);
        if (!file.open(QIODevice::ReadOnly)) {
            failure = Error(
                MailErrorNumber::AttachmentNotFound,
                QStringLiteral("No se puede leer el fichero adjunto %1").arg(attachment.pathName));
            if (error)
                *error = failure;
            return std::nullopt;
        }
        contents.append(file.readAll());
    }

    GMimeMessage* message = g_mime_message_new(TRUE);
    g_mime_message_set_subject(message, subject_.toUtf8().constData(), "UTF-8");
    for (const MapiRecipient& recipient : recipients_) {
        const GMimeAddressType type =
            recipient.type == 2
                ? GMIME_ADDRESS_TYPE_CC
                : (recipient.type == 3 ? GMIME_ADDRESS_TYPE_BCC : GMIME_ADDRESS_TYPE_TO);
        g_mime_message_add_mailbox(message, type, nullptr, recipient.address.toUtf8().constData());
    }

    GMimeMultipart* mixed = g_mime_multipart_new_with_subtype("mixed");
    GMimeTextPart* text = NewTextPart(noteText_);
    g_mime_multipart_add(mixed, GMIME_OBJECT(text));
    g_object_unref(text);
    for (int i = 0; i < attachments_.size(); ++i) {
        GMimePart* part = NewAttachmentPart(attachments_.at(i), contents.at(i));
        g_mime_multipart_add(mixed, GMIME_OBJECT(part));
        g_object_unref(part);
    }
    g_mime_message_set_mime_part(message, GMIME_OBJECT(mixed));
    g_object_unref(mixed);

    const QByteArray bytes = WriteMessage(message);
    g_object_unref(message);
    return bytes;
}

MailResult MapiMessages::Send()
{
    if (!session_ || !session_->isSignedOn())
        return Error(MailErrorNumber::LoginFailure,
                     QStringLiteral("No hay sesión abierta con el sistema de correo"));
    if (recipients_.isEmpty())
        return Error(MailErrorNumber::NoRecipients,
                     QStringLiteral("El mensaje no tiene destinatarios"));
    for (const MapiRecipient& recipient : recipients_) {
        if (!IsMailAddress(recipient.address))
            return Error(
                MailErrorNumber::UnknownRecipient,
                QStringLiteral("Destinatario desconocido: \"%1\"").arg(recipient.displayName));
    }
    MailError failure;
    const std::optional<QByteArray> mime = ToMime(&failure);
    if (!mime)
        return failure;

    const QStringList command = session_->resolvedCommand();
    QProcess process;
    process.start(command.first(), command.mid(1));
    if (!process.waitForStarted())
        return Error(MailErrorNumber::LoginFailure,
                     QStringLiteral("No se pudo iniciar el sistema de correo: ") +
                         process.errorString());
    process.write(*mime);
    process.closeWriteChannel();
    if (!process.waitForFinished(SendTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return Error(MailErrorNumber::Failure, QStringLiteral("El sistema de correo no responde"));
    }
    const QString errorText = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit)
        return Error(MailErrorNumber::Failure,
                     errorText.isEmpty() ? QStringLiteral("El sistema de correo se interrumpió")
                                         : errorText);
    if (process.exitCode() != 0)
        return Error(process.exitCode(),
                     errorText.isEmpty() ? QStringLiteral("El sistema de correo rechazó el mensaje")
                                         : errorText);
    return std::nullopt;
}

QString Token(QString& tmp, const QString& search)
{
    const qsizetype at = search.isEmpty() ? -1 : tmp.indexOf(search, 0, Qt::CaseSensitive);
    if (at < 0) {
        const QString all = tmp;
        tmp.clear();
        return all;
    }
    const QString item = tmp.left(at);
    tmp = tmp.mid(at + search.size());
    return item;
}

MailResult SetRCList(QString nameList, MapiMessages& msg, qint16 rcType, qint16 fResolveNames)
{
    if (nameList.isEmpty())
        return std::nullopt;
    int i = msg.RecipCount();
    const QString separator = QStringLiteral(";");
    do {
        if (MailResult failed = msg.setRecipIndex(i))
            return failed;
        msg.setRecipDisplayName(TrimBlanks(Token(nameList, separator)));
        if (fResolveNames != 0) {
            if (MailResult failed = msg.ResolveName())
                return failed;
        }
        msg.setRecipType(rcType);
        ++i;
    } while (!nameList.isEmpty());
    return std::nullopt;
}

MailResult KillRecips(MapiMessages& msgControl)
{
    while (msgControl.RecipCount() != 0) {
        if (MailResult failed = msgControl.DeleteRecipient())
            return failed;
    }
    return std::nullopt;
}

bool IsMailAddress(const QString& text)
{
    // dot-atom local part @ a host name of letter/digit labels: what a mail system routes
    // without further quoting, and nothing that could break a header line.
    // Anchored to the whole text: "$" alone would let a final line break through.
    static const QRegularExpression address(QRegularExpression::anchoredPattern(
        QStringLiteral("[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+(\\.[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+)*"
                       "@[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,"
                       "61}[A-Za-z0-9])?)*")));
    return text.size() <= 254 && address.match(text).hasMatch();
}

} // namespace online

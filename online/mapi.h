#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The mail layer of the submission window: a session on the machine's mail system and a
// message buffer with recipients and attachments, sent through the sendmail interface.
// Operations that can fail give a MailError as a value instead of raising it.
namespace online {

struct MailError
{
    int number = 0;
    QString description;
};
using MailResult = std::optional<MailError>; // empty = done

// Numbers of the failures this layer detects itself; a failed send gives the mail
// command's exit status instead.
namespace MailErrorNumber {
constexpr int Failure = 32002;
constexpr int LoginFailure = 32003;
constexpr int AttachmentNotFound = 32011;
constexpr int UnknownRecipient = 32014;
constexpr int NoRecipients = 32021;
} // namespace MailErrorNumber

class MapiSession
{
public:
    MapiSession();

    // The mail command: program and arguments. The message is written to its standard input.
    const QStringList& command() const { return command_; }
    void setCommand(const QStringList& command) { command_ = command; }
    // What new sessions use: "/usr/sbin/sendmail -t -oi" unless changed (tests point it
    // at another sendmail-compatible command).
    static QStringList defaultCommand();
    static void setDefaultCommand(const QStringList& command);

    // Signed on when the mail command exists and is executable.
    MailResult SignOn();
    void SignOff() { signedOn_ = false; }
    bool isSignedOn() const { return signedOn_; }
    // The command with its program resolved to a path.
    QStringList resolvedCommand() const;

private:
    QStringList command_;
    QString program_;
    bool signedOn_ = false;
};

struct MapiRecipient
{
    QString displayName;
    QString address; // set once the name is resolved
    int type = 1;    // 1: primary
};

struct MapiAttachment
{
    QString name;
    QString pathName;
};

class MapiMessages
{
public:
    // Messages are composed under this session (not owned).
    void setSession(const MapiSession* session) { session_ = session; }

    // Starts a fresh outgoing message: empties subject, text, recipients and attachments.
    void Compose();
    void setMsgSubject(const QString& subject) { subject_ = subject; }
    void setMsgNoteText(const QString& text) { noteText_ = text; }
    // Delivery receipts are not supported by the sendmail interface; the flag is kept only.
    void setMsgReceiptRequested(bool requested) { receiptRequested_ = requested; }
    QString msgSubject() const { return subject_; }
    QString msgNoteText() const { return noteText_; }

    // Appends one attachment; the file must be readable and its name a related file's name
    // (Module1::IsBareFileName), for it is written into the part's headers.
    MailResult AddAttachment(const QString& name, const QString& pathName);
    int AttachmentCount() const { return int(attachments_.size()); }
    const QList<MapiAttachment>& attachments() const { return attachments_; }

    // Recipients: RecipIndex selects one; setting it to RecipCount adds an empty one.
    int RecipCount() const { return int(recipients_.size()); }
    MailResult setRecipIndex(int index);
    void setRecipDisplayName(const QString& name);
    void setRecipType(int type);
    // Resolves the current recipient's name to an address: the name must be an address.
    MailResult ResolveName();
    // Deletes the current recipient.
    MailResult DeleteRecipient();
    const QList<MapiRecipient>& recipients() const { return recipients_; }

    // The message as MIME text (LF line ends, as the sendmail interface takes it).
    std::optional<QByteArray> ToMime(MailError* error) const;
    // Hands the message to the mail command and waits for it.
    MailResult Send();

private:
    const MapiSession* session_ = nullptr;
    QString subject_;
    QString noteText_;
    bool receiptRequested_ = false;
    QList<MapiAttachment> attachments_;
    QList<MapiRecipient> recipients_;
    int recipIndex_ = -1;
};

// Cuts the first item off `tmp` at the first `search` (case-sensitive): returns the text
// before it and leaves `tmp` with the text after it; without one, returns all of `tmp` and
// empties it.
QString Token(QString& tmp, const QString& search);
// Adds one recipient of type `rcType` per ";"-separated item of `nameList`, blanks trimmed,
// after the recipients already there; resolves each name when `fResolveNames` is not 0.
MailResult SetRCList(QString nameList, MapiMessages& msg, qint16 rcType, qint16 fResolveNames);
// Deletes every recipient of the message.
MailResult KillRecips(MapiMessages& msgControl);

// Whether `text` is a plain address "local@domain" (no display name, no comments).
bool IsMailAddress(const QString& text);

} // namespace online

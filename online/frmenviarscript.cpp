#include "frmenviarscript.h"

#include "base/module1.h"
#include "browser/twips.h"
#include "library/librarystore.h"
#include "online/submission.h"
#include "platform/messagebox.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

using online::MailError;
using online::MailResult;

namespace {

const QString Caption = QStringLiteral("Korvalis");
constexpr int FailureNumber = online::MailErrorNumber::Failure;

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, Qt::Alignment align)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(align | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

} // namespace

frmenviarscript::frmenviarscript(library::LibraryStore& cn, const base::ProgramPaths& paths,
                                 const QString& scriptId, QWidget* parent)
    : QDialog(parent), cn_(cn), paths_(paths), scriptId_(scriptId)
{
    BuildControls();
    NameScript();
    MapiSess_.setCommand(online::MapiSession::defaultCommand());
    signOn_ = MapiSess_.SignOn();
    MapiMess_.setSession(&MapiSess_);
}

frmenviarscript::~frmenviarscript()
{
    MapiSess_.SignOff();
}

void frmenviarscript::BuildControls()
{
    setObjectName(QStringLiteral("frmenviarscript"));
    setWindowTitle(Caption);
    setModal(true);
    const int dpi = twips::dpiOf(this);
    setFixedSize(twips::toPixels(5955, dpi), twips::toPixels(3555, dpi));

    Label1_ =
        NewLabel(this, "Label1", QStringLiteral("¡ Colabore con todos los usuarios de Korvalis !"),
                 Qt::AlignHCenter);
    QFont bold = Label1_->font();
    bold.setBold(true);
    Label1_->setFont(bold);
    twips::place(Label1_, 0, 120, 5895, 255);
    Label2_ = NewLabel(
        this, "Label2",
        QStringLiteral("Si considera que el Script añadido o seleccionado puede ser interesante "
                       "para otros usuarios, pulse el Botón \"Enviar Script\"  y el script será "
                       "enviado por correo electrónico, con el fin de incorporar el nuevo script "
                       "a Base de datos de Korvalis y que pueda ser utilizado por otros usuarios."),
        Qt::AlignLeft);
    twips::place(Label2_, 120, 720, 5655, 855);
    Label_script_ = NewLabel(this, "Label_script", QString(), Qt::AlignHCenter);
    Label_script_->setWordWrap(false);
    twips::place(Label_script_, 120, 420, 5655, 255);
    Label3_ =
        NewLabel(this, "Label3",
                 QStringLiteral("Todos los usuarios de Korvalis le agredecemos su colaboración"),
                 Qt::AlignHCenter);
    twips::place(Label3_, 240, 1920, 5295, 375);
    boton_enviar_ = new QPushButton(QStringLiteral("Enviar Script"), this);
    boton_enviar_->setObjectName(QStringLiteral("boton_enviar"));
    boton_enviar_->setAccessibleName(QStringLiteral("Enviar Script"));
    twips::place(boton_enviar_, 900, 2640, 2000, 375);
    connect(boton_enviar_, &QPushButton::clicked, this, &frmenviarscript::boton_enviar_Click);
    boton_cerrar_ = new QPushButton(QStringLiteral("Cerrar"), this);
    boton_cerrar_->setObjectName(QStringLiteral("boton_cerrar"));
    boton_cerrar_->setAutoDefault(false);
    twips::place(boton_cerrar_, 3060, 2640, 2000, 375);
    connect(boton_cerrar_, &QPushButton::clicked, this, &QDialog::reject);
}

void frmenviarscript::NameScript()
{
    bool numeric = false;
    const qint64 id = scriptId_.toLongLong(&numeric);
    QString name;
    try {
        if (const std::optional<library::Script> script = numeric ? cn_.script(id) : std::nullopt)
            name = script->nombre;
    } catch (const library::DatabaseError&) {
        // Sending reads the script again and reports what fails.
    }
    const QString whole = QStringLiteral("Script: %1").arg(name);
    Label_script_->setText(
        Label_script_->fontMetrics().elidedText(whole, Qt::ElideMiddle, Label_script_->width()));
    Label_script_->setToolTip(whole);
    Label_script_->setAccessibleName(whole);
}

void frmenviarscript::done(int result)
{
    MapiSess_.SignOff();
    QDialog::done(result);
}

void frmenviarscript::boton_enviar_Click()
{
    if (!boton_enviar_->isEnabled() || !SendWithFilesLeftOut())
        return;
    MapiMess_.Compose();
    Label2_->setText(QStringLiteral("Enviando Script\r\nUn momento por favor....."));
    boton_enviar_->setEnabled(false);
    // Let the new caption paint: the send blocks until the mail system returns.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    MailResult failed = signOn_ ? signOn_ : ComposeMessage();
    if (!failed)
        failed = CopyNamestoMsgBuffer(this, -1);
    if (!failed)
        failed = MapiMess_.Send();
    if (failed) {
        ShowFailure(*failed);
        return;
    }
    Label1_->setText(QStringLiteral("El script ha sido enviado"));
    Label2_->setText(QStringLiteral("Gracias por su colaboracion"));
    Label3_->setText(QString());
    accept();
}

// Related files that cannot be attached are named before anything is sent; the person decides
// whether the rest go. Sending nothing is the answer that loses nothing.
bool frmenviarscript::SendWithFilesLeftOut()
{
    QStringList names;
    try {
        bool numeric = false;
        const qint64 id = scriptId_.toLongLong(&numeric);
        for (const library::RelatedFile& file :
             numeric ? cn_.relatedFiles(id) : std::vector<library::RelatedFile>())
            names.append(file.nombre);
    } catch (const library::DatabaseError&) {
        return true; // composing the message reads the library again and says what failed
    }
    const QList<online::FileLeftOut> leftOut =
        online::SortAttachments(names, paths_.resourcesFolder).leftOut;
    if (leftOut.isEmpty())
        return true;
    QString text =
        QStringLiteral("Estos ficheros relacionados del script no se pueden adjuntar:\n\n");
    for (const online::FileLeftOut& file : leftOut)
        text += QStringLiteral("    %1: %2\n").arg(file.name.simplified(), file.reason);
    text += QStringLiteral("\n¿Desea enviar el script con los demás? El texto del correo los "
                           "nombra todos y marca los que no van adjuntos.");
    return platform::askYesNo(this, QStringLiteral("Enviar Script"), text, QMessageBox::No);
}

MailResult frmenviarscript::ComposeMessage()
{
    bool numeric = false;
    const qint64 id = scriptId_.toLongLong(&numeric);
    std::optional<library::Script> script;
    std::vector<library::RelatedFile> files;
    std::optional<QString> typeName;
    try {
        if (numeric)
            script = cn_.script(id);
        if (script) {
            files = cn_.relatedFiles(id);
            typeName = cn_.typeName(script->idTipo);
        }
    } catch (const library::DatabaseError& error) {
        return MailError{FailureNumber, error.message()};
    }
    if (!script)
        return MailError{FailureNumber, QStringLiteral("El script no existe en la biblioteca")};

    MapiMess_.setMsgSubject(online::SubmissionSubject(script->nombre));
    QStringList names;
    for (const library::RelatedFile& file : files)
        names.append(file.nombre);
    // A listed file that is missing, or a name reaching outside the folder, is not sent; the
    // mail's text says so.
    const online::Attachments attachments = online::SortAttachments(names, paths_.resourcesFolder);
    for (const QString& name : attachments.attached) {
        if (MailResult failed = MapiMess_.AddAttachment(name, paths_.resource(name)))
            return failed;
    }
    QStringList notAttached;
    for (const online::FileLeftOut& file : attachments.leftOut)
        notAttached.append(file.name);
    // The page attached is the one of the script being sent, whatever was previewed last.
    const QString page = paths_.file(QStringLiteral("js.htm"));
    QString error;
    if (!online::WriteScriptPageFor(*script, typeName.value_or(QString()), page, &error))
        return MailError{online::MailErrorNumber::AttachmentNotFound, error};
    if (MailResult failed = MapiMess_.AddAttachment(QStringLiteral("js.htm"), page))
        return failed;
    MapiMess_.setMsgNoteText(online::SubmissionBody(*script, names, notAttached));
    MapiMess_.setMsgReceiptRequested(false);
    return std::nullopt;
}

void frmenviarscript::ShowFailure(const MailError& error)
{
    Label1_->setText(QStringLiteral("El script NO ha sido enviado"));
    const QString whole = QStringLiteral("Un error a ocurrido durante el envio: ") +
                          error.description + QLatin1Char(' ') + QString::number(error.number);
    Label3_->setText(QString());
    // The reason may be long: it takes the room of the thanks below it too.
    twips::place(Label2_, 120, 720, 5655, 1800);
    const int width = Label2_->contentsRect().width() - 2 * Label2_->margin();
    Label2_->setText(WrapAtSpaces(whole, Label2_->fontMetrics(), width));
    Label2_->setToolTip(whole);
    Label2_->setAccessibleName(whole);
}

QString frmenviarscript::WrapAtSpaces(const QString& text, const QFontMetrics& metrics, int width)
{
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    QStringList lines;
    QString line;
    for (QString word : text.split(spaces, Qt::SkipEmptyParts)) {
        if (metrics.horizontalAdvance(word) > width)
            word = metrics.elidedText(word, Qt::ElideMiddle, width);
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            lines.append(line);
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines.join(QLatin1Char('\n'));
}

MailResult frmenviarscript::CopyNamestoMsgBuffer(QWidget*, qint16 fResolveNames)
{
    if (MailResult failed = KillRecips(MapiMess_))
        return failed;
    return SetRCList(Module1::SubmissionAddress, MapiMess_, 1, fResolveNames);
}

MailResult frmenviarscript::KillRecips(online::MapiMessages& MsgControl)
{
    return online::KillRecips(MsgControl);
}

MailResult frmenviarscript::SetRCList(const QString& NameList, online::MapiMessages& Msg,
                                      qint16 RCType, qint16 fResolveNames)
{
    return online::SetRCList(NameList, Msg, RCType, fResolveNames);
}

QString frmenviarscript::Token(QString& tmp, const QString& search)
{
    return online::Token(tmp, search);
}

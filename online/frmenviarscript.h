#pragma once

#include "base/programpaths.h"
#include "online/mapi.h"

#include <QDialog>
#include <QString>

class QFontMetrics;
class QLabel;
class QPushButton;

namespace library {
class LibraryStore;
}

// Sends one script of the library to the maker by e-mail: its fields and related-file names
// in the text, the related files and its preview page as attachments.
class frmenviarscript : public QDialog
{
    Q_OBJECT

public:
    // Related files are read from, and the page written into, the folders of `paths`.
    frmenviarscript(library::LibraryStore& cn, const base::ProgramPaths& paths,
                    const QString& scriptId, QWidget* parent = nullptr);
    ~frmenviarscript() override;

    // The heading and the text below it, which say how the submission went.
    QLabel* Label1() const { return Label1_; }
    QLabel* Label2() const { return Label2_; }
    // The line that names the script being sent.
    QLabel* Label_script() const { return Label_script_; }
    QPushButton* boton_enviar() const { return boton_enviar_; }
    // Closes the window without sending, as Escape does.
    QPushButton* boton_cerrar() const { return boton_cerrar_; }
    const online::MapiSession& MapiSess() const { return MapiSess_; }

    // Recipient handling: replaces the message's recipients with Module1::SubmissionAddress.
    online::MailResult CopyNamestoMsgBuffer(QWidget* Msg, qint16 fResolveNames);
    static online::MailResult KillRecips(online::MapiMessages& MsgControl);
    static online::MailResult SetRCList(const QString& NameList, online::MapiMessages& Msg,
                                        qint16 RCType, qint16 fResolveNames);
    static QString Token(QString& tmp, const QString& search);
    // The text in lines of at most `width` pixels, broken only at spaces; a word wider than a
    // line (a long path) is shortened in its middle rather than broken.
    static QString WrapAtSpaces(const QString& text, const QFontMetrics& metrics, int width);

public Q_SLOTS:
    void boton_enviar_Click();
    void done(int result) override;

private:
    void BuildControls();
    bool SendWithFilesLeftOut();
    void NameScript();
    online::MailResult ComposeMessage();
    void ShowFailure(const online::MailError& error);

    QLabel* Label1_ = nullptr;
    QLabel* Label2_ = nullptr;
    QLabel* Label3_ = nullptr;
    QLabel* Label_script_ = nullptr;
    QPushButton* boton_enviar_ = nullptr;
    QPushButton* boton_cerrar_ = nullptr;
    online::MapiSession MapiSess_;
    online::MapiMessages MapiMess_;
    library::LibraryStore& cn_;
    base::ProgramPaths paths_;
    QString scriptId_;
    online::MailResult signOn_;
};
